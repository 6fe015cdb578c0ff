#include "core/log_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "core/log_retention.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::FixedClock;
using test::MakeDateTime;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class LogFileTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  TSysOption options_{dir_.File("Option.ini")};
  FixedClock clock_{MakeDateTime(2008, 10, 15, 14, 3, 9)};
  std::string fileName_ = TLogFile::DailyFileName(dir_.Path().string(), clock_.Now());
};

TEST_F(LogFileTest, NamesTheFileAfterTheStartDay) {
  EXPECT_EQ(fileName_, dir_.File("20081015.LOG"));
#if defined(_WIN32)
  EXPECT_EQ(TLogFile::DailyFileName("D:\\keydesk", MakeDateTime(2026, 1, 2)),
            "D:\\keydesk\\20260102.LOG");
#else
  EXPECT_EQ(TLogFile::DailyFileName("/srv/keydesk", MakeDateTime(2026, 1, 2)),
            "/srv/keydesk/20260102.LOG");
#endif
}

TEST_F(LogFileTest, WritesStampedLinesEndedByCrLf) {
  TLogFile log(fileName_, options_, clock_);
  log.Write("first");
  clock_.Set(MakeDateTime(2008, 10, 15, 14, 3, 10));
  log.Write(AnsiFromUtf8("完成一次操作"));
  EXPECT_EQ(ReadAll(fileName_), "2008-10-15 14:03:09 first\r\n2008-10-15 14:03:10 " +
                                    AnsiFromUtf8("完成一次操作") + "\r\n");
}

TEST_F(LogFileTest, MessageWithLineBreaksContinuesOnUnstampedLines) {
  TLogFile log(fileName_, options_, clock_);
  const std::string message = AnsiFromUtf8("收到消息: ") + "\r\n<DoorRequest type=\"ReadCard\"/>";
  log.Write(message);
  EXPECT_EQ(ReadAll(fileName_), "2008-10-15 14:03:09 " + message + "\r\n");
}

// A request's own line breaks cannot put a line into the file that looks like one of ours:
// a continuation line beginning with a digit gets a blank in front.
TEST_F(LogFileTest, ARequestsLineBreaksCannotForgeAStampedLine) {
  TLogFile log(fileName_, options_, clock_);
  log.Write("<DoorRequest type=\"ReadCard\"/>\r\n2026-12-09 19:00:00 " +
            AnsiFromUtf8("房间(0808)发卡成功"));
  log.Write(AnsiFromUtf8("房间(") + "\r\n2026-12-09 19:00:00 x\n9\r8" + AnsiFromUtf8(")发卡成功"));
  const std::string file = ReadAll(fileName_);
  EXPECT_EQ(file, "2008-10-15 14:03:09 <DoorRequest type=\"ReadCard\"/>\r\n 2026-12-09 19:00:00 " +
                      AnsiFromUtf8("房间(0808)发卡成功") + "\r\n2008-10-15 14:03:09 " +
                      AnsiFromUtf8("房间(") + "\r\n 2026-12-09 19:00:00 x\n 9\r 8" +
                      AnsiFromUtf8(")发卡成功") + "\r\n");
  // Every line of the file that begins with a digit is one of ours.
  const std::regex stamped("^2008-10-15 14:03:09 ");
  std::istringstream lines(file);
  for (std::string line; std::getline(lines, line, '\n');) {
    for (std::string part; !line.empty();) {
      const size_t cr = line.find('\r');
      part = line.substr(0, cr);
      line = cr == std::string::npos ? "" : line.substr(cr + 1);
      if (!part.empty() && part[0] >= '0' && part[0] <= '9') {
        EXPECT_TRUE(std::regex_search(part, stamped)) << part;
      }
    }
  }
}

// What a request brings to the log is bounded: its text cut at 4 KiB with its length, and
// once the file holds the day's budget, left out, said once in the file and to the status.
TEST_F(LogFileTest, RequestTextsAreCutAndLeftOutPastTheDaysBudget) {
  ServiceStatus status;
  TLogFile log(fileName_, options_, clock_, RealFileSystem(), &status, nullptr, 128 * 1024);
  const std::string small = "<DoorRequest type=\"ReadCard\"/>";
  EXPECT_EQ(log.RequestText(small), small);
  // A two-byte character across the cut is not split.
  const std::string big = std::string(TLogFile::kRequestTextBytes - 1, 'a') + AnsiFromUtf8("房") +
                          std::string(12000, 'b');
  EXPECT_EQ(log.RequestText(big),
            std::string(TLogFile::kRequestTextBytes - 1, 'a') +
                AnsiFromUtf8("…（共 " + std::to_string(big.size()) + " 字节）"));
  for (int i = 0; i < 20; ++i) log.Write(log.RequestText(big));
  EXPECT_FALSE(status.Get().LogOverBudget.has_value());
  const auto size = std::filesystem::file_size(fileName_);
  for (int i = 0; i < 20; ++i) log.Write(log.RequestText(big));
  EXPECT_EQ(Utf8FromAnsi(log.RequestText(big)),
            "（请求内容没有写入，共 " + std::to_string(big.size()) + " 字节）");
  EXPECT_LT(std::filesystem::file_size(fileName_), size + 20 * 4200);
  const std::string file = ReadAll(fileName_);
  const std::string warning =
      AnsiFromUtf8("今天的日志已达 0 MB 的上限：此后请求的内容不再写入日志");
  EXPECT_NE(file.find(warning), std::string::npos);
  EXPECT_EQ(file.find(warning), file.rfind(warning)) << "said once";
  EXPECT_EQ(status.Get().LogOverBudget, warning);
}

TEST_F(LogFileTest, ANulOrAByteThatBeginsNoCharacterIsWrittenAsAQuestionMark) {
  TLogFile log(fileName_, options_, clock_);
  // What a request's numeric references (&#0;, &#129;) put into a room number.
  const std::string room("08\0\x81", 4);
  const std::vector<std::string> lines = {AnsiFromUtf8("房间(") + room + AnsiFromUtf8(")发卡成功")};
  log.WriteLines(lines);
  EXPECT_EQ(ReadAll(fileName_),
            "2008-10-15 14:03:09 " + AnsiFromUtf8("房间(08??)发卡成功") + "\r\n");
  EXPECT_TRUE(IsReadableAnsi(ReadAll(fileName_)));
}

TEST_F(LogFileTest, OldDailyAndAccessLogsGoAtTheFirstWriteOfADay) {
  const std::string folder = dir_.Path().string();
  // Written to a month ago, but for one that another keydesk of the folder still writes to.
  const auto written = [this](const char* name, bool lately = false) {
    std::ofstream(dir_.File(name)) << "log";
    if (!lately) {
      std::filesystem::last_write_time(
          dir_.File(name), std::filesystem::file_time_type::clock::now() - std::chrono::hours(720));
    }
  };
  for (const char* name : {"20081011.LOG", "20081012.LOG", "20081013.LOG", "Access20081012.log",
                           "Access20081013.log", "20081001.txt", "notes.LOG", "20081399.LOG"}) {
    written(name);
  }
  written("20081010.LOG", /*lately=*/true);
  // Two days kept: on the 15th, the 13th and 14th stay. A run started on the 12th still
  // writes to its start day's file, which stays too.
  const std::string running = dir_.File("20081012.LOG");
  LogRetention retention(folder, 2, running);
  TLogFile log(running, options_, clock_, RealFileSystem(), nullptr, &retention);
  log.Write("on the 15th");
  for (const char* gone : {"20081011.LOG", "Access20081012.log"}) {
    EXPECT_FALSE(std::filesystem::exists(dir_.File(gone))) << gone;
  }
  for (const char* kept : {"20081010.LOG", "20081012.LOG", "20081013.LOG", "Access20081013.log",
                           "20081001.txt", "notes.LOG", "20081399.LOG"}) {
    EXPECT_TRUE(std::filesystem::exists(dir_.File(kept))) << kept;
  }
  // Once a day: a log put back meanwhile stays until the next day begins.
  written("20081011.LOG");
  log.Write("later on the 15th");
  EXPECT_TRUE(std::filesystem::exists(dir_.File("20081011.LOG")));
  clock_.Set(MakeDateTime(2008, 10, 16, 0, 0, 1));
  log.Write("on the 16th");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("20081011.LOG")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Access20081013.log")));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("20081012.LOG")));
}

TEST_F(LogFileTest, WritesNothingWhenLoggingIsOff) {
  options_.WriteLog = false;
  TLogFile log(fileName_, options_, clock_);
  log.Write("hidden");
  EXPECT_FALSE(std::filesystem::exists(fileName_));
}

TEST_F(LogFileTest, AppendsAcrossRestartsOfTheSameDay) {
  {
    TLogFile log(fileName_, options_, clock_);
    log.Write("run one");
  }
  TLogFile log(fileName_, options_, clock_);
  log.Write("run two");
  EXPECT_EQ(ReadAll(fileName_), "2008-10-15 14:03:09 run one\r\n2008-10-15 14:03:09 run two\r\n");
}

TEST_F(LogFileTest, KeepsTheStartDaysFileAfterMidnight) {
  clock_.Set(MakeDateTime(2008, 10, 15, 23, 59, 59));
  TLogFile log(TLogFile::DailyFileName(dir_.Path().string(), clock_.Now()), options_, clock_);
  clock_.Set(MakeDateTime(2008, 10, 16, 0, 0, 1));
  log.Write("after midnight");
  EXPECT_EQ(ReadAll(fileName_), "2008-10-16 00:00:01 after midnight\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("20081016.LOG")));
}

TEST_F(LogFileTest, ConcurrentWritersLoseNoLineAndKeepTheirOrder) {
  TLogFile log(fileName_, options_, clock_);
  constexpr int kThreads = 8;
  constexpr int kLines = 400;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&log, t] {
      for (int i = 0; i < kLines; ++i) {
        log.Write("writer " + std::to_string(t) + " line " + std::to_string(i));
      }
    });
  }
  for (auto& writer : writers) writer.join();

  std::istringstream content(ReadAll(fileName_));
  const std::regex pattern(R"(2008-10-15 14:03:09 writer (\d) line (\d+)\r)");
  std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kLines, false));
  std::vector<int> last(kThreads, -1);
  int lines = 0;
  for (std::string line; std::getline(content, line); ++lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, pattern)) << line;
    const int writer = std::stoi(match[1]);
    const int number = std::stoi(match[2]);
    seen[writer][number] = true;
    EXPECT_GT(number, last[writer]) << "a writer's lines out of order";
    last[writer] = number;
  }
  EXPECT_EQ(lines, kThreads * kLines);
  for (const auto& writer : seen) EXPECT_THAT(writer, ::testing::Each(true));
}

// Opens the real file, but the first open waits until the test lets it go.
class GatedFileSystem : public FileSystem {
 public:
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) const override {
    {
      std::unique_lock lock(mutex_);
      if (opens_++ == 0) released_.wait(lock, [this] { return open_; });
    }
    return RealFileSystem().OpenForAppend(path);
  }
  void Release() {
    std::lock_guard lock(mutex_);
    open_ = true;
    released_.notify_all();
  }
  int Opens() const {
    std::lock_guard lock(mutex_);
    return opens_;
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable released_;
  mutable int opens_ = 0;
  bool open_ = false;
};

TEST_F(LogFileTest, LinesHandedInWhileTheFileIsOpenAreWrittenTogetherInTheirOrder) {
  GatedFileSystem files;
  TLogFile log(fileName_, options_, clock_, files);
  std::thread first([&] { log.Write("first"); });
  // The others queue behind the first, one at a time so that their order is known.
  std::vector<std::thread> later;
  for (int i = 1; i <= 3; ++i) {
    while (log.Queued() != static_cast<size_t>(i)) std::this_thread::yield();
    later.emplace_back([&log, i] { log.Write("later " + std::to_string(i)); });
  }
  while (log.Queued() != 4) std::this_thread::yield();
  files.Release();
  first.join();
  for (auto& writer : later) writer.join();

  EXPECT_EQ(files.Opens(), 2);  // the first line alone, then the three queued behind it
  EXPECT_EQ(ReadAll(fileName_),
            "2008-10-15 14:03:09 first\r\n2008-10-15 14:03:09 later 1\r\n"
            "2008-10-15 14:03:09 later 2\r\n2008-10-15 14:03:09 later 3\r\n");
  EXPECT_EQ(log.Queued(), 0u);
}

TEST_F(LogFileTest, LinesReadyTogetherAreWrittenInOneOpen) {
  GatedFileSystem files;
  files.Release();
  TLogFile log(fileName_, options_, clock_, files);
  const std::vector<std::string> lines = {"returned", "done"};
  log.WriteLines(lines);
  log.WriteLines({});
  EXPECT_EQ(files.Opens(), 1);
  EXPECT_EQ(ReadAll(fileName_), "2008-10-15 14:03:09 returned\r\n2008-10-15 14:03:09 done\r\n");
}

TEST_F(LogFileTest, LosesLinesSilentlyWhenTheFileCannotBeWritten) {
  // A folder that does not exist, and a log path that is itself a folder: both fail even
  // for root, unlike permission bits.
  TLogFile missingFolder(dir_.File("gone/20081015.LOG"), options_, clock_);
  EXPECT_NO_THROW(missingFolder.Write("lost"));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("gone")));

  std::filesystem::create_directory(fileName_);
  TLogFile notAFile(fileName_, options_, clock_);
  EXPECT_NO_THROW(notAFile.Write("lost"));
  EXPECT_TRUE(std::filesystem::is_directory(fileName_));
}

// A file system that refuses to open files, as a read-only folder does, or opens them and
// then fails every write, as a full disk does.
class FailingFileSystem : public FileSystem {
 public:
  explicit FailingFileSystem(bool opens) : opens_(opens) {}

  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) const override {
    opened_.push_back(path);
    if (!opens_) return nullptr;
    struct FullDisk : AppendFile {
      explicit FullDisk(std::vector<std::string>& offered) : offered_(offered) {}
      bool Append(std::span<const std::string_view> pieces) override {
        std::string line;
        for (const auto piece : pieces) line += piece;
        offered_.push_back(line);
        return false;
      }
      std::vector<std::string>& offered_;
    };
    return std::make_unique<FullDisk>(offered_);
  }

  mutable std::vector<std::string> opened_;
  mutable std::vector<std::string> offered_;

 private:
  const bool opens_;
};

TEST_F(LogFileTest, LosesLinesSilentlyInAReadOnlyFolderOrOnAFullDisk) {
  FailingFileSystem readOnly(false);
  TLogFile refused(fileName_, options_, clock_, readOnly);
  EXPECT_NO_THROW(refused.Write("lost"));
  EXPECT_NO_THROW(refused.Write("lost too"));
  EXPECT_EQ(readOnly.opened_, (std::vector<std::string>{fileName_, fileName_}));
  EXPECT_TRUE(readOnly.offered_.empty());

  FailingFileSystem full(true);
  TLogFile lost(fileName_, options_, clock_, full);
  EXPECT_NO_THROW(lost.Write("lost"));
  EXPECT_EQ(full.offered_, std::vector<std::string>{"2008-10-15 14:03:09 lost\r\n"});
  EXPECT_FALSE(std::filesystem::exists(fileName_));
}

}  // namespace
}  // namespace keydesk
