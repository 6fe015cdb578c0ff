// docs/protocol.md cannot drift from the program: every example request in it is sent to the
// real keydesk (fresh folder, simulated encoder and devices, examples in document order) and
// the response must be the guide's, byte for byte, with the connection closed or kept open
// as the guide says.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>

#include "app/option_catalog.h"
#include "guide_examples.h"
#include "loopback_client.h"
#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "server_process.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

const std::string kGuidePath = KEYDESK_SOURCE_DIR "/docs/protocol.md";

struct KindStart {
  const char* Number;
  const char* PortOption;
};

const std::map<std::string, KindStart> kKinds = {
    {"door", {"1", "DoorlockPortNo"}},
    {"police", {"2", "PolicePortNo"}},
    {"member", {"3", "MemberPortNo"}},
    {"hand", {"4", "HandPortNo"}},
};

// The guest the police system offers in the state "guest-offered".
const std::vector<std::pair<std::string, std::string>> kOfferedGuest = {
    {"RoomNo", "0108"},
    {"EnterTime", "2026-12-08 14:05:00"},
    {"IdCardNo", "110101199001011234"},
    {"Name", "王小明"},
    {"Nationality", "汉"},
    {"GenderID", "1"},
    {"CountryCode", "CHN"},
    {"ProvinceCode", "110000"},
    {"Address", "北京市东城区1号"},
    {"Birthday", "1990-01-01"},
};

// A keydesk of one kind in one of the guide's states, in a folder of its own.
class GuideServer {
 public:
  GuideServer(const std::string& kind, const std::string& state) {
    const auto found = kKinds.find(kind);
    if (found == kKinds.end()) throw std::runtime_error("unknown kind '" + kind + "'");
    std::string error;
    if (!TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) {
      throw std::runtime_error(error);
    }
    std::map<std::string, std::string> environment = {
        {"DREVAN_SIM_CARD", dir_.File("SimCard.txt")}};
    if (state == "failing-encoder") {
      environment["DREVAN_SIM_FAIL"] = "Write_Guest_Card:1,Read_Guest_Card:1";
    } else if (state == "guest-offered") {
      ProfileFile guest(dir_.File("SimGuest.ini"));
      for (const auto& [key, value] : kOfferedGuest) {
        guest.WriteString("Guest", key, AnsiFromUtf8(value));
      }
    } else if (!state.empty()) {
      throw std::runtime_error("unknown state '" + state + "'");
    }
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), std::vector<std::string>{"--kind", found->second.Number}, environment,
        found->second.PortOption);
  }

  uint16_t Port() const { return server_->Port(); }

 private:
  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

std::vector<test::GuideExample> GuideExamples() {
  return test::PairGuideExamples(test::ReadGuideBlocks(kGuidePath));
}

// Sends one example and checks what comes back. `kept` is the connection an earlier example
// left open; it is replaced by this example's connection when that stays open too.
void CheckExample(const test::GuideExample& example, uint16_t port,
                  std::unique_ptr<test::LoopbackClient>& kept) {
  SCOPED_TRACE("example " + example.Id +
               " (docs/protocol.md:" + std::to_string(example.Request.Line) + ")");
  std::unique_ptr<test::LoopbackClient> client;
  if (example.Request.Attribute("connection") == "kept") {
    ASSERT_NE(kept, nullptr) << "no connection was left open before this example";
    client = std::move(kept);
  } else {
    kept.reset();
    client = std::make_unique<test::LoopbackClient>(port);
  }
  client->Send(test::GuideFrame(example.Request));

  if (example.Response.Flags.count("none") != 0) {
    EXPECT_EQ(client->ReadResponse(), std::nullopt);
    EXPECT_TRUE(client->ClosedByServer());
    EXPECT_EQ(client->Unread(), "");
    return;
  }
  std::string expected = test::GuideFrame(example.Response);
  expected.pop_back();  // the NUL, which ReadResponse takes off
  EXPECT_EQ(client->ReadResponse(), expected);
  EXPECT_EQ(client->Unread(), "");  // nothing after the NUL
  if (example.ResponseBytes) {
    EXPECT_EQ(test::HexDump(expected + std::string(1, '\0')), example.ResponseBytes->Text);
  }
  if (example.Response.Attribute("connection") == "open") {
    kept = std::move(client);
  } else {
    EXPECT_TRUE(client->ClosedByServer());
  }
}

TEST(ProtocolGuideTest, ExamplesAreWhatKeydeskSends) {
  const std::vector<test::GuideExample> examples = GuideExamples();
  // One keydesk per kind and state, first seen first; each runs its examples in order.
  std::vector<std::pair<std::string, std::string>> groups;
  for (const test::GuideExample& example : examples) {
    const std::pair group{example.Request.Attribute("kind"), example.Request.Attribute("state")};
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
  }
  for (const auto& [kind, state] : groups) {
    SCOPED_TRACE("kind " + kind + ", state '" + state + "'");
    GuideServer server(kind, state);
    std::unique_ptr<test::LoopbackClient> kept;
    for (const test::GuideExample& example : examples) {
      if (example.Request.Attribute("kind") != kind ||
          example.Request.Attribute("state") != state) {
        continue;
      }
      CheckExample(example, server.Port(), kept);
    }
  }
}

TEST(ProtocolGuideTest, CoversEveryInterfaceAndTheRequestsKeydeskCannotRead) {
  std::map<std::string, int> perKind;
  int unanswered = 0;
  int dumped = 0;
  for (const test::GuideExample& example : GuideExamples()) {
    ++perKind[example.Request.Attribute("kind")];
    unanswered += static_cast<int>(example.Response.Flags.count("none"));
    dumped += example.ResponseBytes ? 1 : 0;
  }
  EXPECT_GE(perKind["door"], 8);
  EXPECT_GE(perKind["hand"], 3);
  EXPECT_GE(perKind["member"], 3);
  EXPECT_GE(perKind["police"], 2);
  EXPECT_EQ(perKind.size(), 4u);
  EXPECT_GE(unanswered, 1);
  EXPECT_GE(dumped, 1);
}

TEST(ProtocolGuideTest, ExampleMarkupIsReadAsWritten) {
  const std::vector<test::GuideExample> examples =
      test::PairGuideExamples({{1, "request", {{"id", "a"}, {"kind", "door"}}, {}, "<x/>\\0"},
                               {3, "response", {{"id", "a"}}, {"none"}, "(none)"}});
  ASSERT_EQ(examples.size(), 1u);
  EXPECT_EQ(test::GuideFrame(examples[0].Request), std::string("<x/>\0", 5));
  EXPECT_THROW(test::GuideFrame({1, "request", {}, {}, "<x/>"}), std::runtime_error);
  EXPECT_THROW(test::GuideFrame({1, "request", {}, {}, "<x\\0/>\\0"}), std::runtime_error);
  EXPECT_THROW(test::PairGuideExamples({{1, "request", {{"id", "a"}}, {}, "<x/>\\0"}}),
               std::runtime_error);
  EXPECT_EQ(test::HexDump(std::string("A\xE7\x8E\x8B\0", 5)),
            "00000000: 41 e7 8e 8b 00                                   A....");
}

// docs/options.md holds the table made from the keys' descriptions, between its markers.
TEST(OptionsGuideTest, HoldsTheTableOfEveryKeyAsTheProgramDescribesIt) {
  const std::string path = KEYDESK_SOURCE_DIR "/docs/options.md";
  std::ifstream file(path, std::ios::binary);
  const std::string guide((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string begin = "<!-- table made by the program -->\n";
  const std::string end = "<!-- end of the table -->";
  const size_t from = guide.find(begin);
  const size_t to = guide.find(end);
  ASSERT_NE(from, std::string::npos) << path;
  ASSERT_NE(to, std::string::npos) << path;
  const std::string made = OptionsTableMarkdown();
  if (guide.substr(from + begin.size(), to - from - begin.size()) != made) {
    const std::string fresh = guide.substr(0, from + begin.size()) + made + guide.substr(to);
    std::ofstream(KEYDESK_BUILD_DIR "/options.md", std::ios::binary) << fresh;
    ADD_FAILURE() << "docs/options.md differs from the keys' descriptions; the table as made is "
                     "in " KEYDESK_BUILD_DIR "/options.md: copy it over docs/options.md";
  }
}

}  // namespace
}  // namespace keydesk
