// Hostile values in requests, against the real program: SQL in the fields the store keeps,
// markup and forbidden characters in values that responses carry, and path-like text. SQL
// must be stored as text and change nothing else, every response must stay one well-formed
// document, and nothing may be written outside the program's folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "core/access_log.h"
#include "fault_support.h"
#include "loopback_client.h"
#include "platform/clock.h"
#include "platform/field_file.h"
#include "server_process.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

using Rows = std::vector<std::vector<std::string>>;

// ---- SQL in the stored fields ----

TEST(SqlInjectionTest, SqlInARoomKeyOrGuestNameIsStoredAsTextAndChangesNothingElse) {
  test::TempDir dir;
  ASSERT_EQ(test::RunProgram({"--init-db", "--dir", dir.Path().string()}).status, 0);
  {
    test::TestDb db(dir.File("Client.mdb"));
    db.Exec(
        "insert into T_Room values('010101', '2020-01-01 10:00:00.000'),"
        "('010102', '2020-01-02 10:00:00.000')");
    db.Exec(
        "insert into T_IssueCardRecord(RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
        "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime) values('R1', '500', '010101', "
        "1, "
        "'2020-01-01 10:00:00.000', '2020-01-01 10:00:00.000', '2020-01-03 12:00:00.000', 0, "
        "'Alice', '2020-01-01 10:00:01.000')");
  }
  test::WriteOption(dir.Path().string(), "DoorlockOption", "UseNativeDoorlockDb", "1");
  test::WriteOption(dir.Path().string(), "DoorlockOption", "SaveDoorlockRecord", "1");
  test::ServerProcess server(dir.Path().string(), {},
                             {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
  const std::string dropRoom = "'); drop table T_Room; --";
  const std::string orTrue = "' or 1=1 --";
  const std::string deleteRows = "x'); delete from T_IssueCardRecord; --";
  auto issue = [&](const test::IssueFields& fields) {
    return test::Ask(server.Port(), test::IssueCardRequest(fields)).response;
  };
  // SQL in the building code, which only the room key carries (the card's room field holds six
  // characters), and in the guest name. With the record store a card starts now, so the
  // check-out lies ahead.
  const std::string out = test::kFutureCheckOut;
  EXPECT_EQ(issue({.building = dropRoom, .guest = orTrue, .checkOutDate = out}),
            test::DoorResponse("200", "发卡成功", 1));
  // The copy card finds the room by its exact key.
  EXPECT_EQ(issue({.building = dropRoom, .guest = deleteRows, .copy = "1", .checkOutDate = out}),
            test::DoorResponse("200", "发卡成功", 2));
  EXPECT_EQ(
      issue(
          {.registerId = orTrue, .floor = orTrue, .room = "01", .copy = "1", .checkOutDate = out}),
      test::DoorResponse("200", "发卡成功", 3));
  EXPECT_EQ(server.Stop(SIGTERM), 0);

  test::TestDb db(dir.File("Client.mdb"));
  EXPECT_EQ(db.Rows("select type, name from sqlite_master where type = 'table' order by name"),
            (Rows{{"table", "T_IssueCardRecord"}, {"table", "T_Room"}}));
  const Rows rooms = db.Rows("select RoomNo, LastCheckInTime from T_Room order by rowid");
  ASSERT_EQ(rooms.size(), 4u);
  EXPECT_EQ(rooms[0], (std::vector<std::string>{"010101", "2020-01-01 10:00:00.000"}));
  EXPECT_EQ(rooms[1], (std::vector<std::string>{"010102", "2020-01-02 10:00:00.000"}));
  EXPECT_EQ(rooms[2][0], dropRoom + "0208");
  EXPECT_EQ(rooms[3][0], "01" + orTrue + "01");
  const Rows cards = db.Rows(
      "select RegisterId, CardNo, RoomNo, GuestName, LastCheckInTime from T_IssueCardRecord "
      "order by rowid");
  ASSERT_EQ(cards.size(), 4u);
  EXPECT_EQ(cards[0],
            (std::vector<std::string>{"R1", "500", "010101", "Alice", "2020-01-01 10:00:00.000"}));
  EXPECT_EQ(cards[1],
            (std::vector<std::string>{"R0001", "1", dropRoom + "0208", orTrue, rooms[2][1]}));
  EXPECT_EQ(cards[2],
            (std::vector<std::string>{"R0001", "2", dropRoom + "0208", deleteRows, rooms[2][1]}));
  EXPECT_EQ(cards[3],
            (std::vector<std::string>{orTrue, "3", "01" + orTrue + "01", "王先生", rooms[3][1]}));
  EXPECT_THAT(test::LogOf(dir.Path()), ::testing::Contains("新建房间" + dropRoom + "0208"));
}

// ---- Markup and forbidden characters in values ----

// Every way a value can carry what would break a response: markup written as references,
// "]]>", a NUL and a control character as references and as an overlong UTF-8 form, and a
// lone lead byte of code page 936 right before markup.
const std::vector<std::string> kHostileValues = {"A&amp;B",
                                                 "&lt;/CardNo&gt;&lt;x&gt;",
                                                 "]]&gt;",
                                                 "a]]&gt;&lt;![CDATA[b",
                                                 "&quot;'&apos;",
                                                 "A&#0;B",
                                                 "A\xC0\x80"
                                                 "B",
                                                 "A&#1;&#27;B",
                                                 "&#200;&lt;x",
                                                 "&#129;",
                                                 "x&#38;y",
                                                 "王&amp;先生"};

// Checks one response: one well-formed document, exactly one NUL after it, read by our own
// reader as the root and fields named.
void ExpectWellFormed(const test::Exchange& exchange, const std::string& root,
                      const std::vector<std::string>& fields, const std::string& what) {
  ASSERT_TRUE(exchange.response.has_value()) << what;
  EXPECT_TRUE(exchange.closed) << what;
  EXPECT_EQ(exchange.after, "") << what << ": bytes after the NUL";
  EXPECT_EQ(test::XmlProblem(*exchange.response), "") << what << ": " << *exchange.response;
  const auto flat = test::ReadFlatXml(*exchange.response);
  ASSERT_TRUE(flat.has_value()) << what << ": " << *exchange.response;
  EXPECT_EQ(flat->root, root) << what;
  EXPECT_EQ(test::FieldNames(*flat), fields) << what << ": " << *exchange.response;
}

const std::vector<std::string> kDoorFields = {"RequestID", "ResultCode", "ResultMessage", "CardNo"};
const std::vector<std::string> kMemberFields = {"RequestID", "ResultCode", "ResultMessage",
                                                "CardNo",    "ExpireDate", "GuestName",
                                                "Score",     "Password"};
const std::vector<std::string> kHandFields = {"RequestID", "ResultCode", "ResultMessage", "HandNo"};

class EscapingTest : public ::testing::Test {
 protected:
  EscapingTest() {
    std::string error;
    EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
  }
  void Start(const std::string& kind, const std::string& portOption) {
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), std::vector<std::string>{"--kind", kind},
        std::map<std::string, std::string>{{"DREVAN_SIM_CARD", dir_.File("SimCard.txt")}},
        portOption);
  }
  test::Exchange Ask(const std::string& request) { return test::Ask(server_->Port(), request); }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

TEST_F(EscapingTest, DoorLockResponsesStayWellFormedWhateverTheRequestCarries) {
  test::WriteOption(dir_.Path().string(), "DoorlockOption", "SaveDoorlockRecord", "1");
  Start("1", "DoorlockPortNo");
  for (const std::string& value : kHostileValues) {
    const test::Exchange issued =
        Ask(test::IssueCardRequest({.registerId = value, .room = value, .guest = value}));
    ExpectWellFormed(issued, "DoorResponse", kDoorFields, "issue with " + value);
    ExpectWellFormed(Ask(test::kReadCardRequest), "DoorResponse", kDoorFields, "read");
  }
  ExpectWellFormed(Ask(test::kEraseCardRequest), "DoorResponse", kDoorFields, "erase");
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

std::string MemberWrite(const std::string& value) {
  return "<MemberRequest type=\"WriteMemberCard\"><Hotel>H1</Hotel><CardNo>" + value +
         "</CardNo><Name>" + value + "</Name><Password>" + value + "</Password><Expire>" + value +
         "</Expire></MemberRequest>";
}
const std::string kMemberRead =
    "<MemberRequest type=\"ReadMemberCard\"><Hotel>H1</Hotel><Flag>0</Flag></MemberRequest>";

TEST_F(EscapingTest, MemberCardResponsesStayWellFormedAndCarryTheValuesBack) {
  Start("3", "MemberPortNo");
  // Values that survive the trip, as the reader gives them back.
  const std::map<std::string, std::string> plain = {
      {"A&amp;B", "A&B"}, {"&lt;/CardNo&gt;&lt;x&gt;", "</CardNo><x>"},
      {"]]&gt;", "]]>"},  {"a]]&gt;&lt;![CDATA[b", "a]]><![CDATA[b"},
      {"x&#38;y", "x&y"}, {"王&amp;先生", "王&先生"}};
  for (const std::string& value : kHostileValues) {
    const test::Exchange written = Ask(MemberWrite(value));
    ExpectWellFormed(written, "DoorResponse", kMemberFields, "write with " + value);
    const test::Exchange read = Ask(kMemberRead);
    ExpectWellFormed(read, "DoorResponse", kMemberFields, "read of " + value);
    if (const auto known = plain.find(value); known != plain.end() && read.response) {
      const auto flat = test::ReadFlatXml(*read.response);
      ASSERT_TRUE(flat.has_value());
      EXPECT_EQ(flat->fields[3].second, known->second);  // CardNo
      EXPECT_EQ(flat->fields[5].second, known->second);  // GuestName
    }
  }
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(EscapingTest, HandTagResponsesStayWellFormedWhateverTheTagHolds) {
  Start("4", "HandPortNo");
  // The tag's number comes from the device, raw bytes of code page 936.
  const std::vector<std::string> numbers = {"]]>",
                                            "A&B<7></HandNo>",
                                            "\xC8<x",
                                            "A\x01"
                                            "B",
                                            "\x81",
                                            "a]]><![CDATA[b",
                                            std::string("A\0B", 3)};
  for (const std::string& number : numbers) {
    FieldRecord tag;
    tag.Set("HandNo", number);
    ASSERT_TRUE(FieldFile(dir_.File("SimHand.txt")).Write(tag));
    ExpectWellFormed(Ask("<HandRequest type=\"ReadHand\"/>"), "DoorResponse", kHandFields,
                     "hand number " + number);
  }
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

// ---- Nothing written outside the folder ----

// The files the program could write, in a folder: name, size and modification time.
std::map<std::string, std::pair<uintmax_t, int64_t>> ProgramFiles(const fs::path& folder) {
  std::map<std::string, std::pair<uintmax_t, int64_t>> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    // The simulated devices' files are left out: other tests' servers may keep theirs beside
    // the library.
    const bool programs =
        name == "Option.ini" || name == "Client.mdb" || entry.path().extension() == ".LOG";
    if (!programs || !entry.is_regular_file()) continue;
    files[name] = {entry.file_size(), entry.last_write_time().time_since_epoch().count()};
  }
  return files;
}

TEST(FolderConfinementTest, NothingIsWrittenOutsideTheFolderWhateverTheFieldsSay) {
  test::TempDir outer;
  const fs::path dir = outer.Path() / "dir";
  fs::create_directory(dir);
  const fs::path executableFolder = fs::path(test::kProgramPath).parent_path();
  const auto executablesBefore = ProgramFiles(executableFolder);
  std::string error;
  ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase((dir / "Client.mdb").string(), error));
  test::WriteOption(dir.string(), "DoorlockOption", "SaveDoorlockRecord", "1");
  test::WriteOption(dir.string(), "DoorlockOption", "UseNativeDoorlockDb", "1");

  const std::vector<std::string> paths = {"../../etc/x", "../escape", "/tmp/keydesk-escape", "..",
                                          "/",           "..\\..\\x", "dir/../../y"};
  struct Run {
    const char* kind;
    const char* portOption;
    std::vector<std::string> requests;
  };
  std::vector<Run> runs = {
      {"1", "DoorlockPortNo", {}}, {"3", "MemberPortNo", {}}, {"4", "HandPortNo", {}}};
  for (const std::string& path : paths) {
    runs[0].requests.push_back(test::IssueCardRequest(
        {.registerId = path, .building = path, .floor = path, .room = path, .guest = path}));
    runs[0].requests.push_back(
        test::IssueCardRequest({.registerId = path, .room = path, .guest = path, .copy = "1"}));
    runs[1].requests.push_back(MemberWrite(path));
    runs[1].requests.push_back("<MemberRequest type=\"PrintMemberCard\"><Hotel>" + path +
                               "</Hotel><CardNo>" + path + "</CardNo><Text>" + path +
                               "</Text></MemberRequest>");
    runs[2].requests.push_back("<HandRequest type=\"IssueHand\" file=\"" + path + "\"/>");
  }
  for (const Run& run : runs) {
    test::ServerProcess server(dir.string(), {"--kind", run.kind},
                               {{"DREVAN_SIM_CARD", (dir / "SimCard.txt").string()}},
                               run.portOption);
    const std::string options = test::ReadFileBytes((dir / "Option.ini").string());
    for (const std::string& request : run.requests) {
      EXPECT_TRUE(test::Ask(server.Port(), request).response.has_value()) << request;
    }
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    // The server reads its options and never writes them.
    EXPECT_EQ(test::ReadFileBytes((dir / "Option.ini").string()), options);
  }

  std::set<std::string> beside;
  for (const auto& entry : fs::directory_iterator(outer.Path())) {
    beside.insert(entry.path().filename().string());
  }
  EXPECT_THAT(beside, ElementsAre("dir"));
  EXPECT_EQ(ProgramFiles(executableFolder), executablesBefore);
  EXPECT_FALSE(fs::exists("/tmp/keydesk-escape"));
  EXPECT_FALSE(test::LogFileIn(dir).empty());
}

// ---- Who may connect ----

TEST(AllowedHostsSystemTest, OnlyTheAllowedHostGetsACardAndEveryOtherIsTracedInTheAccessLog) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  test::WriteOption(folder, "Network", "AllowedHosts", "127.0.0.1");
  test::ServerProcess server(folder, {}, {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});

  // A second host asks for room 0808's key: closed unanswered, before anything is read.
  test::LoopbackClient stranger(server.Port(), kLoopbackAddress + 1);
  stranger.SendFrame(test::IssueCardRequest({.registerId = "X", .floor = "08"}));
  EXPECT_TRUE(stranger.ClosedByServer());
  EXPECT_EQ(stranger.Unread(), "");
  EXPECT_FALSE(fs::exists(dir.File("SimCard.txt")));  // no card was cut

  EXPECT_EQ(test::Ask(server.Port(), test::IssueCardRequest()).response,
            test::DoorResponse("200", "发卡成功", 1));
  EXPECT_EQ(server.Stop(SIGTERM), 0);
  EXPECT_EQ(test::CountContaining(test::LogOf(dir.Path()), "收到消息"), 1u);
  const std::string access = test::ReadFileBytes(AccessLog::FileName(folder, SystemClock().Now()));
  EXPECT_THAT(access, ::testing::ContainsRegex(
                          " 127\\.0\\.0\\.2:[0-9]+ doorlock refused reason=not-allowed\r\n"));
  EXPECT_THAT(access, ::testing::ContainsRegex(
                          " 127\\.0\\.0\\.1:[0-9]+ doorlock request type=\"IssueCard\" "
                          "room=\"010208\" register=\"R0001\" result=\"200\" card=\"1\" "
                          "answered=yes ms=[0-9]+\r\n"));
  // Set, the allowed hosts leave no warning behind.
  EXPECT_THAT(server.Stderr(), Not(HasSubstr("AllowedHosts")));
}

std::string Utf16LeFile(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

TEST(AllowedHostsSystemTest, AreReadFromAnOptionFileSavedAsUnicodeOrWithCrLineEnds) {
  // Notepad's UTF-8 with its mark right before [Network], its "Unicode", and old Mac line ends.
  const std::string files[] = {"\xEF\xBB\xBF[Network]\r\nAllowedHosts=127.0.0.1\r\n",
                               Utf16LeFile("[Network]\r\nAllowedHosts=127.0.0.1\r\n"),
                               "[Network]\rAllowedHosts=127.0.0.1\r"};
  for (const std::string& file : files) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("Option.ini"), file);
    // Its port is written into the file as the file is: the start below finds it there.
    test::ServerProcess server(dir.Path().string(), {},
                               {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
    test::LoopbackClient stranger(server.Port(), kLoopbackAddress + 1);
    stranger.SendFrame(test::IssueCardRequest());
    EXPECT_TRUE(stranger.ClosedByServer());
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    EXPECT_EQ(test::ReadFileBytes(dir.File("Option.ini")).substr(0, 3), file.substr(0, 3));
  }
}

TEST(AllowedHostsSystemTest, WithoutThemTheStartSaysOnceThatAnyHostCanIssueCards) {
  test::TempDir dir;
  test::ServerProcess server(dir.Path().string(), {},
                             {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
  EXPECT_EQ(server.Stop(SIGTERM), 0);
  const std::string err = server.Stderr();
  EXPECT_THAT(err, HasSubstr("keydesk: 正在监听端口 " + std::to_string(server.Port()) +
                             "（本机所有地址）\n"));
  const std::string warning =
      "keydesk: 警告：没有设置允许连接的主机（系统设置的“允许连接的主机”，Option.ini [Network] "
      "AllowedHosts），"
      "网络上的任何主机都能发卡、读卡和注销卡\n";
  ASSERT_THAT(err, HasSubstr(warning));
  EXPECT_EQ(err.find(warning), err.rfind(warning));
}

TEST(AllowedHostsSystemTest, AnEntryThatCannotBeReadStopsTheStartInsteadOfAllowingAnyHost) {
  // The second has host bits set: the range 127.0.0.0/30 or the host 127.0.0.2?
  for (const std::string list : {"127.0.0.1, 10.0.0.0/33", "127.0.0.2/30"}) {
    test::TempDir dir;
    test::WriteOption(dir.Path().string(), "Network", "AllowedHosts", list);
    const test::ProgramResult result =
        test::RunProgram({"--headless", "--dir", dir.Path().string()},
                         {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("[Network] AllowedHosts 的值“" + list + "”无法读取"));
  }
}

TEST(AllowedHostsSystemTest, AnyOrARangeWiderThanASlash8IsWarnedOfAsNoListIs) {
  const std::map<std::string, std::string> warnings = {
      {"any", "（系统设置的“允许连接的主机”，Option.ini [Network] AllowedHosts）设为“any”，"},
      {"127.0.0.1, 0.0.0.0/0",
       "（系统设置的“允许连接的主机”，Option.ini [Network] AllowedHosts）中的“0.0.0.0/0”范围太宽"},
      {"10.0.0.0/7",
       "（系统设置的“允许连接的主机”，Option.ini [Network] "
       "AllowedHosts）中的“10.0.0.0/7”范围太宽（超过 /8）"}};
  for (const auto& [list, warning] : warnings) {
    SCOPED_TRACE(list);
    test::TempDir dir;
    test::WriteOption(dir.Path().string(), "Network", "AllowedHosts", list);
    test::ServerProcess server(dir.Path().string(), {},
                               {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
    EXPECT_EQ(server.Stop(SIGTERM), 0);
    EXPECT_THAT(server.Stderr(), HasSubstr("keydesk: 警告：允许连接的主机" + warning));
    EXPECT_THAT(server.Stderr(), HasSubstr("网络上的任何主机都能发卡、读卡和注销卡\n"));
  }
}

// --init-db on an empty folder, as the Debian package's first install runs it: this machine
// alone is served until the hotel names its PMS, and a host kept out is said at once.
TEST(AllowedHostsSystemTest, ANewInstallServesThisMachineOnlyAndSaysWhomItRefused) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  const test::ProgramResult created = test::RunProgram({"--init-db", "--dir", folder});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_THAT(created.err, HasSubstr("only this machine (127.0.0.1) may connect"));
  EXPECT_THAT(
      test::ReadFileBytes(dir.File("Option.ini")),
      ::testing::MatchesRegex("\\[Network\\]\r\n(;.*\r\n)?AllowedHosts=127\\.0\\.0\\.1\r\n"));
  // The administrator password will be written into it.
  EXPECT_EQ(fs::status(dir.File("Option.ini")).permissions() &
                (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
  // A file that is there is the site's: a second --init-db leaves it as it is.
  test::WriteOption(folder, "Network", "AllowedHosts", "127.0.0.1, 127.0.0.3");
  const std::string named = test::ReadFileBytes(dir.File("Option.ini"));
  EXPECT_EQ(test::RunProgram({"--init-db", "--dir", folder}).status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("Option.ini")), named);
  test::WriteOption(folder, "Network", "AllowedHosts", "127.0.0.1");

  test::ServerProcess server(folder, {}, {{"DREVAN_SIM_CARD", dir.File("SimCard.txt")}});
  for (int i = 0; i < 2; ++i) {
    test::LoopbackClient stranger(server.Port(), kLoopbackAddress + 1);
    stranger.SendFrame(test::kReadCardRequest);
    EXPECT_TRUE(stranger.ClosedByServer());
  }
  EXPECT_EQ(test::Ask(server.Port(), test::kReadCardRequest).response,
            test::DoorResponse("500", "读卡失败", 0));
  EXPECT_EQ(server.Stop(SIGTERM), 0);
  EXPECT_THAT(server.Stderr(), Not(HasSubstr("警告：")));
  // Once, at the host's first refusal.
  EXPECT_THAT(server.Stderr(),
              HasSubstr("keydesk: 拒绝了 127.0.0.2 的 1 次连接：不在允许的主机中\n"));
}

}  // namespace
}  // namespace keydesk
