#include "doorlock/drevan_lift_doorlock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "doorlock/drevan_library.h"
#include "doorlock/library_bits.h"
#include "doorlock/option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/errors.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class LiftDoorlockTest : public ::testing::Test {
 protected:
  LiftDoorlockTest() {
    TOption settings;
    settings.PortName = "COM3";
    settings.LockTypeName = "RW-26D";
    settings.SectorNo = 257;  // only the low 8 bits reach the library
    settings.HotelPassword = "572604";
    settings.PowerSwitchSectorNo = 2;
    settings.PowerSwitchPassword = "FFFFFFFFFFFF";
    settings.PowerSwitchTypeName = "8602-1M-57BA";
    // The blocks' calls alone; the read-back has tests of its own.
    settings.VerifyAfterWrite = false;
    option_.Set(settings);
  }

  void Configure(void (*change)(TOption&)) {
    TOption settings = option_.Get();
    change(settings);
    option_.Set(settings);
  }

  bool Write(int64_t& cardNo, DateTime begin = MakeDateTime(2008, 3, 15, 14, 5),
             DateTime end = MakeDateTime(2008, 3, 17, 12, 0), const std::string& guest = "Guest") {
    return driver_.WriteCardReported("R1", "01", "02", "08", guest, begin, begin, end, end, false,
                                     cardNo, report_);
  }
  // The card file's line of a block's field, e.g. "GuestCard.ValidTo".
  std::string CardField(const std::string& field) const {
    const std::string card = test::ReadFileBytes(dir_.File("card.txt"));
    const size_t at = card.find(field + "=");
    if (at == std::string::npos) return {};
    const size_t end = card.find('\n', at);
    return card.substr(at + field.size() + 1, end - at - field.size() - 1);
  }

  std::vector<std::string> Trace() const { return test::SplitLines(test::ReadFileBytes(trace_)); }
  std::vector<std::string> Log() const { return test::LogMessages(log_.FileName()); }

  test::TempDir dir_;
  std::string trace_ = dir_.File("trace.txt");
  test::SimEnvironment sim_{dir_.File("card.txt"), trace_};
  TSysOption sysOption_{dir_.File("Option.ini")};
  test::FixedClock clock_{MakeDateTime(2008, 3, 15, 14, 0)};
  TLogFile log_{dir_.File("20080315.LOG"), sysOption_, clock_};
  SharedOption option_{TOption()};
  DrevanLibrary library_{test::kCardLibraryPath};
  TDrevanLiftDoorlock driver_{library_, option_, log_};
  TWriteReport report_;
};

TEST_F(LiftDoorlockTest, WritesTheThreeBlocksWithTheWorkedExamplesTextsAndBeeps) {
  int64_t cardNo = -1;
  ASSERT_TRUE(Write(cardNo));
  EXPECT_EQ(cardNo, 1);
  EXPECT_THAT(Trace(),
              ElementsAre("SerialNo_FromNow",
                          "Write_Guest_Card 3 3 1 572604 1 803151405 1 08 0000 00000000 "
                          "0803151405 0803171200",
                          "Write_Guest_Lift 3 3 1 572604 1 96 97 97 0803151405 0803171200 6000",
                          "Write_Guest_PowerSwitch 3 3 2 FFFFFFFFFFFF 1 1 08 Guest 0803151405 "
                          "0803171200 1",
                          "Reader_Alarm 3 3 1"));
  EXPECT_THAT(Log(), ElementsAre("发卡成功, 卡号：1", "电梯成功, 控制电梯楼层",
                                 "取电成功, 取电结束时间: 0803171200"));
}

TEST_F(LiftDoorlockTest, VerifyAfterWriteReadsEachWrittenBlockBackBeforeTheBeep) {
  Configure([](TOption& o) { o.VerifyAfterWrite = true; });
  int64_t cardNo = -1;
  ASSERT_TRUE(Write(cardNo));
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 8u);
  EXPECT_THAT(trace[4], ::testing::StartsWith("Read_Guest_Card 3 3 1 572604 "));
  EXPECT_THAT(trace[5], ::testing::StartsWith("Read_Guest_Lift 3 3 1 572604 96 97 "));
  EXPECT_THAT(trace[6], ::testing::StartsWith("Read_Guest_PowerSwitch 3 3 2 FFFFFFFFFFFF "));
  EXPECT_EQ(trace[7], "Reader_Alarm 3 3 1");
  EXPECT_THAT(Log(), ElementsAre("发卡成功, 卡号：1", "电梯成功, 控制电梯楼层",
                                 "取电成功, 取电结束时间: 0803171200"));
}

// A block stored wrongly, or one that cannot be read back, fails the card: no beep, and one
// log line that names what differed. Without the option the same card passes unnoticed.
struct ReadBackCase {
  const char* corrupt;
  const char* fail;
  const char* line;
};

class LiftDoorlockReadBackTest : public LiftDoorlockTest,
                                 public ::testing::WithParamInterface<ReadBackCase> {};

TEST_P(LiftDoorlockReadBackTest, FailsTheCardWithOneLineNamingTheDifference) {
  sim_.Corrupt(GetParam().corrupt);
  sim_.Fail(GetParam().fail);
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo)) << "without the option the encoder's word is taken";
  const size_t firstCard = Trace().size();
  Configure([](TOption& o) { o.VerifyAfterWrite = true; });
  EXPECT_FALSE(Write(cardNo));
  EXPECT_EQ(cardNo, 2);
  const auto log = Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], std::string("发卡失败, 写卡后读回不符: ") + GetParam().line);
  EXPECT_EQ(Utf8FromAnsi(report_.Failure), std::string("写卡后读回不符：") + GetParam().line);
  // The wrong card opens a room: it is voided, and the log says whether that took.
  EXPECT_TRUE(report_.CardLeft);
  ASSERT_TRUE(report_.Voided.has_value());
  EXPECT_THAT(log.back(), HasSubstr(*report_.Voided ? "客房块已改为过期" : "客房块改为过期失败"));
  const auto trace = Trace();
  for (size_t i = firstCard; i < trace.size(); ++i) {
    EXPECT_THAT(trace[i], Not(HasSubstr("Reader_Alarm")));
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachBlock, LiftDoorlockReadBackTest,
    ::testing::Values(
        // Each field the blocks can tell, one case apiece.
        ReadBackCase{"GuestCard.CardNo", "", "卡号: 写入 2, 读回 1"},
        ReadBackCase{"GuestCard.Room", "", "房间: 写入 08, 读回 01"},
        ReadBackCase{"GuestCard.ValidFrom", "", "有效期开始: 写入 0803151405, 读回 0803151401"},
        ReadBackCase{"GuestCard.ValidTo", "", "有效期结束: 写入 0803171200, 读回 0803171201"},
        ReadBackCase{"Lift.CardNo", "", "电梯卡号: 写入 2, 读回 1"},
        ReadBackCase{"Lift.ValidFrom", "", "电梯有效期开始: 写入 0803151405, 读回 0803151401"},
        ReadBackCase{"Lift.ValidTo", "", "电梯有效期结束: 写入 0803171200, 读回 0803171201"},
        ReadBackCase{"Lift.LiftData", "", "电梯控制楼层: 写入 6000, 读回 6001"},
        ReadBackCase{"PowerSwitch.CardNo", "", "取电卡号: 写入 2, 读回 1"},
        ReadBackCase{"PowerSwitch.Room", "", "取电房间: 写入 08, 读回 01"},
        ReadBackCase{"PowerSwitch.ValidFrom", "",
                     "取电有效期开始: 写入 0803151405, 读回 0803151401"},
        ReadBackCase{"PowerSwitch.ValidTo", "", "取电有效期结束: 写入 0803171200, 读回 0803171201"},
        ReadBackCase{"", "Read_Guest_Card:1", "读回失败: Read_Guest_Card 1"},
        ReadBackCase{"", "Read_Guest_PowerSwitch:5", "读回失败: Read_Guest_PowerSwitch 5"}));

TEST_F(LiftDoorlockTest, TakesTheDateFromOneValueAndTheTimeFromTheOther) {
  int64_t cardNo = 0;
  ASSERT_TRUE(driver_.WriteCard("", "00", "01", "01", "Test", MakeDateTime(2008, 3, 15, 9, 0),
                                MakeDateTime(2001, 1, 1, 14, 5), MakeDateTime(2008, 3, 17),
                                MakeDateTime(1999, 1, 1, 12, 30), false, cardNo));
  // The start stamp is taken from BeginDate alone.
  EXPECT_THAT(Trace().at(1), HasSubstr(" 803150900 1 01 0000 00000000 0803151405 0803171230"));
}

TEST_F(LiftDoorlockTest, PowerSwitchTypeTwoPassesItsOwnLayout) {
  Configure([](TOption& o) { o.PowerSwitchTypeName = "8601-6M-57BA"; });
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo));
  EXPECT_EQ(Trace().at(3),
            "Write_Guest_PowerSwitch 3 3 2 FFFFFFFFFFFF 1 0 08 (null) (null) 0803171200 2");
}

TEST_F(LiftDoorlockTest, WithoutAPowerSwitchSkipsItsBlockButStillBeeps) {
  Configure([](TOption& o) { o.PowerSwitchTypeName = ""; });
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo));
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_THAT(trace.at(2), HasSubstr("Write_Guest_Lift"));
  EXPECT_EQ(trace.at(3), "Reader_Alarm 3 3 1");
  EXPECT_EQ(Log().back(), "取电成功, 取电结束时间: 0803171200");
}

TEST_F(LiftDoorlockTest, StartStampsAfter2022PassAsUnsignedValues) {
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo, MakeDateTime(2030, 6, 1, 8, 30), MakeDateTime(2030, 6, 3, 12, 0)));
  EXPECT_THAT(Trace().at(1), HasSubstr(" 3006010830 1 08 0000 00000000 3006010830 3006031200"));
  ASSERT_TRUE(Write(cardNo, MakeDateTime(2042, 12, 31, 23, 59), MakeDateTime(2043, 1, 2)));
  EXPECT_THAT(Trace().at(6), HasSubstr(" 4212312359 1 08 "));
}

TEST_F(LiftDoorlockTest, RefusesAStartItCannotStampWithoutTouchingTheEncoder) {
  int64_t cardNo = 77;
  EXPECT_FALSE(Write(cardNo, MakeDateTime(2043, 1, 1, 0, 0), MakeDateTime(2043, 1, 3)));
  EXPECT_FALSE(Write(cardNo, MakeDateTime(1999, 12, 31, 23, 0), MakeDateTime(2000, 1, 2)));
  EXPECT_EQ(cardNo, 77);
  EXPECT_TRUE(Trace().empty());
  EXPECT_THAT(Log(), ElementsAre("发卡失败, 起始时间超出卡的范围: 2043-01-01 00:00",
                                 "发卡失败, 起始时间超出卡的范围: 1999-12-31 23:00"));
}

struct WriteFailure {
  const char* failure;
  const char* logLine;
  size_t blocksLeft;  // blocks on the card afterwards
  const char* reason;
};

class LiftDoorlockWriteFailureTest : public LiftDoorlockTest,
                                     public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(LiftDoorlockWriteFailureTest, StopsAtTheFailedStepWithTheCardNumberSet) {
  sim_.Fail(GetParam().failure);
  int64_t cardNo = 0;
  EXPECT_FALSE(Write(cardNo));
  EXPECT_EQ(cardNo, 1);
  EXPECT_EQ(Utf8FromAnsi(report_.Failure), GetParam().reason);
  const auto log = Log();
  for (const std::string& line : Trace()) EXPECT_THAT(line, Not(HasSubstr("Reader_Alarm")));
  const std::string card = test::ReadFileBytes(dir_.File("card.txt"));
  EXPECT_EQ(card.find("GuestCard.") != std::string::npos, GetParam().blocksLeft >= 1);
  EXPECT_EQ(card.find("Lift.") != std::string::npos, GetParam().blocksLeft >= 2);
  EXPECT_EQ(card.find("PowerSwitch.") != std::string::npos, false);
  if (GetParam().blocksLeft == 0) {
    EXPECT_EQ(log.back(), GetParam().logLine);
    EXPECT_FALSE(report_.CardLeft);
    EXPECT_FALSE(report_.Voided.has_value());
    return;
  }
  // A guest-room block that opens the room is left: written again as long expired.
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], GetParam().logLine);
  EXPECT_EQ(log.back(), "客房块已改为过期, 卡号：1");
  EXPECT_TRUE(report_.CardLeft);
  EXPECT_EQ(report_.Voided, true);
  EXPECT_EQ(CardField("GuestCard.ValidTo"), "0001010001");
}

INSTANTIATE_TEST_SUITE_P(
    EachBlock, LiftDoorlockWriteFailureTest,
    ::testing::Values(WriteFailure{"Write_Guest_Card:7", "发卡失败7", 0, "写客房块失败（代码 7）"},
                      WriteFailure{"Write_Guest_Lift:8", "电梯失败8", 1, "写电梯块失败（代码 8）"},
                      WriteFailure{"Write_Guest_PowerSwitch:9", "取电失败9", 2,
                                   "写取电块失败（代码 9）"}));

TEST_F(LiftDoorlockTest, AVoidThatDoesNotReadBackIsNotBelieved) {
  // The lift block fails, and the encoder stores the guest-room block's end wrongly while
  // saying it wrote it, also when the card is voided.
  sim_.Fail("Write_Guest_Lift:8");
  sim_.Corrupt("GuestCard.ValidTo");
  int64_t cardNo = 0;
  ASSERT_FALSE(Write(cardNo));
  EXPECT_TRUE(report_.CardLeft);
  EXPECT_EQ(report_.Voided, false);
  EXPECT_EQ(Log().back(), "客房块改为过期失败, 卡号：1");
}

TEST_F(LiftDoorlockTest, BeforeWriteNamesTheCardFirstAndCanStopIt) {
  std::vector<int64_t> named;
  report_.BeforeWrite = [&named](int64_t cardNo) {
    named.push_back(cardNo);
    return named.size() < 2;
  };
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo));
  EXPECT_FALSE(Write(cardNo));
  EXPECT_THAT(named, ElementsAre(1, 2));
  // The second card's number was taken, and nothing written to the card.
  EXPECT_THAT(Trace(), ::testing::Contains("SerialNo_FromNow").Times(2));
  EXPECT_EQ(CardField("GuestCard.CardNo"), "1");
}

TEST_F(LiftDoorlockTest, ReadsBackTheCardWrittenAndLogsEachBlock) {
  int64_t written = 0;
  ASSERT_TRUE(Write(written));
  ASSERT_TRUE(Write(written));
  int64_t read = -1;
  ASSERT_TRUE(driver_.ReadCard(read));
  EXPECT_EQ(read, 2);
  const auto log = Log();
  EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
              ElementsAre("读卡成功,卡号为: CardNo = 2", "电梯成功, 电梯控制楼层：6000",
                          "读取电成功, 取电结束时间: 0803171200"));
  EXPECT_THAT(Trace().back(), HasSubstr("Read_Guest_PowerSwitch 3 3 2 FFFFFFFFFFFF"));
}

TEST_F(LiftDoorlockTest, ReadFailuresStopAtTheirStepAndKeepTheNumberRead) {
  int64_t written = 0;
  ASSERT_TRUE(Write(written));

  int64_t cardNo = -5;
  sim_.Fail("Read_Guest_Card:4");
  EXPECT_FALSE(driver_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, -5);
  EXPECT_EQ(Log().back(), "读卡失败4");

  sim_.Fail("Read_Guest_Lift:5");
  EXPECT_FALSE(driver_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, 1);
  EXPECT_EQ(Log().back(), "读取控制电梯失败5");

  cardNo = -5;
  sim_.Fail("Read_Guest_PowerSwitch:6");
  EXPECT_FALSE(driver_.ReadCard(cardNo));
  EXPECT_EQ(cardNo, 1);
  EXPECT_EQ(Log().back(), "读取电失败");
}

// A write that failed half way leaves the new card's guest-room block over an older card's
// lift or power-switch block: that is no card, and reading it says which numbers differ.
TEST_F(LiftDoorlockTest, ACardWhoseBlocksBelongToDifferentCardsIsNotRead) {
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo));
  sim_.Fail("Write_Guest_Lift:5");
  EXPECT_FALSE(Write(cardNo));
  sim_.Fail("");
  int64_t read = 0;
  TCardDetails details;
  EXPECT_FALSE(driver_.ReadCardDetails(read, details));
  EXPECT_EQ(Utf8FromAnsi(details.Inconsistency), "客房块 2，电梯块 1");
  EXPECT_EQ(Log().back(), "读卡失败, 卡上各块的卡号不一致: 客房块 2，电梯块 1");

  ASSERT_TRUE(Write(cardNo));
  sim_.Fail("Write_Guest_PowerSwitch:6");
  EXPECT_FALSE(Write(cardNo));
  sim_.Fail("");
  EXPECT_FALSE(driver_.ReadCard(read));
  EXPECT_EQ(Log().back(), "读卡失败, 卡上各块的卡号不一致: 客房块 4，取电块 3");
  // The second power-switch model keeps no card number in its block: nothing to compare.
  Configure([](TOption& settings) { settings.PowerSwitchTypeName = "8601-6M-57BA"; });
  ASSERT_TRUE(Write(cardNo));
  EXPECT_TRUE(driver_.ReadCard(read));
  EXPECT_EQ(read, 5);
}

TEST_F(LiftDoorlockTest, ReadingWithoutACardFails) {
  int64_t cardNo = 0;
  EXPECT_FALSE(driver_.ReadCard(cardNo));
  EXPECT_THAT(Log().back(), HasSubstr("读卡失败"));
}

TEST_F(LiftDoorlockTest, PortEraseAndShowOptionsNeverCallTheLibrary) {
  EXPECT_TRUE(driver_.OpenPort());
  EXPECT_TRUE(driver_.ClosePort());
  EXPECT_TRUE(driver_.EraseCard());
  driver_.ShowOptions();
  EXPECT_TRUE(Trace().empty());
  driver_.Beep();
  EXPECT_THAT(Trace(), ElementsAre("Reader_Alarm 3 3 1"));
}

TEST_F(LiftDoorlockTest, TakesChangedOptionsAtTheNextCall) {
  int64_t cardNo = 0;
  ASSERT_TRUE(Write(cardNo));
  Configure([](TOption& o) {
    o.PortName = "COM10";
    o.LiftData = "C300";
  });
  ASSERT_TRUE(Write(cardNo));
  EXPECT_THAT(Trace().at(7), HasSubstr("Write_Guest_Lift 10 3 1 572604 2 96 97 97"));
  EXPECT_THAT(Trace().at(7), HasSubstr(" C300"));
}

TEST_F(LiftDoorlockTest, ConcurrentCardsNeverInterleaveOnTheEncoder) {
  sim_.Delay(1);
  constexpr int kThreads = 6;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 3; ++i) {
        int64_t cardNo = 0;
        if (!Write(cardNo)) ++failures;
        if (!driver_.ReadCard(cardNo)) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  // Every write is the five calls in a row, every read the three.
  const auto trace = Trace();
  for (size_t at = 0; at < trace.size();) {
    if (trace[at] == "SerialNo_FromNow") {
      ASSERT_LE(at + 5, trace.size());
      EXPECT_THAT(trace[at + 1], HasSubstr("Write_Guest_Card"));
      EXPECT_THAT(trace[at + 2], HasSubstr("Write_Guest_Lift"));
      EXPECT_THAT(trace[at + 3], HasSubstr("Write_Guest_PowerSwitch"));
      EXPECT_THAT(trace[at + 4], HasSubstr("Reader_Alarm"));
      at += 5;
    } else {
      ASSERT_LE(at + 3, trace.size());
      EXPECT_THAT(trace[at], HasSubstr("Read_Guest_Card"));
      EXPECT_THAT(trace[at + 1], HasSubstr("Read_Guest_Lift"));
      EXPECT_THAT(trace[at + 2], HasSubstr("Read_Guest_PowerSwitch"));
      at += 3;
    }
  }
}

TEST(LiftDoorlockBuffers, LiftDataBufferNeverFallsBelowTheSafeFloor) {
  TOption option;
  EXPECT_EQ(TDrevanLiftDoorlock::LiftDataCapacity(option), 512);  // the options alone give 2
  option.EndAddr = 97;
  option.MaxLiftAddr = 96;  // no positive size at all
  EXPECT_EQ(TDrevanLiftDoorlock::LiftDataCapacity(option), 512);
  option.EndAddr = -2147483647 - 1;
  option.MaxLiftAddr = 2147483647;
  EXPECT_GE(TDrevanLiftDoorlock::LiftDataCapacity(option), 512);
  option.EndAddr = 0;
  option.MaxLiftAddr = 1000;  // more than sixteen controllers: 2 * (1001 - 16)
  EXPECT_EQ(TDrevanLiftDoorlock::LiftDataCapacity(option), 1970);
}

TEST(BaseDoorlock, IsADriverWithoutAnEncoder) {
  TBaseDoorlock base;
  int64_t cardNo = 42;
  EXPECT_FALSE(base.OpenPort());
  EXPECT_FALSE(base.ClosePort());
  EXPECT_FALSE(base.EraseCard());
  EXPECT_FALSE(base.ReadCard(cardNo));
  EXPECT_FALSE(base.WriteCard("", "", "", "", "", {}, {}, {}, {}, false, cardNo));
  EXPECT_EQ(cardNo, 42);
  base.ShowOptions();
  base.Beep();
}

#if defined(_WIN32)
// The ways a vendor's library may come: stdcall under plain names (drevan.dll beside the
// tests), stdcall under decorated names, the C convention under plain names. Each writes and
// reads the same card; on 32-bit Windows a call shows which convention the library used, and a
// wrong guess would have left the stack pointer off.
TEST_F(LiftDoorlockTest, EachBuildOfTheLibraryWritesAndReadsTheCard) {
  const struct {
    const char* Folder;
    bool CalleeRemovesArguments;
    const char* Names;
  } builds[] = {{"", true, "不带修饰的名字"},
                {"/decorated", true, "_SerialNo_FromNow@0, _Reader_Alarm@12"},
                {"/c-convention", false, "不带修饰的名字"}};
  for (const auto& build : builds) {
    DrevanLibrary library(std::string(KEYDESK_BUILD_DIR) + build.Folder + "/drevan.dll");
    TDrevanLiftDoorlock driver(library, option_, log_);
    int64_t written = -1;
    ASSERT_TRUE(driver.WriteCard("R1", "01", "02", "08", "Guest", MakeDateTime(2008, 3, 15, 14, 5),
                                 MakeDateTime(2008, 3, 15, 14, 5), MakeDateTime(2008, 3, 17, 12, 0),
                                 MakeDateTime(2008, 3, 17, 12, 0), false, written))
        << build.Folder;
    int64_t read = -1;
    ASSERT_TRUE(driver.ReadCard(read)) << build.Folder;
    EXPECT_EQ(read, written) << build.Folder;
    EXPECT_THAT(Utf8FromAnsi(library.Description()), HasSubstr(build.Names)) << build.Folder;
    if (kProgramBits == 32) {
      EXPECT_EQ(library.CalleeRemovesArguments(), build.CalleeRemovesArguments) << build.Folder;
    } else {
      EXPECT_EQ(library.CalleeRemovesArguments(), std::nullopt) << build.Folder;
    }
  }
}
#endif

// What the clerk reads, in code page 936, when the library cannot be loaded.
std::string LoadError(const std::string& path) {
  try {
    DrevanLibrary library(path);
  } catch (const LibraryError& error) {
    return Utf8FromAnsi(error.what());
  }
  ADD_FAILURE() << "loaded " << path;
  return {};
}

TEST(DrevanLibraryLoading, AMissingLibraryOrOneOfTheOtherWidthIsNamedWithWhatToDo) {
  EXPECT_THAT(LoadError("/nonexistent/libdrevan.so"),
              AllOf(HasSubstr("找不到门锁发卡库 /nonexistent/libdrevan.so"),
                    HasSubstr("请把门锁厂商提供的 " + DynamicLibrary::FileName("drevan"))));

  // The header of a library of the other width: an ELF file's class, a PE file's machine.
  test::TempDir dir;
  std::string elf(
      "\x7f"
      "ELF",
      4);
  elf += kProgramBits == 64 ? '\x01' : '\x02';
  elf.resize(64, '\0');
  std::string pe(0x80, '\0');
  pe.replace(0, 2, "MZ");
  pe[0x3c] = 0x40;
  pe.replace(0x40, 4, std::string("PE\0\0", 4));
  pe[0x44] = kProgramBits == 64 ? '\x4c' : '\x64';
  pe[0x45] = kProgramBits == 64 ? '\x01' : '\x86';
  const std::string other = std::to_string(96 - kProgramBits) + " 位";
  const std::string own = std::to_string(kProgramBits) + " 位";
  for (const std::string& header : {elf, pe}) {
    const std::string path = dir.File("drevan-other-width");
    test::WriteFileBytes(path, header);
    EXPECT_THAT(LoadError(path), AllOf(HasSubstr(" 是 " + other + "的，而这个 keydesk 是 " + own),
                                       HasSubstr("请向门锁厂商要 " + own + "的 ")));
  }
  EXPECT_EQ(LibraryBits("not a library"), std::nullopt);
}

TEST(DrevanLibraryLoading, ALibraryWithoutTheFunctionsNamesTheMissingOne) {
#if defined(_WIN32)
  constexpr const char* kOtherLibrary = "kernel32.dll";
#else
  constexpr const char* kOtherLibrary = "libm.so.6";
#endif
  try {
    DrevanLibrary library(kOtherLibrary);
    FAIL() << "accepted a library without the card functions";
  } catch (const LibraryError& error) {
    EXPECT_THAT(error.what(), HasSubstr(kOtherLibrary));
    EXPECT_THAT(Utf8FromAnsi(error.what()),
                HasSubstr("里没有函数 SerialNo_FromNow（也没有 _SerialNo_FromNow@0 或 "
                          "SerialNo_FromNow@0）"));
  }
}

TEST(DrevanLibraryLoading, TheEnvironmentNamesAnotherLibrary) {
  unsetenv(DrevanLibrary::kPathVariable);
#if defined(_WIN32)
  EXPECT_EQ(DrevanLibrary::DefaultPath("C:\\keydesk"), "C:\\keydesk\\drevan.dll");
#else
  EXPECT_EQ(DrevanLibrary::DefaultPath("/opt/keydesk"), "/opt/keydesk/libdrevan.so");
#endif
  setenv(DrevanLibrary::kPathVariable, "/elsewhere/card.so", 1);
  EXPECT_EQ(DrevanLibrary::DefaultPath("/opt/keydesk"), "/elsewhere/card.so");
  unsetenv(DrevanLibrary::kPathVariable);
}

}  // namespace
}  // namespace keydesk
