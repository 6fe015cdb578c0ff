// [Network] and [Log] KeepDays of Option.ini, and the allowed hosts they name: defaults that
// serve as before, and values that cannot be read refused at start, never taken as wider
// access.
#include "core/network_option.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/code_page.h"
#include "platform/errors.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::HasSubstr;

class NetworkOptionTest : public ::testing::Test {
 protected:
  NetworkOption Load(const std::string& content) {
    std::ofstream(path_, std::ios::binary) << content;
    return NetworkOption::Load(path_);
  }
  // The start-up error for the content, as UTF-8.
  std::string Refusal(const std::string& content) {
    try {
      Load(content);
    } catch (const Error& error) {
      return Utf8FromAnsi(error.what());
    }
    return "accepted";
  }

  test::TempDir dir_;
  std::string path_ = dir_.File("Option.ini");
};

TEST_F(NetworkOptionTest, WithoutTheKeysEveryHostIsServedWithinTheDefaultBounds) {
  for (const NetworkOption& option :
       {NetworkOption::Load(dir_.File("none.ini")), Load("[SysOption]\r\nWriteLog=1\r\n"),
        Load("[Network]\r\nAllowedHosts=\r\nListenAddress= \r\n")}) {
    EXPECT_FALSE(option.ListenAddress);
    EXPECT_TRUE(option.Allowed.AllowsAny());
    EXPECT_EQ(option.RequestTimeout, std::chrono::seconds(60));
    // A first request within a minute of the connect; kept connections wait without limit.
    EXPECT_EQ(option.FirstRequestTimeout, std::chrono::seconds(60));
    EXPECT_EQ(option.IdleTimeout, std::chrono::seconds(0));
    EXPECT_EQ(option.MaxConnections, 512);
    EXPECT_EQ(option.MaxConnectionsPerHost, 64);
    EXPECT_TRUE(option.AccessLog);
    EXPECT_EQ(option.KeepDays, 0);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("none.ini")));
}

TEST_F(NetworkOptionTest, ReadsEveryKey) {
  const NetworkOption option = Load(
      "[Network]\r\nListenAddress=192.168.1.5\r\nAllowedHosts=192.168.1.20, 10.1.0.0/24\r\n"
      "RequestTimeout=5\r\nIdleTimeout=$1E\r\nMaxConnections=0\r\nMaxConnectionsPerHost=2\r\n"
      "AccessLog=0\r\n[Log]\r\nKeepDays=30\r\n");
  EXPECT_EQ(option.ListenAddress, 0xC0A80105u);
  EXPECT_EQ(option.AllowedHostsText, "192.168.1.20, 10.1.0.0/24");
  EXPECT_EQ(option.RequestTimeout, std::chrono::seconds(5));
  EXPECT_EQ(option.IdleTimeout, std::chrono::seconds(30));
  EXPECT_EQ(option.FirstRequestTimeout, std::chrono::seconds(30));
  EXPECT_EQ(option.MaxConnections, 0);
  EXPECT_EQ(option.MaxConnectionsPerHost, 2);
  EXPECT_FALSE(option.AccessLog);
  EXPECT_EQ(option.KeepDays, 30);
}

TEST_F(NetworkOptionTest, AnIdleTimeoutOfZeroSetByHandLiftsTheFirstRequestsLimitToo) {
  const NetworkOption option = Load("[Network]\r\nIdleTimeout=0\r\n");
  EXPECT_EQ(option.FirstRequestTimeout, std::chrono::seconds(0));
  EXPECT_EQ(option.IdleTimeout, std::chrono::seconds(0));
}

TEST_F(NetworkOptionTest, AValueThatCannotBeReadIsRefusedNamingTheKeyAndTheValue) {
  EXPECT_THAT(Refusal("[Network]\r\nAllowedHosts=192.168.1.20, 10.1.0.300/24\r\n"),
              HasSubstr("[Network] AllowedHosts 的值“192.168.1.20, 10.1.0.300/24”无法读取："
                        "不是 IPv4 地址或地址范围：10.1.0.300/24"));
  EXPECT_THAT(Refusal("[Network]\r\nAllowedHosts=,\r\n"), HasSubstr("AllowedHosts"));
  EXPECT_THAT(Refusal("[Network]\r\nRequestTimeout=abc\r\n"),
              HasSubstr("[Network] RequestTimeout 的值“abc”无法读取"));
  EXPECT_THAT(Refusal("[Network]\r\nIdleTimeout=-1\r\n"), HasSubstr("IdleTimeout"));
  EXPECT_THAT(Refusal("[Network]\r\nMaxConnections=100001\r\n"), HasSubstr("MaxConnections"));
  EXPECT_THAT(Refusal("[Network]\r\nListenAddress=localhost\r\n"), HasSubstr("ListenAddress"));
  EXPECT_THAT(Refusal("[Network]\r\nAccessLog=yes\r\n"), HasSubstr("AccessLog"));
  EXPECT_THAT(Refusal("[Log]\r\nKeepDays=1.5\r\n"), HasSubstr("[Log] KeepDays"));
  // Which was meant, the range or the host? Neither is taken for the other.
  EXPECT_THAT(
      Refusal("[Network]\r\nAllowedHosts=127.0.0.1, 127.0.0.2/30\r\n"),
      HasSubstr("[Network] AllowedHosts 的值“127.0.0.1, 127.0.0.2/30”无法读取："
                "地址范围 127.0.0.2/30 的主机位不为零：范围应写作 127.0.0.0/30，一台主机只写 "
                "127.0.0.2"));
  // A list cut at the profile's length limit could end in a wider range than was written.
  EXPECT_THAT(Refusal("[Network]\r\nAllowedHosts=" + std::string(2100, ',') + "10.0.0.1\r\n"),
              HasSubstr("太长"));
}

TEST_F(NetworkOptionTest, AFileThatIsThereButCannotBeReadIsRefused) {
  std::filesystem::create_directory(path_);  // cannot be read as a file, even by root
  EXPECT_THROW(NetworkOption::Load(path_), Error);
}

TEST(AllowedHostsTest, AddressesAndRangesAllowExactlyTheirHosts) {
  const AllowedHosts hosts = AllowedHosts::Parse(" 192.168.1.20,10.1.0.0/24\t172.16.0.0/12,,");
  EXPECT_FALSE(hosts.AllowsAny());
  EXPECT_TRUE(hosts.Allows(*ParseIpv4("192.168.1.20")));
  EXPECT_FALSE(hosts.Allows(*ParseIpv4("192.168.1.21")));
  EXPECT_TRUE(hosts.Allows(*ParseIpv4("10.1.0.255")));
  EXPECT_FALSE(hosts.Allows(*ParseIpv4("10.1.1.0")));
  EXPECT_TRUE(hosts.Allows(*ParseIpv4("172.31.255.255")));
  EXPECT_FALSE(hosts.Allows(*ParseIpv4("127.0.0.1")));  // loopback is not allowed by itself
  EXPECT_EQ(hosts.WideEntry(), "");
  EXPECT_TRUE(AllowedHosts::Parse("").AllowsAny());
  EXPECT_TRUE(AllowedHosts::Parse("").Empty());
}

TEST(AllowedHostsTest, AnyAndRangesWiderThanASlash8AreNamedForTheWarning) {
  for (const char* list : {"any", "10.0.0.1, ANY", "0.0.0.0/0"}) {
    SCOPED_TRACE(list);
    const AllowedHosts hosts = AllowedHosts::Parse(list);
    EXPECT_FALSE(hosts.Empty());
    EXPECT_TRUE(hosts.AllowsAny());
    EXPECT_TRUE(hosts.Allows(*ParseIpv4("8.8.8.8")));
  }
  EXPECT_EQ(AllowedHosts::Parse("10.0.0.1, ANY").WideEntry(), "ANY");
  EXPECT_EQ(AllowedHosts::Parse("127.0.0.1 10.0.0.0/7").WideEntry(), "10.0.0.0/7");
  EXPECT_FALSE(AllowedHosts::Parse("10.0.0.0/7").AllowsAny());
  EXPECT_EQ(AllowedHosts::Parse("10.0.0.0/8").WideEntry(), "");
}

TEST(AllowedHostsTest, AnEntryThatIsNoAddressOrRangeOrHasHostBitsIsRefused) {
  for (const char* entry :
       {"10.1.0", "10.1.0.0/33", "10.1.0.0/", "010.1.0.1", "10.1.0.1.5", "+10.1.0.1", "10.1.0.0/08",
        "host.example", "anyhost", "10.1.0.7/24", "127.0.0.2/30", "127.0.0.2/0"}) {
    EXPECT_THROW(AllowedHosts::Parse(entry), Error) << entry;
  }
  EXPECT_EQ(Ipv4Text(*ParseIpv4("255.0.10.1")), "255.0.10.1");
}

}  // namespace
}  // namespace keydesk
