#include "app/application.h"

#include "app/store_choice.h"
#include "core/status_text.h"
#include "doorlock/drevan_library.h"
#include "kinds/kind.h"
#include "kinds/kind_registry.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/postgres_store.h"

namespace keydesk {
namespace {

// An Option.ini that is there but cannot be read, or not as text, would leave every key at its
// default: another port, the journal off. That is refused at start, naming the file and, for
// text, the line and what is wrong with it.
const std::string& ReadableOptions(const std::string& fileName) {
  std::string reason;
  if (ExaminePath(fileName, &reason) == PathState::Missing) return fileName;
  const std::string named = AnsiFromUtf8("无法读取 ") + AnsiFromPath(fileName) + AnsiFromUtf8("：");
  const std::string refused = AnsiFromUtf8("设置不能按默认值代替，keydesk 不启动");
  if (!ReadWholeFile(fileName)) throw Error(named + refused);
  if (const std::optional<std::string> fault = ProfileFile(fileName).TextFault()) {
    throw Error(named + *fault + AnsiFromUtf8("；") + refused);
  }
  return fileName;
}

TOption LoadedOption(const std::string& fileName) {
  TOption option(ReadableOptions(fileName));
  option.Load();
  return option;
}

TSysOption LoadedSysOption(const std::string& fileName) {
  TSysOption sysOption(fileName);
  sysOption.Load();
  return sysOption;
}

const char* KindAccessName(int kind) {
  const InterfaceKindInfo* info = FindInterfaceKind(kind);
  return info != nullptr ? info->AccessName : "unknown";
}

}  // namespace

Application::Application(StartupSettings settings)
    : settings_(std::move(settings)),
      option_(LoadedOption(PathInFolder(settings_.Folder, "Option.ini"))),
      sysOption_(LoadedSysOption(PathInFolder(settings_.Folder, "Option.ini"))),
      network_(NetworkOption::Load(PathInFolder(settings_.Folder, "Option.ini"))),
      logFileName_(TLogFile::DailyFileName(settings_.Folder, clock_.Now())),
      retention_(settings_.Folder, network_.KeepDays, logFileName_),
      log_(logFileName_, sysOption_, clock_, RealFileSystem(), &status_, &retention_,
           static_cast<uint64_t>(network_.MaxDayMB) * 1024 * 1024),
      access_(settings_.Folder, KindAccessName(settings_.InterfaceKind), network_.AccessLog, clock_,
              RealFileSystem(), &status_, &retention_),
      storeChoice_(StoreChoice::Load(settings_.Folder)),
      recordStore_(MakeRecordStore(storeChoice_, settings_.Folder, log_, &status_)),
      context_{sysOption_, option_, log_, *recordStore_, clock_, status_, network_, access_} {
  // The door lock's options say whether cards depend on the store: then a store that cannot
  // be had is a standing warning from the start.
  const KindEntry* entry = FindKindEntry(settings_.InterfaceKind);
  const bool usesStore = entry != nullptr && entry->UsesRecordStore;
  recordStore_->Open(usesStore &&
                     (sysOption_.SaveDoorlockRecord || sysOption_.UseNativeDoorlockDb));
  // Cards this desk was writing when it was stopped dead: nobody knows whether they were
  // finished, and the journal must not keep saying they are being written. A store that did
  // not open has said so; its rows wait for a start that opens it.
  if (usesStore && sysOption_.SaveDoorlockRecord && recordStore_->IsOpen()) {
    if (const int interrupted = recordStore_->MarkInterruptedRecords(); interrupted > 0) {
      log_.Write(AnsiFromUtf8("发卡记录中有 " + std::to_string(interrupted) +
                              " 张卡写到一半程序就停了，已标为中断：请读卡核对"));
    }
  }
  if (storeChoice_.Kind == StoreChoice::StoreKind::PostgreSQL &&
      PostgresServerUnverified(storeChoice_.Postgres)) {
    status_.SetUnverifiedStoreServer(recordStore_->Description());
    log_.Write(UnverifiedStoreWarningText(status_.Get()));
  }
  // The vendor library is bound for every kind, as the program is linked against it.
  library_ = std::make_unique<DrevanLibrary>(settings_.CardLibraryPath);
  // The library's file name is what tells one encoder from another at the desk.
  status_.SetEncoder(AnsiFromPath(FileNameInPath(library_->Path())), library_->Simulated(),
                     library_->Description());
  log_.Write(library_->Description());
  kind_ = MakeKind(settings_.InterfaceKind,
                   {context_, *library_, settings_.Folder, settings_.InstallDevice});
  kind_->OpenDevice();
}

Application::~Application() = default;

void Application::Shutdown() { kind_->CloseDevice(); }

}  // namespace keydesk
