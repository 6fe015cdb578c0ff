// The PostgreSQL tests share one server, started before the first test and stopped after
// the last.
#include <gtest/gtest.h>

#include <exception>
#include <memory>

#include "postgres_server.h"

namespace keydesk::test {
namespace {

std::unique_ptr<PostgresServer> server;

class PostgresEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // A failure here skips every test.
    try {
      server = std::make_unique<PostgresServer>();
    } catch (const std::exception& error) {
      FAIL() << error.what();
    }
  }
  void TearDown() override { server.reset(); }
};

}  // namespace

PostgresServer& SharedServer() { return *server; }

}  // namespace keydesk::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // GoogleTest owns the environment.
  ::testing::AddGlobalTestEnvironment(new keydesk::test::PostgresEnvironment);
  return RUN_ALL_TESTS();
}
