// The simulated hand-tag, member-card and police devices over their files in a temporary
// folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "devices/simulated_hand.h"
#include "devices/simulated_member.h"
#include "devices/simulated_police.h"
#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;

class SimulatedHandTest : public ::testing::Test {
 protected:
  std::string Card() const { return test::ReadFileBytes(dir_.File("SimHand.txt")); }

  test::TempDir dir_;
  SimulatedHand hand_{dir_.Path().string()};
};

TEST_F(SimulatedHandTest, WritesIncreasingNumbersThatAreReadAndErased) {
  std::string handNo;
  ASSERT_TRUE(hand_.WriteCard(handNo));
  EXPECT_EQ(handNo, "1");
  handNo.clear();
  ASSERT_TRUE(hand_.WriteCard(handNo));
  EXPECT_EQ(handNo, "2");
  EXPECT_EQ(Card(), "HandNo=2\r\n");

  handNo.clear();
  ASSERT_TRUE(hand_.ReadCard(handNo));
  EXPECT_EQ(handNo, "2");
  handNo.clear();
  ASSERT_TRUE(hand_.EraseCard(handNo));
  EXPECT_EQ(handNo, "2");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("SimHand.txt")));

  handNo.clear();
  EXPECT_FALSE(hand_.ReadCard(handNo));
  EXPECT_FALSE(hand_.EraseCard(handNo));
  EXPECT_EQ(handNo, "");
}

TEST_F(SimulatedHandTest, NumbersKeepIncreasingAcrossRuns) {
  std::string handNo;
  ASSERT_TRUE(hand_.WriteCard(handNo));
  SimulatedHand nextRun(dir_.Path().string());
  handNo.clear();
  ASSERT_TRUE(nextRun.WriteCard(handNo));
  EXPECT_EQ(handNo, "2");
  EXPECT_EQ(test::ReadFileBytes(dir_.File("SimHandSerial.txt")), "LastHandNo=2\r\n");
}

TEST_F(SimulatedHandTest, ReadsAHandWrittenTagAsItStands) {
  ASSERT_TRUE(AppendToFile(dir_.File("SimHand.txt"), "HandNo=A&B<7>\r\n"));
  std::string handNo;
  ASSERT_TRUE(hand_.ReadCard(handNo));
  EXPECT_EQ(handNo, "A&B<7>");
}

TEST_F(SimulatedHandTest, ATagThatCannotBeStoredFailsWithTheNumberTried) {
  std::filesystem::create_directory(dir_.File("SimHand.txt"));
  std::string handNo;
  EXPECT_FALSE(hand_.WriteCard(handNo));
  EXPECT_EQ(handNo, "1");
  // The number is used up, so it is never handed out twice.
  std::filesystem::remove(dir_.File("SimHand.txt"));
  handNo.clear();
  ASSERT_TRUE(hand_.WriteCard(handNo));
  EXPECT_EQ(handNo, "2");
}

TEST_F(SimulatedHandTest, ConcurrentWritesHandOutDistinctNumbers) {
  constexpr int kThreads = 6;
  constexpr int kWritesEach = 10;
  std::vector<std::vector<std::string>> numbers(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, &numbers, t] {
      for (int i = 0; i < kWritesEach; ++i) {
        std::string handNo;
        if (hand_.WriteCard(handNo)) numbers[t].push_back(handNo);
        std::string read;
        hand_.ReadCard(read);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<std::string> distinct;
  for (const auto& list : numbers) distinct.insert(list.begin(), list.end());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kWritesEach));
  EXPECT_EQ(test::ReadFileBytes(dir_.File("SimHandSerial.txt")), "LastHandNo=60\r\n");
}

TEST_F(SimulatedHandTest, TracesEveryOperation) {
  SimulatedHand hand(dir_.Path().string());
  std::string handNo;
  EXPECT_TRUE(hand.OpenPort());
  hand.Beep();
  hand.WriteCard(handNo);
  hand.ReadCard(handNo);
  hand.EraseCard(handNo);
  EXPECT_TRUE(hand.ClosePort());
  EXPECT_THAT(test::SplitLines(test::ReadFileBytes(dir_.File("SimHandTrace.txt"))),
              ElementsAre("OpenPort", "Beep", "WriteCard", "ReadCard", "EraseCard", "ClosePort"));
}

class SimulatedMemberTest : public ::testing::Test {
 protected:
  struct ReadResult {
    bool ok = false;
    std::string cardNo, password, expireDate, guestName, score;
  };
  ReadResult Read(int32_t channel, bool flag = false) {
    ReadResult result;
    result.ok = member_.ReadCard(flag, result.cardNo, result.password, result.expireDate,
                                 result.guestName, result.score, channel);
    return result;
  }

  test::TempDir dir_;
  SimulatedMember member_{dir_.Path().string()};
};

TEST_F(SimulatedMemberTest, ReadsBackTheWrittenCardThroughItsChannel) {
  const std::string name = AnsiFromUtf8("张三");
  ASSERT_TRUE(member_.WriteCard("1001", name, "654321", "2027-12-31", 11));
  EXPECT_EQ(test::ReadFileBytes(dir_.File("SimMember.txt")),
            "CardNo=1001\r\nGuestName=" + name +
                "\r\nPassword=654321\r\nExpireDate=2027-12-31\r\nScore=0\r\nChannel=11\r\n");
  const ReadResult read = Read(11, true);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.cardNo, "1001");
  EXPECT_EQ(read.guestName, name);
  EXPECT_EQ(read.password, "654321");
  EXPECT_EQ(read.expireDate, "2027-12-31");
  EXPECT_EQ(read.score, "0");
}

TEST_F(SimulatedMemberTest, ThroughAnotherChannelOnlyTheCardNumberIsSeenAndTheReadFails) {
  ASSERT_TRUE(member_.WriteCard("1001", "Li", "pw", "2027-12-31", -1));
  const ReadResult read = Read(11);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.cardNo, "1001");
  EXPECT_EQ(read.password + read.expireDate + read.guestName + read.score, "");
  EXPECT_TRUE(Read(-1).ok);
}

TEST_F(SimulatedMemberTest, WithoutACardTheReadFailsAndGivesNothing) {
  const ReadResult read = Read(-1);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.cardNo + read.password + read.expireDate + read.guestName + read.score, "");
}

TEST_F(SimulatedMemberTest, TextsWithLineBreaksAreKeptWhole) {
  ASSERT_TRUE(member_.WriteCard("1\r\n2", "a\\b", "x\ny", "", -1));
  const ReadResult read = Read(-1);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.cardNo, "1\r\n2");
  EXPECT_EQ(read.guestName, "a\\b");
  EXPECT_EQ(read.password, "x\ny");
}

TEST_F(SimulatedMemberTest, PrintsAppendTheCardNumberAndTheText) {
  const std::string text = AnsiFromUtf8("\r\n当前消费:100\r\n卡内余额:300");
  EXPECT_TRUE(member_.PrintCard("88888888", text));
  EXPECT_TRUE(member_.PrintCard("1001", "x"));
  EXPECT_EQ(test::ReadFileBytes(dir_.File("SimMemberPrint.txt")),
            "CardNo 88888888\r\n" + text + "\r\nCardNo 1001\r\nx\r\n");
}

TEST_F(SimulatedMemberTest, FilesThatCannotBeWrittenFailTheOperation) {
  std::filesystem::create_directory(dir_.File("SimMember.txt"));
  std::filesystem::create_directory(dir_.File("SimMemberPrint.txt"));
  EXPECT_FALSE(member_.WriteCard("1001", "", "", "", -1));
  EXPECT_FALSE(member_.PrintCard("1001", "x"));
  EXPECT_FALSE(Read(-1).ok);
}

TEST_F(SimulatedMemberTest, TracesEveryOperationWithItsNumericArguments) {
  EXPECT_TRUE(member_.OpenPort());
  member_.Beep();
  member_.WriteCard("1001", "", "", "", 11);
  Read(11, true);
  Read(-1, false);
  member_.PrintCard("1001", "x");
  EXPECT_TRUE(member_.ClosePort());
  EXPECT_THAT(test::SplitLines(test::ReadFileBytes(dir_.File("SimMemberTrace.txt"))),
              ElementsAre("OpenPort", "Beep", "WriteCard 11", "ReadCard 1 11", "ReadCard 0 -1",
                          "PrintCard", "ClosePort"));
}

class SimulatedPoliceTest : public ::testing::Test {
 protected:
  void Offer(const std::string& key, const std::string& utf8Value) {
    ProfileFile(dir_.File("SimGuest.ini")).WriteString("Guest", key, AnsiFromUtf8(utf8Value));
  }

  test::TempDir dir_;
  SimulatedPolice police_{dir_.Path().string()};
};

TEST_F(SimulatedPoliceTest, WithoutTheFileThereIsNoGuest) {
  EXPECT_EQ(police_.GetGuest(), nullptr);
}

TEST_F(SimulatedPoliceTest, OffersTheGuestOfTheFileWithEveryFieldInCodePage936) {
  const std::vector<std::pair<std::string, std::string TGuest::*>> fields = {
      {"RoomNo", &TGuest::RoomNo},
      {"EnterTime", &TGuest::EnterTime},
      {"IdCardTypeID", &TGuest::IdCardTypeID},
      {"IdCardNo", &TGuest::IdCardNo},
      {"Name", &TGuest::Name},
      {"Nationality", &TGuest::Nationality},
      {"GenderID", &TGuest::GenderID},
      {"SalutationID", &TGuest::SalutationID},
      {"CountryCode", &TGuest::CountryCode},
      {"ProvinceCode", &TGuest::ProvinceCode},
      {"Address", &TGuest::Address},
      {"Birthday", &TGuest::Birthday},
  };
  for (const auto& [key, field] : fields) Offer(key, key + "值");
  const TGuest* guest = police_.GetGuest();
  ASSERT_NE(guest, nullptr);
  for (const auto& [key, field] : fields) {
    EXPECT_EQ(guest->*field, AnsiFromUtf8(key + "值")) << key;
  }
}

TEST_F(SimulatedPoliceTest, AMissingKeyReadsAsEmpty) {
  Offer("Name", "王小明");
  const TGuest* guest = police_.GetGuest();
  ASSERT_NE(guest, nullptr);
  EXPECT_EQ(guest->Name, AnsiFromUtf8("王小明"));
  EXPECT_EQ(guest->GenderID, "");
}

TEST_F(SimulatedPoliceTest, AReturnedRecordStaysValidAndUnchangedWhenTheGuestChanges) {
  Offer("Name", "First");
  const TGuest* first = police_.GetGuest();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(police_.GetGuest(), first);  // the same registration gives the same record
  Offer("Name", "Second");
  const TGuest* second = police_.GetGuest();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(first->Name, "First");
  EXPECT_EQ(second->Name, "Second");
  Offer("Name", "First");
  EXPECT_EQ(police_.GetGuest(), first);
  std::filesystem::remove(dir_.File("SimGuest.ini"));
  EXPECT_EQ(police_.GetGuest(), nullptr);
  EXPECT_EQ(first->Name, "First");
}

TEST_F(SimulatedPoliceTest, ConcurrentCallsWhileTheGuestChangesGiveWholeRecords) {
  Offer("RoomNo", "0808");
  Offer("Name", "A");
  std::atomic<bool> stop{false};
  std::thread editor([this, &stop] {
    for (int i = 0; i < 200 && !stop; ++i) Offer("Name", i % 2 == 0 ? "B" : "A");
  });
  std::vector<std::thread> readers;
  std::atomic<int> badRecords{0};
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([this, &badRecords] {
      std::vector<const TGuest*> seen;
      for (int i = 0; i < 200; ++i) {
        if (const TGuest* guest = police_.GetGuest()) seen.push_back(guest);
      }
      // Every record handed out is still readable and was never changed.
      for (const TGuest* guest : seen) {
        if (guest->RoomNo != "0808" || (guest->Name != "A" && guest->Name != "B")) ++badRecords;
      }
    });
  }
  for (auto& reader : readers) reader.join();
  stop = true;
  editor.join();
  EXPECT_EQ(badRecords, 0);
}

}  // namespace
}  // namespace keydesk
