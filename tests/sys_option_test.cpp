#include "core/sys_option.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#if !defined(_WIN32)
#include "file_size_limit.h"
#endif
#include "platform/errors.h"
#include "platform/profile_file.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

#if !defined(_WIN32)
using test::FileSizeLimit;
#endif
using test::ReadFileBytes;
using test::WriteFileBytes;

void ExpectDefaults(const TSysOption& options) {
  EXPECT_EQ(options.Password, "tivrel");
  EXPECT_EQ(options.DoorlockPortNo, 8886);
  EXPECT_EQ(options.HandPortNo, 8886);
  EXPECT_EQ(options.PolicePortNo, 8885);
  EXPECT_EQ(options.MemberPortNo, 8883);
  EXPECT_EQ(options.ScanPortNo, 8881);
  EXPECT_TRUE(options.WriteLog);
  EXPECT_EQ(options.DelayMinutes, 0);
  EXPECT_EQ(options.DelayMinutes2, 0);
  EXPECT_FALSE(options.UseNativeDoorlockDb);
  EXPECT_FALSE(options.SaveDoorlockRecord);
  EXPECT_FALSE(options.AutoReadDoorCard);
  EXPECT_EQ(options.PmsServer, "127.0.0.1");
  EXPECT_EQ(options.PmsServerPort, 9873);
}

// Every key set, each to a value unlike its default and unlike the others.
constexpr std::string_view kAllKeys =
    "[SysOption]\r\n"
    "Password=admin\r\n"
    "DoorlockPortNo=7001\r\n"
    "HandPortNo=7002\r\n"
    "PolicePortNo=7003\r\n"
    "MemberPortNo=7004\r\n"
    "ScanPortNo=7005\r\n"
    "WriteLog=0\r\n"
    "[DoorlockOption]\r\n"
    "DelayMinutes=15\r\n"
    "DelayMinutes2=30\r\n"
    "UseNativeDoorlockDb=1\r\n"
    "SaveDoorlockRecord=1\r\n"
    "AutoReadDoorCard=1\r\n"
    "PmsServer=10.0.0.9\r\n"
    "PmsServerPort=7006\r\n";

class SysOptionTest : public ::testing::Test {
 protected:
  TSysOption Loaded(std::string_view content) {
    WriteFileBytes(path_, content);
    TSysOption options(path_);
    options.Load();
    return options;
  }

  test::TempDir dir_;
  std::string path_ = dir_.File("Option.ini");
};

// ---- Loading ----

using SysOptionLoadTest = SysOptionTest;

TEST_F(SysOptionLoadTest, ConstructorStoresPathAndReadsNothing) {
  WriteFileBytes(path_, kAllKeys);
  TSysOption options(path_);
  EXPECT_EQ(options.FileName, path_);
  ExpectDefaults(options);
}

TEST_F(SysOptionLoadTest, NoFileGivesDefaultsAndCreatesNoFile) {
  TSysOption options(path_);
  options.Load();
  ExpectDefaults(options);
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
}

TEST_F(SysOptionLoadTest, FileWithoutOurSectionsGivesDefaults) {
  ExpectDefaults(Loaded("[Other]\r\nPassword=x\r\nDoorlockPortNo=1\r\n"));
}

TEST_F(SysOptionLoadTest, EveryKeyIsReadIntoItsOwnField) {
  const TSysOption options = Loaded(kAllKeys);
  EXPECT_EQ(options.Password, "admin");
  EXPECT_EQ(options.DoorlockPortNo, 7001);
  EXPECT_EQ(options.HandPortNo, 7002);
  EXPECT_EQ(options.PolicePortNo, 7003);
  EXPECT_EQ(options.MemberPortNo, 7004);
  EXPECT_EQ(options.ScanPortNo, 7005);
  EXPECT_FALSE(options.WriteLog);
  EXPECT_EQ(options.DelayMinutes, 15);
  EXPECT_EQ(options.DelayMinutes2, 30);
  EXPECT_TRUE(options.UseNativeDoorlockDb);
  EXPECT_TRUE(options.SaveDoorlockRecord);
  EXPECT_TRUE(options.AutoReadDoorCard);
  EXPECT_EQ(options.PmsServer, "10.0.0.9");
  EXPECT_EQ(options.PmsServerPort, 7006);
}

TEST_F(SysOptionLoadTest, KeysAreReadOnlyFromTheirOwnSection) {
  const TSysOption options = Loaded(
      "[SysOption]\r\nDelayMinutes=15\r\nPmsServer=10.0.0.9\r\n"
      "[DoorlockOption]\r\nPassword=admin\r\nDoorlockPortNo=7001\r\nWriteLog=0\r\n");
  ExpectDefaults(options);
}

TEST_F(SysOptionLoadTest, HexadecimalIntegers) {
  const TSysOption options = Loaded(
      "[SysOption]\r\nDoorlockPortNo=0x22B6\r\nHandPortNo=$22B7\r\nPolicePortNo=0X22b6\r\n"
      "MemberPortNo=$22b6\r\n[DoorlockOption]\r\nDelayMinutes=-$A\r\n");
  EXPECT_EQ(options.DoorlockPortNo, 8886);
  EXPECT_EQ(options.HandPortNo, 8887);
  EXPECT_EQ(options.PolicePortNo, 8886);
  EXPECT_EQ(options.MemberPortNo, 8886);
  EXPECT_EQ(options.DelayMinutes, -10);
}

TEST_F(SysOptionLoadTest, BlanksAroundHandEditedValues) {
  const TSysOption options =
      Loaded("[SysOption]\r\nDoorlockPortNo = 8887\r\n  Password =  admin \r\n");
  EXPECT_EQ(options.DoorlockPortNo, 8887);
  EXPECT_EQ(options.Password, "admin");
}

TEST_F(SysOptionLoadTest, IntegerThatIsNotANumberGivesDefault) {
  const TSysOption options = Loaded(
      "[SysOption]\r\nDoorlockPortNo=abc\r\nHandPortNo=12abc\r\nPolicePortNo=\r\n"
      "MemberPortNo=99999999999\r\nScanPortNo=0x\r\n"
      "[DoorlockOption]\r\nDelayMinutes=1.5\r\nPmsServerPort=$\r\n");
  EXPECT_EQ(options.DoorlockPortNo, 8886);
  EXPECT_EQ(options.HandPortNo, 8886);
  EXPECT_EQ(options.PolicePortNo, 8885);
  EXPECT_EQ(options.MemberPortNo, 8883);
  EXPECT_EQ(options.ScanPortNo, 8881);
  EXPECT_EQ(options.DelayMinutes, 0);
  EXPECT_EQ(options.PmsServerPort, 9873);
}

TEST_F(SysOptionLoadTest, ValuesAreTakenWithoutValidation) {
  const TSysOption options = Loaded(
      "[SysOption]\r\nDoorlockPortNo=70000\r\nHandPortNo=-1\r\n"
      "[DoorlockOption]\r\nDelayMinutes=-5\r\nDelayMinutes2=100000\r\n");
  EXPECT_EQ(options.DoorlockPortNo, 70000);
  EXPECT_EQ(options.HandPortNo, -1);
  EXPECT_EQ(options.DelayMinutes, -5);
  EXPECT_EQ(options.DelayMinutes2, 100000);
}

TEST_F(SysOptionLoadTest, PresentEmptyTextIsEmptyNotDefault) {
  const TSysOption options =
      Loaded("[SysOption]\r\nPassword=\r\n[DoorlockOption]\r\nPmsServer=\r\n");
  EXPECT_EQ(options.Password, "");
  EXPECT_EQ(options.PmsServer, "");
}

// ---- Booleans ----

struct BooleanCase {
  const char* stored;  // nullptr: key absent
  bool writeLog;
  bool useNativeDoorlockDb;
};

class SysOptionBooleanTest : public SysOptionTest,
                             public ::testing::WithParamInterface<BooleanCase> {};

TEST_P(SysOptionBooleanTest, ReadAsIntegerAnythingButZeroIsTrue) {
  const BooleanCase& c = GetParam();
  std::string content = "[SysOption]\r\n";
  if (c.stored) content += std::string("WriteLog=") + c.stored + "\r\n";
  content += "[DoorlockOption]\r\n";
  if (c.stored) content += std::string("UseNativeDoorlockDb=") + c.stored + "\r\n";
  const TSysOption options = Loaded(content);
  EXPECT_EQ(options.WriteLog, c.writeLog);
  EXPECT_EQ(options.UseNativeDoorlockDb, c.useNativeDoorlockDb);
}

INSTANTIATE_TEST_SUITE_P(
    SysOptionValues, SysOptionBooleanTest,
    ::testing::Values(BooleanCase{nullptr, true, false}, BooleanCase{"1", true, true},
                      BooleanCase{"2", true, true}, BooleanCase{"-1", true, true},
                      BooleanCase{"0x10", true, true}, BooleanCase{"0", false, false},
                      BooleanCase{"$0", false, false}, BooleanCase{"", true, false},
                      BooleanCase{"yes", true, false}));

// ---- Saving ----

using SysOptionSaveTest = SysOptionTest;

TEST_F(SysOptionSaveTest, PasswordChangeWritesAllKeysWithDefaults) {
  TSysOption options(path_);
  options.Load();
  options.Password = "new";
  options.Save();
  EXPECT_EQ(ReadFileBytes(path_),
            "[SysOption]\r\n"
            "Password=new\r\n"
            "DoorlockPortNo=8886\r\n"
            "HandPortNo=8886\r\n"
            "PolicePortNo=8885\r\n"
            "MemberPortNo=8883\r\n"
            "ScanPortNo=8881\r\n"
            "WriteLog=1\r\n"
            "[DoorlockOption]\r\n"
            "DelayMinutes=0\r\n"
            "DelayMinutes2=0\r\n"
            "UseNativeDoorlockDb=0\r\n"
            "SaveDoorlockRecord=0\r\n"
            "AutoReadDoorCard=0\r\n"
            "PmsServer=127.0.0.1\r\n"
            "PmsServerPort=9873\r\n");
}

TEST_F(SysOptionSaveTest, PasswordChangeKeepsLoadedValuesAndOtherContent) {
  const std::string before =
      "; site settings\r\n"
      "[SysOption]\r\n"
      "DoorlockPortNo = 0x22B7\r\n"
      "WriteLog=2\r\n"
      "Password=old\r\n"
      "Extra=kept\r\n"
      "\r\n"
      "[DoorlockOption]\r\n"
      "PortName=COM3\r\n"
      "LiftData=C300\r\n"
      "ClientID=-1\r\n"
      "DelayMinutes=-5\r\n"
      "UseNativeDoorlockDb=7\r\n"
      "PmsServer=\r\n"
      "\r\n"
      "[Unknown]\r\n"
      "Key=\xC4\xE3\xBA\xC3\n";
  TSysOption options = Loaded(before);
  options.Password = "new";
  options.Save();
  EXPECT_EQ(ReadFileBytes(path_),
            "; site settings\r\n"
            "[SysOption]\r\n"
            "DoorlockPortNo=8887\r\n"
            "WriteLog=1\r\n"
            "Password=new\r\n"
            "Extra=kept\r\n"
            "HandPortNo=8886\r\n"
            "PolicePortNo=8885\r\n"
            "MemberPortNo=8883\r\n"
            "ScanPortNo=8881\r\n"
            "\r\n"
            "[DoorlockOption]\r\n"
            "PortName=COM3\r\n"
            "LiftData=C300\r\n"
            "ClientID=-1\r\n"
            "DelayMinutes=-5\r\n"
            "UseNativeDoorlockDb=1\r\n"
            "PmsServer=\r\n"
            "DelayMinutes2=0\r\n"
            "SaveDoorlockRecord=0\r\n"
            "AutoReadDoorCard=0\r\n"
            "PmsServerPort=9873\r\n"
            "\r\n"
            "[Unknown]\r\n"
            "Key=\xC4\xE3\xBA\xC3\n");
}

TEST_F(SysOptionSaveTest, SavedValuesLoadBackUnchanged) {
  TSysOption saved = Loaded(kAllKeys);
  saved.Password = "\xC3\xDC\xC2\xEB 2";
  saved.DelayMinutes = -5;
  saved.Save();
  TSysOption loaded(path_);
  loaded.Load();
  EXPECT_EQ(loaded.Password, saved.Password);
  EXPECT_EQ(loaded.DoorlockPortNo, 7001);
  EXPECT_EQ(loaded.HandPortNo, 7002);
  EXPECT_EQ(loaded.PolicePortNo, 7003);
  EXPECT_EQ(loaded.MemberPortNo, 7004);
  EXPECT_EQ(loaded.ScanPortNo, 7005);
  EXPECT_FALSE(loaded.WriteLog);
  EXPECT_EQ(loaded.DelayMinutes, -5);
  EXPECT_EQ(loaded.DelayMinutes2, 30);
  EXPECT_TRUE(loaded.UseNativeDoorlockDb);
  EXPECT_TRUE(loaded.SaveDoorlockRecord);
  EXPECT_TRUE(loaded.AutoReadDoorCard);
  EXPECT_EQ(loaded.PmsServer, "10.0.0.9");
  EXPECT_EQ(loaded.PmsServerPort, 7006);
}

TEST_F(SysOptionSaveTest, DoorlockOptionKeysAreLeftToTheirOwner) {
  WriteFileBytes(path_, "[DoorlockOption]\r\nPortName=COM3\r\nLiftData=C300\r\n");
  TSysOption options(path_);
  options.Load();
  options.Save();
  const ProfileFile file(path_);
  EXPECT_EQ(file.ReadString("DoorlockOption", "PortName", ""), "COM3");
  EXPECT_EQ(file.ReadString("DoorlockOption", "LiftData", ""), "C300");
  EXPECT_EQ(file.ReadString("DoorlockOption", "HotelPassword", "<absent>"), "<absent>");
  EXPECT_EQ(file.ReadString("DoorlockOption", "SectorNo", "<absent>"), "<absent>");
}

TEST_F(SysOptionSaveTest, MissingFolderRaisesUnableToWrite) {
  const std::string path = dir_.File("missing/Option.ini");
  TSysOption options(path);
  try {
    options.Save();
    FAIL() << "no error raised";
  } catch (const IoError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
}

TEST_F(SysOptionSaveTest, ParentThatIsAFileRaisesUnableToWrite) {
  WriteFileBytes(dir_.File("plain"), "x");
  const std::string path = dir_.File("plain/Option.ini");
  TSysOption options(path);
  try {
    options.Save();
    FAIL() << "no error raised";
  } catch (const IoError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(ReadFileBytes(dir_.File("plain")), "x");
}

#if !defined(_WIN32)  // a file-size limit
TEST_F(SysOptionSaveTest, FailureStopsSaveWithEarlierKeysWritten) {
  TSysOption options(path_);
  options.Password = "new";
  {
    // Room for the first few keys only.
    FileSizeLimit limit(100);
    EXPECT_THROW(options.Save(), IoError);
  }
  const std::string written = ReadFileBytes(path_);
  EXPECT_LE(written.size(), 100u);
  EXPECT_EQ(written.rfind("[SysOption]\r\nPassword=new\r\nDoorlockPortNo=8886\r\n", 0), 0u)
      << written;
  EXPECT_EQ(written.find("WriteLog"), std::string::npos) << written;
  EXPECT_EQ(written.back(), '\n');
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()),
                          std::filesystem::directory_iterator()),
            1);
}
#endif

}  // namespace
}  // namespace keydesk
