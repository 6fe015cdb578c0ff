#include "app/desk.h"

#include "app/application.h"
#include "app/device_options.h"
#include "app/journal_browser.h"
#include "app/record_views.h"
#include "app/system_settings.h"
#include "core/log_file.h"
#include "core/network_option.h"
#include "core/operation_list.h"
#include "core/service_status.h"
#include "core/status_text.h"
#include "core/sys_option.h"
#include "kinds/kind.h"
#include "kinds/kind_registry.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/local_addresses.h"
#include "platform/user_name.h"

namespace keydesk {
namespace {

static_assert(kDeskOperationsKept == OperationList::kKept);

const std::array<DeskCommandInfo, 8> kCommands = {{
    {DeskCommand::Exit, "ExitAction", "退出(&X)", false},
    {DeskCommand::Options, "OptionAction", "选项(&O)...", true},
    {DeskCommand::Settings, "SettingsAction", "系统设置(&S)...", true},
    {DeskCommand::Test, "TestAction", "测试(&T)", false},
    {DeskCommand::Journal, "JournalAction", "发卡记录(&J)...", false},
    {DeskCommand::Log, "LogAction", "打开日志(&L)...", false},
    {DeskCommand::ChangePassword, "ChangePasswordAction", "更改管理员密码(&C)", true},
    {DeskCommand::About, "AboutAction", "关于(&A)...", false},
}};

}  // namespace

const std::array<DeskCommandInfo, 8>& DeskCommands() { return kCommands; }

const DeskCommandInfo& DeskCommandOf(DeskCommand command) {
  for (const DeskCommandInfo& info : kCommands) {
    if (info.Command == command) return info;
  }
  throw Error("Unknown desk command");
}

Desk::Desk(const ServiceContext& context, Kind& kind, PasswordGuard::Now now)
    : context_(context),
      kind_(kind),
      server_(kind, context),
      guard_(std::move(now)),
      audit_(context.Log, context.Access, UserName()) {}

Desk::Desk(Application& application, PasswordGuard::Now now)
    : Desk(application.Context(), application.Kind(), std::move(now)) {
  application_ = &application;
}

Desk::~Desk() {
  if (stateChangeSet_) context_.Status.SetListener({});
}

std::string Desk::Title() const { return kind_.Info().Title; }

void Desk::Start(DeskView& view) { server_.StartServer(view); }

void Desk::Stop(DeskView& view) {
  if (stopped_) return;
  stopped_ = true;
  if (stateChangeSet_) {
    context_.Status.SetListener({});
    stateChangeSet_ = false;
  }
  server_.StopServer(view);
}

bool Desk::Listening() const { return server_.Listening(); }

std::string Desk::DataFolder() const {
  // Option.ini lies in the data folder; cut at its name, not at a separator byte, which a
  // code page 936 character may hold.
  const std::string& file = context_.SysOption.FileName;
  constexpr std::string_view kName = "Option.ini";
  if (file.size() > kName.size() && file.ends_with(kName)) {
    return file.substr(0, file.size() - kName.size() - 1);
  }
  return file;
}

void Desk::RestartListener(DeskView& view) {
  const std::string& file = context_.SysOption.FileName;
  NetworkOption network;
  int port = 0;
  try {
    network = NetworkOption::Load(file);
    TSysOption now(file);
    now.Load();
    port = now.PortNo(*kind_.Info().Port);
  } catch (const Error& error) {
    view.ShowText(error.what() + AnsiFromUtf8("\n监听没有重新启动。"));
    return;
  }
  server_.StopServer(view);
  server_.StartServer(view, network, port);
}

void Desk::Shutdown() {
  if (application_ != nullptr) application_->Shutdown();
}

void Desk::Run(DeskCommand command, DeskView& view) {
  if (DeskCommandOf(command).Guarded && !view.AskAdminPassword()) return;
  switch (command) {
    case DeskCommand::Exit:
      view.CloseWindow();
      break;
    case DeskCommand::Options:
      if (const std::unique_ptr<DeviceOptions> options = kind_.MakeOptions()) {
        const std::vector<OptionKeyText> before = options->KeyTexts();
        view.ShowOptions(*options);
        audit_.OptionsChanged(before, options->KeyTexts());
      } else if (kind_.NothingToSet()) {
        view.ShowMessage(kNoDeviceOptions);
      }
      break;
    case DeskCommand::Settings: {
      // A host refused since start may be the PMS, kept out until named: it is offered.
      SystemSettings settings(context_.SysOption.FileName, context_.Status.Get().Refused,
                              LocalIpv4Addresses());
      settings.AuditTo(&audit_);
      view.ShowSystemSettings(settings);
      if (settings.ListenerChanged() && !stopped_ &&
          view.Confirm(AnsiFromUtf8("监听的设置已保存。现在重新监听，让它们生效吗？\n"
                                    "正在处理的请求会先做完；PMS 的连接会断开，再连即可。"))) {
        RestartListener(view);
      }
      break;
    }
    case DeskCommand::Test:
      if (const std::unique_ptr<TestPanel> panel = kind_.MakeTestPanel()) {
        view.ShowTestPanel(*panel);
      } else if (const std::optional<std::string> text = kind_.TestText()) {
        view.ShowText(*text);
      }
      break;
    case DeskCommand::Journal: {
      JournalBrowser journal(context_.RecordStore, context_.SysOption, context_.LocalClock,
                             kind_.EncoderReader());
      view.ShowJournal(journal);
      break;
    }
    case DeskCommand::Log:
      view.ShowLog(context_.Log.FileName(), LogViewNotice(context_.SysOption));
      break;
    case DeskCommand::ChangePassword:
      view.ShowChangePassword();
      break;
    case DeskCommand::About:
      view.ShowAbout(AboutCaption(kind_.Info().Number), AboutTitle(kind_.Info().Number),
                     AboutMemo(context_.Status.Get().EncoderLibrary, DataFolder()));
      break;
  }
}

bool Desk::MayClose(DeskView& view) { return view.AskAdminPassword(); }

std::optional<BoxText> Desk::CheckPassword(std::string_view entry) {
  if (const std::chrono::milliseconds left = guard_.Remaining(); left.count() > 0) {
    return PasswordWaitMessage(left);
  }
  if (AdminPasswordMatches(context_.SysOption, entry)) {
    guard_.Succeeded();
    return std::nullopt;
  }
  const std::chrono::seconds wait = guard_.Failed();
  audit_.PasswordRefused(guard_.Failures(), wait);
  return BoxText{kWrongPassword.Icon, kWrongPassword.Caption, kWrongPassword.Text};
}

std::optional<BoxMessage> Desk::ChangePassword(std::string_view entry,
                                               std::string_view confirmation) {
  std::optional<BoxMessage> refusal;
  try {
    refusal = ChangeAdminPasswordTo(context_.SysOption, entry, confirmation);
  } catch (const IoError&) {
    // The new password is in effect for this run although the file lacks it.
    audit_.PasswordChanged(false);
    throw;
  }
  if (!refusal) audit_.PasswordChanged(true);
  return refusal;
}

void Desk::OnStateChange(std::function<void()> changed) {
  stateChangeSet_ = true;
  context_.Status.SetListener(
      [changed = std::move(changed)](ServiceStatus::Change, const ServiceStatus::Snapshot&) {
        changed();
      });
}

std::optional<DeskState> Desk::NewState() {
  const ServiceStatus::Snapshot status = context_.Status.Get();
  if (status.Version == shownState_ && shownState_ != 0) return std::nullopt;
  shownState_ = status.Version;
  DeskState state;
  state.Listener = {ListenerStatusText(status),
                    ListenerAlarm(status) ? StateTone::Alarm : StateTone::Plain};
  // The simulator must stand out: no card it writes opens a door.
  state.Encoder = {EncoderStatusText(status), EncoderAlarm(status)      ? StateTone::Alarm
                                              : status.SimulatedEncoder ? StateTone::Simulator
                                                                        : StateTone::Plain};
  state.Requests = {RequestStatusText(status), StateTone::Plain};
  state.Warning = {WarningText(status), StateTone::Alarm};
  return state;
}

std::string Desk::BusyText() const {
  const ServiceStatus::Snapshot status = context_.Status.Get();
  if (status.EncoderBusy.empty()) return {};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - status.EncoderBusySince)
                           .count();
  return status.EncoderBusy + AnsiFromUtf8("（已 " + std::to_string(seconds) + " 秒）");
}

std::vector<DeskOperation> Desk::NewOperations() {
  const OperationList::Batch batch = context_.Status.Operations().Since(seenOperations_);
  seenOperations_ = batch.Total;
  std::vector<DeskOperation> lines;
  lines.reserve(batch.Entries.size());
  for (const OperationEntry& entry : batch.Entries) {
    lines.push_back({OperationLine(entry), OperationFailed(entry)});
  }
  return lines;
}

std::string DeskTitle(int interfaceKind) {
  const InterfaceKindInfo* kind = FindInterfaceKind(interfaceKind);
  return kind != nullptr ? kind->Title : "keydesk";
}

}  // namespace keydesk
