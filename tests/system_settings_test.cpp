#include "app/system_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "core/ipv4.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::HasSubstr;

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class SystemSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteWholeFile(file_, kOriginal); }

  std::vector<std::string> Entries(const SystemSettings& settings) const {
    std::vector<std::string> entries;
    for (const SettingField& field : settings.Fields()) entries.push_back(field.Value);
    return entries;
  }
  static size_t IndexOf(const SystemSettings& settings, std::string_view key) {
    for (size_t i = 0; i < settings.Fields().size(); ++i) {
      if (EntryName(settings.Fields()[i]) == key) return i;
    }
    ADD_FAILURE() << "no field " << key;
    return 0;
  }
  std::string File() const { return ReadWholeFile(file_).value_or("<unreadable>"); }

  // Written by hand: odd spacing, a hexadecimal delay and a comment that must survive.
  static constexpr const char* kOriginal =
      "; the desk's settings\r\n"
      "[SysOption]\r\n"
      "Password = secret\r\n"
      "DoorlockPortNo=9000\r\n"
      "[DoorlockOption]\r\n"
      "DelayMinutes=$1E\r\n"
      "[Network]\r\n"
      "AllowedHosts=192.168.1.0/24\r\n"
      "AccessLog=2\r\n";

  test::TempDir dir_;
  std::string file_ = dir_.File("Option.ini");
};

TEST_F(SystemSettingsTest, OpensWithWhatTheFileHoldsAndTheDefaults) {
  const SystemSettings settings(file_);
  auto value = [&](std::string_view key) {
    return settings.Fields()[IndexOf(settings, key)].Value;
  };
  EXPECT_EQ(value("DoorlockPortNo"), "9000");
  EXPECT_EQ(value("PolicePortNo"), "8885");
  EXPECT_EQ(value("WriteLog"), "1");
  EXPECT_EQ(value("DelayMinutes"), "30");
  EXPECT_EQ(value("AllowedHosts"), "192.168.1.0/24");
  EXPECT_EQ(value("RequestTimeout"), "60");
  EXPECT_EQ(value("IdleTimeout"), "");  // its own default, which no one number shows
  EXPECT_EQ(value("AccessLog"), "1");
}

TEST_F(SystemSettingsTest, AHostRefusedForNotBeingAllowedIsOfferedAndAddedWhenTicked) {
  using Refused = ServiceStatus::RefusedHosts;
  const std::vector<Refused> refused = {
      {*ParseIpv4("192.168.1.5"), ConnectionRefusal::NotAllowed, 9},  // allowed by the file now
      {*ParseIpv4("10.0.0.8"), ConnectionRefusal::TooManyFromHost, 7},
      {*ParseIpv4("10.0.0.9"), ConnectionRefusal::NotAllowed, 4},
  };
  SystemSettings settings(file_, refused);
  const size_t place = IndexOf(settings, "AllowRefusedHost");
  const SettingField& offer = settings.Fields()[place];
  // Among the network's fields, right after them.
  EXPECT_EQ(settings.Fields()[place - 1].Group, "网络与安全");
  EXPECT_EQ(settings.Fields()[place + 1].Group, "共享数据库");
  EXPECT_EQ(settings.Fields().size(), SystemSettings(file_).Fields().size() + 1);
  EXPECT_EQ(offer.Caption, "允许 10.0.0.9 连接（已拒绝 4 次）");
  EXPECT_EQ(offer.Kind, SettingKind::Switch);

  // Left unticked, it writes nothing.
  EXPECT_EQ(Utf8FromAnsi(settings.Save(Entries(settings))), "没有改动。");
  std::vector<std::string> entries = Entries(settings);
  entries[place] = "1";
  EXPECT_THAT(Utf8FromAnsi(settings.Save(entries)), HasSubstr("已保存：允许连接的主机"));
  EXPECT_THAT(File(), HasSubstr("AllowedHosts=192.168.1.0/24, 10.0.0.9\r\n"));
  // Allowed by the file now, it is offered no more.
  EXPECT_EQ(SystemSettings(file_, refused).Fields().size(), SystemSettings(file_).Fields().size());
}

TEST_F(SystemSettingsTest, NothingChangedWritesNothing) {
  SystemSettings settings(file_);
  EXPECT_EQ(Utf8FromAnsi(settings.Save(Entries(settings))), "没有改动。");
  EXPECT_EQ(File(), kOriginal);
}

TEST_F(SystemSettingsTest, WritesOnlyTheChangedKeysAndSaysTheyNeedARestart) {
  SystemSettings settings(file_);
  std::vector<std::string> entries = Entries(settings);
  entries[IndexOf(settings, "DoorlockPortNo")] = "9100";
  entries[IndexOf(settings, "WriteLog")] = "0";
  entries[IndexOf(settings, "MaxConnections")] = "40";
  const std::string told = Utf8FromAnsi(settings.Save(entries));
  // The port and the cap wait only for the listener; the log for the next start.
  EXPECT_THAT(told, HasSubstr("已保存：门锁接口端口、写日志、最多连接数（0：不限）。门锁接口端口、"
                              "最多连接数（0：不限） 在重新监听后生效，写日志 在重新启动 keydesk "
                              "后生效。"));
  EXPECT_TRUE(settings.ListenerChanged());
  const std::string file = File();
  EXPECT_THAT(file, HasSubstr("DoorlockPortNo=9100"));
  EXPECT_THAT(file, HasSubstr("WriteLog=0"));
  EXPECT_THAT(file, HasSubstr("MaxConnections=40"));
  // What was not changed stays as it was written, the hexadecimal delay too.
  EXPECT_THAT(file, HasSubstr("; the desk's settings"));
  EXPECT_THAT(file, HasSubstr("DelayMinutes=$1E"));
  EXPECT_THAT(file, ::testing::Not(HasSubstr("PolicePortNo")));
  EXPECT_EQ(SystemSettings(file_).Fields()[IndexOf(settings, "DoorlockPortNo")].Value, "9100");
}

TEST_F(SystemSettingsTest, ABadEntryIsRefusedByItsCaptionAndNothingIsWritten) {
  struct Case {
    const char* key;
    const char* entry;
    const char* named;
  };
  const Case cases[] = {
      {"DoorlockPortNo", "70000", "“门锁接口端口”应为 1 到 65535 的端口号，现在是“70000”。"},
      {"HandPortNo", "abc", "“手牌接口端口”"},
      {"DelayMinutes2", "-5", "“卡的结束时间延后（分钟）”"},
      {"SaveDoorlockRecord", "yes", "应为 1 或 0"},
      {"AllowedHosts", " , ", "“允许连接的主机（any 或空：任何主机）”"},
      {"AllowedHosts", "192.168.1.7/24", "主机位不为零"},
      {"ListenAddress", "010.1.0.5", "IPv4"},
      {"RequestTimeout", "90000", "86400"},
      {"Kind", "MySQL", "“发卡记录存在”应为 SQLite 或 PostgreSQL"},
      {"Connection.port", "70000", "“端口（空：5432）”应为 1 到 65535 的端口号，或空"},
      {"Connection.port", "65536", "应为 1 到 65535 的端口号，或空"},
      {"Connection.port", "0", "应为 1 到 65535 的端口号，或空"},
      {"Connection.host", "db\r\n[SysOption]", "不能含有控制字符"},
  };
  for (const Case& bad : cases) {
    SCOPED_TRACE(bad.key);
    SystemSettings settings(file_);
    std::vector<std::string> entries = Entries(settings);
    entries[IndexOf(settings, "PolicePortNo")] = "8000";  // a good change before the bad one
    entries[IndexOf(settings, bad.key)] = bad.entry;
    try {
      settings.Save(entries);
      ADD_FAILURE() << "accepted " << bad.entry;
    } catch (const Error& error) {
      EXPECT_THAT(Utf8FromAnsi(error.what()), HasSubstr(bad.named));
    }
    EXPECT_EQ(File(), kOriginal);
  }
}

TEST_F(SystemSettingsTest, OnlyAKeyTheListenerReadsAsksForTheListenerToStartAgain) {
  SystemSettings settings(file_);
  std::vector<std::string> entries = Entries(settings);
  entries[IndexOf(settings, "KeepDays")] = "30";
  EXPECT_THAT(Utf8FromAnsi(settings.Save(entries)),
              HasSubstr("。这些设置在重新启动 keydesk 后生效。"));
  EXPECT_FALSE(settings.ListenerChanged());
  entries[IndexOf(settings, "AllowedHosts")] = "192.168.1.0/24, 10.0.0.5";
  EXPECT_THAT(Utf8FromAnsi(settings.Save(entries)), HasSubstr("。这些设置在重新监听后生效。"));
  EXPECT_TRUE(settings.ListenerChanged());
}

TEST_F(SystemSettingsTest, TheListeningAddressIsOfferedFromThisComputersAddresses) {
  SystemSettings settings(file_, {}, {*ParseIpv4("127.0.0.1"), *ParseIpv4("192.168.7.20")});
  const SettingField& address = settings.Fields()[IndexOf(settings, "ListenAddress")];
  EXPECT_THAT(address.Choices, ::testing::ElementsAre("127.0.0.1", "192.168.7.20"));
  EXPECT_THAT(settings.Fields()[IndexOf(settings, "Kind")].Choices,
              ::testing::ElementsAre("SQLite", "PostgreSQL"));
}

// The shared store's connection string is shown and changed part by part; the rest of it, a
// password above all, stays as written and is never shown.
TEST_F(SystemSettingsTest, TheSharedStoreIsSetPartByPartAndItsPasswordNeverShown) {
  WriteWholeFile(file_,
                 "[Store]\r\nKind=PostgreSQL\r\n"
                 "Connection=host=db1 password='s3 cr\\'et' dbname=keydesk sslmode=require\r\n");
  SystemSettings settings(file_);
  for (const SettingField& field : settings.Fields()) {
    EXPECT_THAT(field.Value, ::testing::Not(HasSubstr("s3"))) << EntryName(field);
  }
  EXPECT_EQ(settings.Fields()[IndexOf(settings, "Connection.host")].Value, "db1");
  EXPECT_EQ(settings.Fields()[IndexOf(settings, "Connection.dbname")].Value, "keydesk");
  EXPECT_EQ(settings.Fields()[IndexOf(settings, "Connection.port")].Value, "");
  std::vector<std::string> entries = Entries(settings);
  entries[IndexOf(settings, "Connection.host")] = "db2.hotel.lan";
  entries[IndexOf(settings, "Connection.port")] = "5433";
  entries[IndexOf(settings, "Connection.user")] = "front desk";
  entries[IndexOf(settings, "Kind")] = "sqlite";
  EXPECT_THAT(Utf8FromAnsi(settings.Save(entries)),
              HasSubstr("已保存：发卡记录存在、服务器、端口（空：5432）、用户。"));
  EXPECT_FALSE(settings.ListenerChanged());
  EXPECT_EQ(File(),
            "[Store]\r\nKind=sqlite\r\n"
            "Connection=host=db2.hotel.lan password='s3 cr\\'et' dbname=keydesk sslmode=require "
            "port=5433 user='front desk'\r\n");

  // A URI is edited in Option.ini: no part of it is shown.
  WriteWholeFile(file_, "[Store]\r\nConnection=postgresql://desk:pw@db1/keydesk\r\n");
  const SystemSettings uri(file_);
  for (const SettingField& field : uri.Fields()) {
    EXPECT_TRUE(field.Part.empty()) << EntryName(field);
  }
}

TEST_F(SystemSettingsTest, AnOddValueLeftByHandDoesNotBlockOtherChanges) {
  WriteWholeFile(file_, "[DoorlockOption]\r\nDelayMinutes=-20\r\n");
  SystemSettings settings(file_);
  std::vector<std::string> entries = Entries(settings);
  entries[IndexOf(settings, "DoorlockPortNo")] = "9001";
  EXPECT_NO_THROW(settings.Save(entries));
  EXPECT_THAT(File(), HasSubstr("DelayMinutes=-20"));
}

}  // namespace
}  // namespace keydesk
