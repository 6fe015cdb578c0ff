#include "wire/request_framer.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/errors.h"

namespace keydesk {
namespace {

using namespace std::string_literals;

TEST(RequestFramer, TakesRequestsUpToEachNul) {
  RequestFramer framer;
  framer.Append("<a/>\0<b/>\0<c"s);
  EXPECT_EQ(framer.Next(), "<a/>");
  EXPECT_EQ(framer.Next(), "<b/>");
  EXPECT_EQ(framer.Next(), std::nullopt);
  framer.Append("/>\0"s);
  EXPECT_EQ(framer.Next(), "<c/>");
  EXPECT_EQ(framer.Buffered(), 0u);
}

TEST(RequestFramer, ALoneNulIsAnEmptyRequest) {
  RequestFramer framer;
  framer.Append("\0\0"s);
  EXPECT_EQ(framer.Next(), "");
  EXPECT_EQ(framer.Next(), "");
  EXPECT_EQ(framer.Next(), std::nullopt);
}

TEST(RequestFramer, ServesExactlyTheLongestRequest) {
  RequestFramer framer;
  framer.Append(std::string(RequestFramer::kMaxRequestLength, 'x'));
  EXPECT_EQ(framer.Next(), std::nullopt);
  framer.Append("\0tail"s);
  EXPECT_EQ(framer.Next()->size(), RequestFramer::kMaxRequestLength);
  EXPECT_EQ(framer.Buffered(), 4u);
}

TEST(RequestFramer, RefusesOneByteMore) {
  RequestFramer framer;
  framer.Append(std::string(RequestFramer::kMaxRequestLength + 1, 'x') + '\0');
  try {
    framer.Next();
    FAIL() << "accepted an over-long request";
  } catch (const FramingError& error) {
    EXPECT_STREQ(error.what(), "Max line length exceeded.");
  }
}

TEST(RequestFramer, RefusesTooManyBytesWithoutANulBeforeTheNulArrives) {
  RequestFramer framer;
  framer.Append(std::string(RequestFramer::kMaxRequestLength, 'x'));
  EXPECT_EQ(framer.Next(), std::nullopt);
  framer.Append("y");
  EXPECT_THROW(framer.Next(), FramingError);
}

TEST(RequestFramer, ArbitraryChunkingGivesTheSameRequests) {
  std::string stream;
  std::vector<std::string> expected;
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    std::string request(random() % 300, 'a' + i % 26);
    expected.push_back(request);
    stream += request + '\0';
  }
  RequestFramer framer;
  std::vector<std::string> seen;
  for (size_t at = 0; at < stream.size();) {
    const size_t chunk = std::min<size_t>(1 + random() % 700, stream.size() - at);
    framer.Append(std::string_view(stream).substr(at, chunk));
    at += chunk;
    while (auto request = framer.Next()) seen.push_back(*request);
  }
  EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace keydesk
