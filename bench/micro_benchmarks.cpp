// Micro-benchmarks of the steps of one door lock request: the XML reader, the wire
// decoding and encoding, code page 936 conversion, the log line, and the whole handler
// without a socket (its reply is delivered into a buffer). Run build/keydesk_microbench;
// --benchmark_filter=Handler picks a group.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <cstdlib>

#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "app/journal_browser.h"
#include "core/access_log.h"
#include "core/log_file.h"
#include "core/network_option.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "doorlock/drevan_library.h"
#include "doorlock/drevan_lift_doorlock.h"
#include "doorlock/option.h"
#include "intake/connection_threads.h"
#include "intake/request_intake.h"
#include "kinds/doorlock/doorlock_message_handler.h"
#include "kinds/doorlock/doorlock_service.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "store/doorlock_record_manager.h"
#include "store/journal_reader.h"
#include "wire/decode_utf8.h"
#include "wire/encode_utf8.h"
#include "wire/xml_doc.h"

namespace keydesk {
namespace {

// The worked IssueCard request, as UTF-8 bytes on the wire.
const std::string kIssueCardUtf8 =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DoorRequest type=\"IssueCard\">"
    "<Ignored>1</Ignored><RegisterId>R0001</RegisterId><RoomBuildingCode>01</RoomBuildingCode>"
    "<RoomFloorCode>02</RoomFloorCode><RoomNo>08</RoomNo><GuestName>王先生</GuestName>"
    "<CheckInDate>2008-08-18</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
    "<CheckOutDate>2008-08-20</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime>"
    "<IsCopy>False</IsCopy></DoorRequest>";
const std::string kReadCardUtf8 = "<DoorRequest type=\"ReadCard\"/>";
const std::string kResponseUtf8 =
    "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode>"
    "<ResultMessage>发卡成功</ResultMessage><CardNo>5301</CardNo></DoorResponse>";

// ---------------------------------------------------------------- text steps

void BM_ParseText_IssueCard(benchmark::State& state) {
  const std::string ansi = AnsiFromUtf8(kIssueCardUtf8);
  for (auto _ : state) {
    TXmlDoc document;  // one document per request, as the handler has it
    document.ParseText(ansi);
    benchmark::DoNotOptimize(document.RootElement());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ansi.size()));
}
BENCHMARK(BM_ParseText_IssueCard);

void BM_ParseText_ReadCard(benchmark::State& state) {
  for (auto _ : state) {
    TXmlDoc document;
    document.ParseText(kReadCardUtf8);
    benchmark::DoNotOptimize(document.RootElement());
  }
}
BENCHMARK(BM_ParseText_ReadCard);

void BM_DecodeUtf8_IssueCard(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(DecodeUtf8(kIssueCardUtf8));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kIssueCardUtf8.size()));
}
BENCHMARK(BM_DecodeUtf8_IssueCard);

void BM_EncodeUtf8_Response(benchmark::State& state) {
  const std::u16string text = UnicodeFromAnsi(AnsiFromUtf8(kResponseUtf8));
  for (auto _ : state) benchmark::DoNotOptimize(EncodeUtf8(text));
}
BENCHMARK(BM_EncodeUtf8_Response);

// The handler's first step: the decoded request into code page 936.
void BM_AnsiFromUnicode_IssueCard(benchmark::State& state) {
  const std::u16string text = DecodeUtf8(kIssueCardUtf8);
  for (auto _ : state) benchmark::DoNotOptimize(AnsiFromUnicode(text));
}
BENCHMARK(BM_AnsiFromUnicode_IssueCard);

void BM_UnicodeFromAnsi_Response(benchmark::State& state) {
  const std::string ansi = AnsiFromUtf8(kResponseUtf8);
  for (auto _ : state) benchmark::DoNotOptimize(UnicodeFromAnsi(ansi));
}
BENCHMARK(BM_UnicodeFromAnsi_Response);

void BM_AnsiFromUtf8_IssueCard(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(AnsiFromUtf8(kIssueCardUtf8));
}
BENCHMARK(BM_AnsiFromUtf8_IssueCard);

void BM_Utf8FromAnsi_Response(benchmark::State& state) {
  const std::string ansi = AnsiFromUtf8(kResponseUtf8);
  for (auto _ : state) benchmark::DoNotOptimize(Utf8FromAnsi(ansi));
}
BENCHMARK(BM_Utf8FromAnsi_Response);

// ---------------------------------------------------------------- handler without a socket

// A fresh folder under the temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "keydesk-bench-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Answers at once and always succeeds, so that only keydesk's own work is measured.
class NullDoorlock final : public TBaseDoorlock {
 public:
  bool WriteCard(const std::string&, const std::string&, const std::string&, const std::string&,
                 const std::string&, DateTime, DateTime, DateTime, DateTime, bool,
                 int64_t& CardNo) override {
    CardNo = 5301;
    return true;
  }
  bool ReadCard(int64_t& CardNo) override {
    CardNo = 5301;
    return true;
  }
  bool EraseCard() override { return true; }
};

enum class Driver { kNull, kSimulated };

// What a running program gives a handler: options, log, record store, clock and driver,
// in a temporary folder. Each reply is delivered as the intake does, into a buffer. The
// simulated encoder is the library the build puts beside keydesk, with a card issued on it
// first so that reads succeed.
class HandlerBench {
 public:
  HandlerBench(bool writeLog, bool saveRecord, Driver driver = Driver::kNull) {
    sysOption_.WriteLog = writeLog;
    sysOption_.SaveDoorlockRecord = saveRecord;
    if (saveRecord) {
      std::string error;
      if (!TDoorlockRecordManager::CreateDatabase(folder_.File("Client.mdb"), error)) {
        throw std::runtime_error(error);
      }
      store_.Open();
    }
    TBaseDoorlock* installed = &doorlock_;
    if (driver == Driver::kSimulated) {
      setenv("DREVAN_SIM_CARD", folder_.File("SimCard.txt").c_str(), 1);
      unsetenv("DREVAN_SIM_DELAY_MS");
      unsetenv("DREVAN_SIM_FAIL");
      unsetenv("DREVAN_SIM_TRACE");
      TOption option;
      option.PowerSwitchTypeName = "8602-1M-57BA";
      option_.Set(option);
      library_ = std::make_unique<DrevanLibrary>(KEYDESK_BUILD_DIR "/libdrevan.so");
      simulated_ = std::make_unique<TDrevanLiftDoorlock>(*library_, option_, log_);
      const DateTime from = DateTime::FromParts({2008, 8, 18, 14, 0, 0, 0}).value();
      const DateTime to = DateTime::FromParts({2008, 8, 20, 12, 0, 0, 0}).value();
      int64_t cardNo = 0;
      if (!simulated_->WriteCard("R0001", "01", "02", "08", "guest", from, from, to, to, false,
                                 cardNo)) {
        throw std::runtime_error("the simulated encoder did not write a card");
      }
      installed = simulated_.get();
    }
    service_ = std::make_unique<DoorlockService>(context_, installed);
  }

  void Handle(const std::u16string& request) {
    TDoorlockMessageHandler handler(*service_);
    sent_.clear();
    DeliverReply(
        handler.HandleMessage(request), [this](std::string_view frame) { sent_ = frame; }, log_);
  }

 private:
  TempFolder folder_;
  TSysOption sysOption_{folder_.File("Option.ini")};
  SystemClock clock_;
  TLogFile log_{folder_.File("bench.LOG"), sysOption_, clock_};
  SharedOption option_{TOption()};
  TDoorlockRecordManager store_{folder_.File("Client.mdb"), log_};
  ServiceStatus status_;
  NetworkOption network_;
  AccessLog access_{folder_.File(""), "doorlock", false, clock_};
  ServiceContext context_{sysOption_, option_, log_, store_, clock_, status_, network_, access_};
  NullDoorlock doorlock_;
  std::unique_ptr<DrevanLibrary> library_;
  std::unique_ptr<TDrevanLiftDoorlock> simulated_;
  std::unique_ptr<DoorlockService> service_;
  std::string sent_;
};

void BM_Handler_ReadCard(benchmark::State& state) {
  HandlerBench bench(state.range(0) != 0, false);
  const std::u16string request = DecodeUtf8(kReadCardUtf8);
  for (auto _ : state) bench.Handle(request);
}
BENCHMARK(BM_Handler_ReadCard)->ArgName("WriteLog")->Arg(0)->Arg(1);

// As above with the simulated encoder, which reads its card file at each of a read's three
// library calls: what keydesk serves in bench/run.
void BM_Handler_ReadCard_SimulatedEncoder(benchmark::State& state) {
  HandlerBench bench(state.range(0) != 0, false, Driver::kSimulated);
  const std::u16string request = DecodeUtf8(kReadCardUtf8);
  for (auto _ : state) bench.Handle(request);
}
BENCHMARK(BM_Handler_ReadCard_SimulatedEncoder)->ArgName("WriteLog")->Arg(0)->Arg(1);

void BM_Handler_IssueCard(benchmark::State& state) {
  HandlerBench bench(state.range(0) != 0, false);
  const std::u16string request = DecodeUtf8(kIssueCardUtf8);
  for (auto _ : state) bench.Handle(request);
}
BENCHMARK(BM_Handler_IssueCard)->ArgName("WriteLog")->Arg(0)->Arg(1);

// Every journal row is committed durably before the response: bounded by the disk's sync.
void BM_Handler_IssueCard_SaveDoorlockRecord(benchmark::State& state) {
  HandlerBench bench(false, true);
  const std::u16string request = DecodeUtf8(kIssueCardUtf8);
  for (auto _ : state) bench.Handle(request);
}
BENCHMARK(BM_Handler_IssueCard_SaveDoorlockRecord)->MinTime(0.5)->UseRealTime();

// ---------------------------------------------------------------- costs around the handler

// One log line: the file is opened, appended to and closed each time.
void BM_LogFile_Write(benchmark::State& state) {
  TempFolder folder;
  TSysOption sysOption(folder.File("Option.ini"));
  SystemClock clock;
  TLogFile log(folder.File("bench.LOG"), sysOption, clock);
  const std::string line = AnsiFromUtf8("读卡成功，卡号为：5301");
  for (auto _ : state) log.Write(line);
}
BENCHMARK(BM_LogFile_Write);

// The journal window's first page of the journal file that KEYDESK_BENCH_JOURNAL names
// (bench/run makes one of 1,000,000 rows), count included; skipped without it.
static void BM_Journal_FirstPage(benchmark::State& state) {
  const char* file = std::getenv("KEYDESK_BENCH_JOURNAL");
  if (file == nullptr) {
    state.SkipWithError("KEYDESK_BENCH_JOURNAL names no journal");
    return;
  }
  JournalFilter firstPage;
  firstPage.Limit = JournalBrowser::kPageRows;
  for (auto _ : state) {
    JournalPage page = ReadJournalFile(file, firstPage);
    benchmark::DoNotOptimize(page);
  }
}
BENCHMARK(BM_Journal_FirstPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A page of the journal window in each order (the grid's columns, the way the first click on
// a header sorts them) at each place: the first page (0), the middle one (1) and the last (2).
static void BM_Journal_Page(benchmark::State& state) {
  const char* file = std::getenv("KEYDESK_BENCH_JOURNAL");
  if (file == nullptr) {
    state.SkipWithError("KEYDESK_BENCH_JOURNAL names no journal");
    return;
  }
  const auto sort = static_cast<JournalSort>(state.range(0));
  JournalFilter filter;
  filter.Limit = JournalBrowser::kPageRows;
  filter.Sort = sort;
  filter.Ascending = !(sort == JournalSort::IssueTime || sort == JournalSort::LastCheckIn ||
                       sort == JournalSort::CheckOut || sort == JournalSort::CardNo);
  const int64_t pages =
      (ReadJournalFile(file, {.Limit = 1}).Total + filter.Limit - 1) / filter.Limit;
  const int64_t page = state.range(1) == 0 ? 0 : state.range(1) == 1 ? pages / 2 : pages - 1;
  filter.Offset = static_cast<int>(page * filter.Limit);
  for (auto _ : state) {
    JournalPage read = ReadJournalFile(file, filter);
    benchmark::DoNotOptimize(read);
  }
}
BENCHMARK(BM_Journal_Page)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The journal window's searches that no text narrows: 只看失败 (0), and the guests staying on
// one day (1), the first page of each.
static void BM_Journal_Search(benchmark::State& state) {
  const char* file = std::getenv("KEYDESK_BENCH_JOURNAL");
  if (file == nullptr) {
    state.SkipWithError("KEYDESK_BENCH_JOURNAL names no journal");
    return;
  }
  JournalFilter filter;
  filter.Limit = JournalBrowser::kPageRows;
  if (state.range(0) == 0) {
    filter.FailuresOnly = true;
  } else {
    filter.StayFrom = filter.StayTo = "2016/1/2";
  }
  for (auto _ : state) {
    JournalPage read = ReadJournalFile(file, filter);
    benchmark::DoNotOptimize(read);
  }
}
BENCHMARK(BM_Journal_Search)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// A thread created and joined per connection, as a bare thread-per-connection server does.
void BM_Thread_CreateJoin(benchmark::State& state) {
  for (auto _ : state) {
    std::thread thread([] {});
    thread.join();
  }
}
BENCHMARK(BM_Thread_CreateJoin)->UseRealTime();

// A task handed to keydesk's connection threads, which reuse an idle thread when one waits.
void BM_ConnectionThreads_Run(benchmark::State& state) {
  ConnectionThreads threads;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  for (auto _ : state) {
    {
      std::lock_guard lock(mutex);
      done = false;
    }
    threads.Run([&] {
      std::lock_guard lock(mutex);
      done = true;
      ended.notify_one();
    });
    std::unique_lock lock(mutex);
    ended.wait(lock, [&] { return done; });
  }
  threads.WaitForTasks(std::chrono::seconds(5));
  threads.Stop();
}
BENCHMARK(BM_ConnectionThreads_Run)->UseRealTime();

}  // namespace
}  // namespace keydesk

BENCHMARK_MAIN();
