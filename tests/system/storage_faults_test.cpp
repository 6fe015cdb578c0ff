// The program's folder and its database failing under a running server: the folder turns
// read-only, Client.mdb is deleted, locked by another process or holds garbage. The log
// loses lines silently, and every store operation that fails says so in the log. With the
// journal kept, no card is cut whose row cannot be written first: such an IssueCard is
// answered as failed with no card number, and the encoder is not touched; everything else
// is answered as the encoder decides.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "fault_support.h"
#include "server_process.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr const char* kSetpriv = "/usr/bin/setpriv";

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Bytes that no SQLite file starts with.
std::string Garbage(size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return "garbage, not a database" + bytes;
}

class StorageFaultsTest : public ::testing::Test {
 protected:
  void InitDb() {
    const auto created = test::RunProgram({"--init-db", "--dir", dir_.Path().string()});
    ASSERT_EQ(created.status, 0) << created.err;
  }

  void Option(const std::string& key, const std::string& value) {
    test::WriteOption(dir_.Path().string(), "DoorlockOption", key, value);
  }

  // The encoder's card lies in a folder of its own, so that a failing program folder fails
  // nothing but the program's own files.
  void Start(test::Launch launch = {}) {
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), std::vector<std::string>{},
        std::map<std::string, std::string>{{"DREVAN_SIM_CARD", sim_.File("SimCard.txt")}},
        "DoorlockPortNo", std::move(launch));
  }

  std::optional<std::string> Ask(const std::string& request) {
    const test::Exchange exchange = test::Ask(server_->Port(), request);
    EXPECT_TRUE(exchange.closed) << request;
    return exchange.response;
  }

  std::optional<std::string> Issue(const std::string& room, const std::string& copy = "False") {
    return Ask(test::IssueCardRequest(
        {.room = room, .copy = copy, .checkOutDate = test::kFutureCheckOut}));
  }

  std::vector<std::string> Log() const { return test::LogOf(dir_.Path()); }

  std::string DbFile() const { return dir_.File("Client.mdb"); }

  test::TempDir dir_;
  test::TempDir sim_;
  std::unique_ptr<test::ServerProcess> server_;
};

// ---- The folder turns read-only ----

// The real user id of a process, from /proc.
uid_t RealUid(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Uid:", 0) == 0) return static_cast<uid_t>(std::stoul(line.substr(4)));
  }
  return static_cast<uid_t>(-1);
}

// Makes the folder and everything in it the unprivileged user's.
void GiveToNobody(const fs::path& folder) {
  ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
  for (const auto& entry : fs::directory_iterator(folder)) {
    ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0);
  }
}

// The program and its card library, copied into a folder of their own that every user may
// enter: the folders above the build may be closed to other users (a clone in a private
// home folder).
class ReachableProgram {
 public:
  ReachableProgram() {
    fs::permissions(dir_.Path(), fs::perms(0755));
    for (const char* name : {"keydesk", "libdrevan.so"}) {
      fs::copy_file(fs::path(KEYDESK_BUILD_DIR) / name, dir_.Path() / name);
    }
  }
  std::string Program() const { return dir_.File("keydesk"); }

 private:
  test::TempDir dir_;
};

TEST_F(StorageFaultsTest, AReadOnlyFolderLosesLogLinesSilentlyWhileRequestsAreAnswered) {
  // Permission bits do not stop root, so a root test runs the server as nobody.
  const bool asRoot = ::geteuid() == 0;
  ASSERT_TRUE(!asRoot || fs::exists(kSetpriv)) << kSetpriv << " (util-linux) is missing";
  ReachableProgram program;
  test::Launch launch;
  if (asRoot) {
    launch.program = program.Program();
    launch.commandPrefix = {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  InitDb();
  Option("SaveDoorlockRecord", "1");
  if (asRoot) {
    GiveToNobody(dir_.Path());
    GiveToNobody(sim_.Path());
  }
  Start(launch);
  if (asRoot) {
    ASSERT_EQ(RealUid(server_->Pid()), kNobody) << "the server must not run as root here";
  }
  EXPECT_EQ(Issue("08"), test::DoorResponse("200", "发卡成功", 1));
  const std::string logFile = test::LogFileIn(dir_.Path());
  ASSERT_FALSE(logFile.empty());
  const auto logSize = fs::file_size(logFile);
  ASSERT_GT(logSize, 0u);
  const std::set<std::string> before = Names(dir_.Path());

  // Writable again whatever happens, so that the folder can be removed.
  struct Restore {
    const std::string folder, file;
    ~Restore() {
      ::chmod(folder.c_str(), 0755);
      ::chmod(file.c_str(), 0644);
    }
  } restore{dir_.Path().string(), logFile};
  ASSERT_EQ(::chmod(dir_.Path().c_str(), 0555), 0);
  ASSERT_EQ(::chmod(logFile.c_str(), 0444), 0);
  for (int card = 2; card <= 5; ++card) {
    EXPECT_EQ(Issue("08"), test::DoorResponse("200", "发卡成功", card));
    EXPECT_EQ(Ask(test::kReadCardRequest), test::DoorResponse("200", "读卡成功", card));
  }
  EXPECT_EQ(Ask(test::kEraseCardRequest), test::DoorResponse("200", "注销卡成功 ", 0));
  EXPECT_EQ(Ask("<DoorRequest type=\"ReadCard\">"), std::nullopt);  // its error line is lost too
  EXPECT_EQ(fs::file_size(logFile), logSize);
  EXPECT_EQ(Names(dir_.Path()), before);
  // Nobody reads the lost lines, so the operator is told: once, not once per line.
  EXPECT_EQ(test::CountOf(test::SplitLines(server_->Stderr()),
                          "keydesk: 警告：日志文件无法写入：" + logFile),
            1u);

  // Writable again: the next request's lines are there.
  ASSERT_EQ(::chmod(dir_.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(logFile.c_str(), 0644), 0);
  EXPECT_EQ(Ask(test::kReadCardRequest), test::DoorResponse("200", "读卡成功", 5));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_THAT(server_->Stderr(), ::testing::EndsWith("keydesk: 写入已恢复\n"));
  const auto log = Log();
  EXPECT_EQ(test::CountOf(log, "收到消息: "), 2u);
  EXPECT_EQ(log.back(), "完成一次操作");
}

// ---- Client.mdb fails ----

TEST_F(StorageFaultsTest, ADeletedDatabaseIsReportedByEveryOperationAndNotRecreated) {
  InitDb();
  Option("UseNativeDoorlockDb", "1");
  Option("SaveDoorlockRecord", "1");
  Start();
  EXPECT_EQ(Issue("08"), test::DoorResponse("200", "发卡成功", 1));
  EXPECT_EQ(test::CountContaining(Log(), "Client.mdb"), 0u);

  ASSERT_TRUE(fs::remove(DbFile()));
  // A copy card looks the room up, then cannot write its row: no card, and no room added.
  EXPECT_EQ(Issue("08", "1"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法写入，没有写卡"), 1u);
  // A normal card cannot write its row either.
  EXPECT_EQ(Issue("09"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法写入，没有写卡"), 2u);
  // The card on the encoder is still card 1; the journal cannot say what it is, and says so.
  EXPECT_EQ(Ask(test::kReadCardRequest), test::DoorResponse("200", "读卡成功", 1));
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法读取，不能核对此卡"), 1u);
  EXPECT_FALSE(fs::exists(DbFile()));
  const size_t failures = test::CountContaining(Log(), "Client.mdb");

  // A database put back is used by the next operation.
  InitDb();
  EXPECT_EQ(Issue("10"), test::DoorResponse("200", "发卡成功", 2));
  EXPECT_EQ(test::CountContaining(Log(), "Client.mdb"), failures);
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  // Failed operations, one warning for the operator; then one word that it is over.
  const auto err = test::SplitLines(server_->Stderr());
  EXPECT_EQ(test::CountContaining(err, "警告：发卡记录无法写入数据库："), 1u);
  EXPECT_EQ(err.back(), "keydesk: 写入已恢复");
  test::TestDb db(DbFile());
  EXPECT_EQ(db.Rows("select CardNo, RoomNo, IssueResult from T_IssueCardRecord"),
            (std::vector<std::vector<std::string>>{{"2", "010210", "成功"}}));
}

TEST_F(StorageFaultsTest, ADatabaseMovedAwayWhileServingKeepsEveryRowItWasGiven) {
  InitDb();
  Option("SaveDoorlockRecord", "1");
  Start();
  EXPECT_EQ(Issue("08"), test::DoorResponse("200", "发卡成功", 1));
  // Moved aside, as an operator taking a copy does: the rows committed so far go with it.
  fs::rename(DbFile(), dir_.File("Client.bak"));
  EXPECT_EQ(Issue("09"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法写入，没有写卡"), 1u);
  EXPECT_FALSE(fs::exists(DbFile()));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  test::TestDb moved(dir_.File("Client.bak"));
  EXPECT_EQ(moved.Rows("select CardNo from T_IssueCardRecord"),
            (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(StorageFaultsTest, ADatabaseLockedByAnotherProcessIsReportedAndUsedAgainWhenFreed) {
  InitDb();
  Option("UseNativeDoorlockDb", "1");
  Option("SaveDoorlockRecord", "1");
  Start();
  EXPECT_EQ(Issue("08"), test::DoorResponse("200", "发卡成功", 1));
  std::string roomTime;
  {
    test::TestDb reader(DbFile());
    roomTime = reader.Scalar("select LastCheckInTime from T_Room where RoomNo='010208'");
  }

  {
    test::TestDb locker(DbFile());
    locker.Exec("BEGIN EXCLUSIVE");
    // Each row waits out the store's busy timeout, then gives up with a logged error, and
    // its card is not cut; a client that needs no store is served meanwhile.
    std::optional<std::string> read;
    std::thread reader([&] { read = Ask(test::kReadCardRequest); });
    EXPECT_EQ(Issue("09"), test::DoorResponse("500", "发卡失败", 0));
    reader.join();
    EXPECT_EQ(read.has_value(), true);
    // A copy card can still read the room's time (readers are not locked out), but its
    // journal row is refused, and so is the card.
    EXPECT_EQ(Issue("08", "1"), test::DoorResponse("500", "发卡失败", 0));
    locker.Exec("ROLLBACK");
  }
  const size_t locked = test::CountContaining(Log(), "database is locked");
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法写入，没有写卡"), 2u);

  EXPECT_EQ(Issue("10"), test::DoorResponse("200", "发卡成功", 2));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(test::CountContaining(Log(), "database is locked"), locked);
  test::TestDb db(DbFile());
  EXPECT_EQ(db.Rows("select CardNo from T_IssueCardRecord order by rowid"),
            (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));
  // 09 never got its room; 08 kept the time of its normal card.
  const auto rooms = db.Rows("select RoomNo, LastCheckInTime from T_Room order by RoomNo");
  ASSERT_EQ(rooms.size(), 2u);
  EXPECT_EQ(rooms[0], (std::vector<std::string>{"010208", roomTime}));
  EXPECT_EQ(rooms[1][0], "010210");
}

TEST_F(StorageFaultsTest, AGarbageDatabaseIsReportedByEveryOperationAndLeftAsItIs) {
  const std::string garbage = Garbage(64 * 1024);
  WriteBytes(DbFile(), garbage);
  Option("UseNativeDoorlockDb", "1");
  Option("SaveDoorlockRecord", "1");
  Start();
  // Opening at start-up fails once, and the desk is warned before any card is cut.
  EXPECT_EQ(test::CountContaining(Log(), "file is not a database"), 1u);
  EXPECT_THAT(server_->Stderr(),
              ::testing::HasSubstr("keydesk: 警告：发卡记录无法写入数据库：数据库 " + DbFile() +
                                   " 不是数据库文件，或者已损坏（file is not a database）"));
  // No row, so no card: the encoder is never touched.
  EXPECT_EQ(Issue("08"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(Issue("08", "1"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法写入，没有写卡"), 2u);
  EXPECT_EQ(Ask(test::kReadCardRequest), test::DoorResponse("500", "读卡失败", 0));
  EXPECT_FALSE(fs::exists(sim_.File("SimCard.txt")));
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_TRUE(test::ReadFileBytes(DbFile()) == garbage) << "the store wrote into the garbage";
}

TEST_F(StorageFaultsTest, ADatabaseReplacedByGarbageWhileServingIsReportedAndNotWrittenTo) {
  InitDb();
  Option("SaveDoorlockRecord", "1");
  Start();
  EXPECT_EQ(Issue("08"), test::DoorResponse("200", "发卡成功", 1));

  // Another file under the name, as a bad restore from a backup leaves it.
  const std::string garbage = Garbage(64 * 1024);
  WriteBytes(DbFile() + ".restored", garbage);
  fs::rename(DbFile() + ".restored", DbFile());
  EXPECT_EQ(Issue("09"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(Issue("10"), test::DoorResponse("500", "发卡失败", 0));
  EXPECT_EQ(test::CountOf(Log(), "发卡记录无法写入，没有写卡"), 2u);
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_TRUE(test::ReadFileBytes(DbFile()) == garbage) << "the store wrote into the garbage";
}

// An Option.ini that is there but cannot be read would serve with every default (another
// port, the journal off): the start is refused instead, naming the file.
TEST_F(StorageFaultsTest, AnOptionFileThatCannotBeReadStopsTheStart) {
  fs::create_directory(dir_.File("Option.ini"));  // not readable as a file, even by root
  const test::ProgramResult run = test::RunProgram({"--headless", "--dir", dir_.Path().string()},
                                                   {{"DREVAN_SIM_CARD", sim_.File("SimCard.txt")}});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, ::testing::HasSubstr("无法读取 " + dir_.File("Option.ini")));
}

TEST_F(StorageFaultsTest, AnOptionFileThatIsNoTextStopsTheStartNamingTheLine) {
  // Saved as UTF-16 without the mark that would tell it: the defaults would serve instead.
  WriteBytes(dir_.File("Option.ini"), std::string("[\0S\0y\0s\0O\0p\0t\0i\0o\0n\0]\0", 22));
  const test::ProgramResult run = test::RunProgram({"--headless", "--dir", dir_.Path().string()},
                                                   {{"DREVAN_SIM_CARD", sim_.File("SimCard.txt")}});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "keydesk: 无法读取 " + dir_.File("Option.ini") +
                         "：第 1 行有 NUL 字节，不是文本；设置不能按默认值代替，keydesk 不启动\n");
  EXPECT_EQ(Names(dir_.Path()), (std::set<std::string>{"Option.ini", "keydesk-doorlock.lock"}));
}

}  // namespace
}  // namespace keydesk
