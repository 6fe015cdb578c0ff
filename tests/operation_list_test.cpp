#include "core/operation_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixed_clock.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

OperationEntry Entry(const std::string& cardNo) {
  return {.Time = test::MakeDateTime(2026, 12, 9, 14, 5, 30),
          .Peer = "192.168.1.5",
          .Type = "IssueCard",
          .RoomKey = "010208",
          .Guest = AnsiFromUtf8("王先生"),
          .CardNo = cardNo,
          .ResultCode = "200",
          .Answered = true};
}

std::vector<std::string> CardNos(const OperationList::Batch& batch) {
  std::vector<std::string> numbers;
  for (const OperationEntry& entry : batch.Entries) numbers.push_back(entry.CardNo);
  return numbers;
}

TEST(OperationListTest, KeepsTheNewestThousandAndHandsOutWhatIsNewSinceTheLastLook) {
  OperationList list;
  for (int card = 1; card <= 1005; ++card) list.Add(Entry(std::to_string(card)));
  const OperationList::Batch all = list.Since(0);
  EXPECT_EQ(all.Total, 1005u);
  ASSERT_EQ(all.Entries.size(), OperationList::kKept);
  EXPECT_EQ(all.Entries.front().CardNo, "6");
  EXPECT_EQ(all.Entries.back().CardNo, "1005");
  EXPECT_THAT(CardNos(list.Since(1003)), ElementsAre("1004", "1005"));
  EXPECT_THAT(list.Since(1005).Entries, IsEmpty());
  list.Add(Entry("1006"));
  EXPECT_THAT(CardNos(list.Since(all.Total)), ElementsAre("1006"));
}

TEST(OperationListTest, SaysInChineseWhatWasDoneAndWhatFailedWithTheReason) {
  OperationEntry issued = Entry("6");
  EXPECT_FALSE(OperationFailed(issued));
  EXPECT_EQ(Utf8FromAnsi(OperationLine(issued)),
            "2026-12-09 14:05:30  192.168.1.5  发卡  房间 010208  王先生  卡号 6  成功");

  OperationEntry refused = Entry("0");
  refused.ResultCode = "500";
  refused.Reason = AnsiFromUtf8("房号为空");
  EXPECT_TRUE(OperationFailed(refused));
  EXPECT_EQ(Utf8FromAnsi(OperationLine(refused)),
            "2026-12-09 14:05:30  192.168.1.5  发卡  房间 010208  王先生  失败：房号为空");

  const OperationEntry unreadable{.Time = issued.Time, .Peer = "10.0.0.7", .Answered = false};
  EXPECT_TRUE(OperationFailed(unreadable));
  EXPECT_EQ(Utf8FromAnsi(OperationLine(unreadable)),
            "2026-12-09 14:05:30  10.0.0.7  无法读取的请求  没有答复");

  // The police kind's response carries no result code: answered is done.
  const OperationEntry police{
      .Time = issued.Time, .Peer = "10.0.0.7", .Type = "PoliceRequest", .Answered = true};
  EXPECT_FALSE(OperationFailed(police));
  EXPECT_EQ(Utf8FromAnsi(OperationLine(police)), "2026-12-09 14:05:30  10.0.0.7  取客人信息  成功");
  EXPECT_EQ(OperationName("SomethingNew"), "SomethingNew");

  // A read that succeeded but whose card differs from its journal row needs the clerk's eye.
  const OperationEntry differs{.Time = issued.Time,
                               .Peer = "10.0.0.7",
                               .Type = "ReadCard",
                               .CardNo = "14",
                               .ResultCode = "200",
                               .Answered = true,
                               .Warning = AnsiFromUtf8("卡上数据与发卡记录不符：房间 11 / 020317")};
  EXPECT_TRUE(OperationFailed(differs));
  EXPECT_EQ(Utf8FromAnsi(OperationLine(differs)),
            "2026-12-09 14:05:30  10.0.0.7  读卡  卡号 14  成功，卡上数据与发卡记录不符：房间 11 / "
            "020317");
}

}  // namespace
}  // namespace keydesk
