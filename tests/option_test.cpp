#include "doorlock/option.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/profile_file.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class DoorlockOptionTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string fileName_ = dir_.File("Option.ini");
};

TEST_F(DoorlockOptionTest, FileWithoutTheSectionGivesTheDefaults) {
  std::ofstream(fileName_, std::ios::binary) << "[SysOption]\r\nPassword=x\r\n";
  TOption option(fileName_);
  option.PortName = "changed";
  option.Load();
  EXPECT_EQ(option.PortName, "COM1");
  EXPECT_EQ(option.HotelPassword, "572604");
  EXPECT_EQ(option.LockTypeName, "IC");
  EXPECT_EQ(option.SectorNo, 0);
  EXPECT_EQ(option.PowerSwitchSectorNo, 0);
  EXPECT_EQ(option.PowerSwitchPassword, "");
  EXPECT_EQ(option.PowerSwitchTypeName, "");
  EXPECT_EQ(option.ClientID, 0u);
  EXPECT_EQ(option.PubDoor, "00000000");
  EXPECT_EQ(option.BeginAddr, 96);
  EXPECT_EQ(option.EndAddr, 97);
  EXPECT_EQ(option.MaxLiftAddr, 97);
  EXPECT_EQ(option.LiftData, "6000");
}

TEST_F(DoorlockOptionTest, SaveAndLoadRoundTripEveryValue) {
  TOption saved(fileName_);
  saved.PortName = "COM8";
  saved.HotelPassword = "123456";
  saved.LockTypeName = "RW-Z49A";
  saved.SectorNo = 12;
  saved.PowerSwitchSectorNo = -3;
  saved.PowerSwitchPassword = "FFFFFFFFFFFF";
  saved.PowerSwitchTypeName = "8601-6M-57BA";
  saved.ClientID = 4294967295u;
  saved.PubDoor = "10000001";
  saved.BeginAddr = 1;
  saved.EndAddr = -2;
  saved.MaxLiftAddr = 2147483647;
  saved.LiftData = "C300";
  saved.Save();

  TOption loaded(fileName_);
  loaded.Load();
  EXPECT_EQ(loaded.PortName, "COM8");
  EXPECT_EQ(loaded.HotelPassword, "123456");
  EXPECT_EQ(loaded.LockTypeName, "RW-Z49A");
  EXPECT_EQ(loaded.SectorNo, 12);
  EXPECT_EQ(loaded.PowerSwitchSectorNo, -3);
  EXPECT_EQ(loaded.PowerSwitchPassword, "FFFFFFFFFFFF");
  EXPECT_EQ(loaded.PowerSwitchTypeName, "8601-6M-57BA");
  EXPECT_EQ(loaded.ClientID, 4294967295u);
  EXPECT_EQ(loaded.PubDoor, "10000001");
  EXPECT_EQ(loaded.BeginAddr, 1);
  EXPECT_EQ(loaded.EndAddr, -2);
  EXPECT_EQ(loaded.MaxLiftAddr, 2147483647);
  EXPECT_EQ(loaded.LiftData, "C300");
}

TEST_F(DoorlockOptionTest, ClientIdIsStoredAsTheSignedFormOfItsBits) {
  TOption option(fileName_);
  option.ClientID = 4294967295u;
  option.Save();
  EXPECT_EQ(ProfileFile(fileName_).ReadString("DoorlockOption", "ClientID", "none"), "-1");
  option.ClientID = 2147483648u;
  option.Save();
  EXPECT_EQ(ProfileFile(fileName_).ReadString("DoorlockOption", "ClientID", "none"), "-2147483648");
}

TEST_F(DoorlockOptionTest, SaveWritesItsFourteenKeysInOrderAndKeepsTheSystemKeys) {
  std::ofstream(fileName_, std::ios::binary)
      << "[DoorlockOption]\r\nDelayMinutes=10\r\nSaveDoorlockRecord=1\r\n";
  TOption(fileName_).Save();
  const std::string content = ReadAll(fileName_);
  EXPECT_EQ(content,
            "[DoorlockOption]\r\nDelayMinutes=10\r\nSaveDoorlockRecord=1\r\n"
            "PortName=COM1\r\nHotelPassword=572604\r\nLockTypeName=IC\r\nSectorNo=0\r\n"
            "PowerSwitchSectorNo=0\r\nPowerSwitchPassword=\r\nClientID=0\r\n"
            "PubDoor=00000000\r\nPowerSwitchTypeName=\r\nBeginAddr=96\r\nEndAddr=97\r\n"
            "MaxLiftAddr=97\r\nLiftData=6000\r\nVerifyAfterWrite=1\r\n");
}

TEST_F(DoorlockOptionTest, MalformedIntegersGiveTheDefault) {
  std::ofstream(fileName_, std::ios::binary)
      << "[DoorlockOption]\r\nSectorNo=abc\r\nBeginAddr=$10\r\n"
         "EndAddr= 0x20 \r\nMaxLiftAddr=\r\nClientID=x\r\n";
  TOption option(fileName_);
  option.Load();
  EXPECT_EQ(option.SectorNo, 0);
  EXPECT_EQ(option.BeginAddr, 16);
  EXPECT_EQ(option.EndAddr, 32);
  EXPECT_EQ(option.MaxLiftAddr, 97);
  EXPECT_EQ(option.ClientID, 0u);
}

TEST(DoorlockOptionCodes, MapNamesExactlyAndUnknownNamesToZero) {
  TOption option;
  const std::pair<const char*, int> ports[] = {
      {"COM1", 1}, {"COM6", 6}, {"COM10", 10}, {"COM11", 0}, {"com1", 0}, {"", 0}, {"COM01", 0}};
  for (const auto& [name, code] : ports) {
    option.PortName = name;
    EXPECT_EQ(option.PortNo(), code) << name;
  }
  const std::pair<const char*, int> locks[] = {{"RW-21", 1}, {"RW-33", 2},   {"RW-26D", 3},
                                               {"RW-41", 4}, {"RW-Z49A", 5}, {"IC", 0},
                                               {"rw-21", 0}, {"RW-21 ", 0}};
  for (const auto& [name, code] : locks) {
    option.LockTypeName = name;
    EXPECT_EQ(option.LockTypeCode(), code) << name;
  }
  const std::pair<const char*, int> switches[] = {
      {"8602-1M-57BA", 1}, {"8601-6M-57BA", 2}, {"", 0}, {"8602-1m-57ba", 0}};
  for (const auto& [name, code] : switches) {
    option.PowerSwitchTypeName = name;
    EXPECT_EQ(option.PowerSwitchTypeCode(), code) << name;
  }
}

TEST(SharedDoorlockOption, ReadersAlwaysSeeAWholeSetOfOptions) {
  TOption first;
  first.PortName = "COM1";
  first.LiftData = "1111";
  TOption second;
  second.PortName = "COM2";
  second.LiftData = "2222";
  SharedOption shared(first);
  std::atomic<bool> torn{false};
  std::thread reader([&] {
    for (int i = 0; i < 20000; ++i) {
      const TOption seen = shared.Get();
      if ((seen.PortName == "COM1") != (seen.LiftData == "1111")) torn = true;
    }
  });
  for (int i = 0; i < 20000; ++i) shared.Set(i % 2 ? first : second);
  reader.join();
  EXPECT_FALSE(torn);
}

}  // namespace
}  // namespace keydesk
