#include "kinds/doorlock/option_entries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "platform/code_page.h"
#include "platform/errors.h"

namespace keydesk {
namespace {

auto Fields(const TOption& o) {
  return std::tie(o.FileName, o.PortName, o.HotelPassword, o.LockTypeName, o.SectorNo,
                  o.PowerSwitchSectorNo, o.PowerSwitchPassword, o.PowerSwitchTypeName, o.ClientID,
                  o.PubDoor, o.BeginAddr, o.EndAddr, o.MaxLiftAddr, o.LiftData);
}

TOption Configured() {
  TOption option("Option.ini");
  option.PortName = "COM8";
  option.HotelPassword = "572604";
  option.LockTypeName = "IC";
  option.SectorNo = -7;
  option.PowerSwitchSectorNo = 2147483647;
  option.PowerSwitchPassword = "FFFFFFFFFFFF";
  option.PowerSwitchTypeName = "8602-1M-57BA";
  option.ClientID = 4294967295u;
  option.PubDoor = "00000001";
  option.BeginAddr = 96;
  option.EndAddr = 97;
  option.MaxLiftAddr = 98;
  option.LiftData = "6000";
  return option;
}

TEST(OptionEntriesTest, ShowIntegersInDecimalAndTheClientIdUnsigned) {
  const TOptionEntries entries = EntriesFromOption(Configured());
  EXPECT_EQ(entries.PortName, "COM8");
  EXPECT_EQ(entries.LockTypeName, "IC");
  EXPECT_EQ(entries.SectorNo, "-7");
  EXPECT_EQ(entries.PowerSwitchSectorNo, "2147483647");
  EXPECT_EQ(entries.ClientID, "4294967295");
  EXPECT_EQ(entries.BeginAddr, "96");
  EXPECT_EQ(entries.EndAddr, "97");
  EXPECT_EQ(entries.MaxLiftAddr, "98");
  EXPECT_EQ(entries.LiftData, "6000");
}

TEST(OptionEntriesTest, TakingTheShownEntriesGivesTheSameOptions) {
  const TOption option = Configured();
  EXPECT_EQ(Fields(OptionFromEntries(TOption("Option.ini"), EntriesFromOption(option))),
            Fields(option));
}

TEST(OptionEntriesTest, TheClientIdIsReadAs64BitsKeepingTheLow32) {
  TOptionEntries entries = EntriesFromOption(TOption());
  entries.ClientID = "-1";
  EXPECT_EQ(OptionFromEntries(TOption(), entries).ClientID, 4294967295u);
  entries.ClientID = "4294967297";
  EXPECT_EQ(OptionFromEntries(TOption(), entries).ClientID, 1u);
  entries.ClientID = "0x10";
  EXPECT_EQ(OptionFromEntries(TOption(), entries).ClientID, 16u);
}

TEST(OptionEntriesTest, TextsAreTakenAsTyped) {
  TOptionEntries entries = EntriesFromOption(TOption());
  entries.HotelPassword = " a b ";
  entries.PubDoor = "123456789";
  entries.PortName = "";
  EXPECT_EQ(OptionFromEntries(TOption(), entries).HotelPassword, " a b ");
  EXPECT_EQ(OptionFromEntries(TOption(), entries).PubDoor, "123456789");
  EXPECT_EQ(OptionFromEntries(TOption(), entries).PortName, "");
}

struct IntegerEntry {
  const char* name;
  std::string TOptionEntries::*entry;
  const char* label;  // the field's label in the dialog
};

class OptionEntriesBadIntegerTest : public ::testing::TestWithParam<IntegerEntry> {};

TEST_P(OptionEntriesBadIntegerTest, RaisesTheSystemsMessageAndTakesNothing) {
  const TOption option = Configured();
  TOptionEntries entries = EntriesFromOption(TOption());
  entries.*GetParam().entry = "9x";
  TOption result = option;
  try {
    result = OptionFromEntries(option, entries);
    ADD_FAILURE() << "no error";
  } catch (const ConvertError& error) {
    // The system's text, then the field in Chinese.
    EXPECT_EQ(Utf8FromAnsi(error.what()), std::string("'9x' is not a valid integer value\n“") +
                                              GetParam().label + "”要填写整数，现在是“9x”。");
  }
  EXPECT_EQ(Fields(result), Fields(option));
}

INSTANTIATE_TEST_SUITE_P(
    EveryIntegerEntry, OptionEntriesBadIntegerTest,
    ::testing::Values(IntegerEntry{"BeginAddr", &TOptionEntries::BeginAddr, "电梯起始地址"},
                      IntegerEntry{"EndAddr", &TOptionEntries::EndAddr, "电梯结束地址"},
                      IntegerEntry{"MaxLiftAddr", &TOptionEntries::MaxLiftAddr, "所有电梯最大地址"},
                      IntegerEntry{"SectorNo", &TOptionEntries::SectorNo, "扇区号"},
                      IntegerEntry{"ClientID", &TOptionEntries::ClientID, "客户标识"},
                      IntegerEntry{"PowerSwitchSectorNo", &TOptionEntries::PowerSwitchSectorNo,
                                   "取电扇区号"}),
    [](const ::testing::TestParamInfo<IntegerEntry>& info) { return info.param.name; });

TEST(OptionEntriesTest, TheFirstBadIntegerInTheDialogsOrderIsReported) {
  TOptionEntries entries = EntriesFromOption(TOption());
  entries.PowerSwitchSectorNo = "p";
  entries.SectorNo = "s";
  entries.MaxLiftAddr = "m";
  EXPECT_THROW(
      {
        try {
          OptionFromEntries(TOption(), entries);
        } catch (const ConvertError& error) {
          EXPECT_THAT(error.what(), ::testing::StartsWith("'m' is not a valid integer value\n"));
          throw;
        }
      },
      ConvertError);
}

TEST(OptionEntriesTest, AnIntegerOutside32BitsIsNotAnInteger) {
  TOptionEntries entries = EntriesFromOption(TOption());
  entries.SectorNo = "2147483648";
  EXPECT_THROW(OptionFromEntries(TOption(), entries), ConvertError);
}

TEST(OptionEntriesTest, AListOpensOnTheStoredNameInAnyCaseOrOnNothing) {
  EXPECT_EQ(ListIndexOf(kLockTypeNames, "rw-z49a"), 4);
  EXPECT_EQ(ListIndexOf(kPortNames, "COM1"), 0);
  EXPECT_EQ(ListIndexOf(kPortNames, "COM8"), -1);
  EXPECT_EQ(ListIndexOf(kLockTypeNames, "IC"), -1);
  EXPECT_EQ(ListIndexOf(kPowerSwitchTypeNames, ""), -1);
}

}  // namespace
}  // namespace keydesk
