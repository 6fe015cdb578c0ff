#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/about_texts.h"
#include "app/admin_password.h"
#include "app/interface_server.h"
#include "app/panel_press.h"
#include "app/password_guard.h"
#include "app/room_cards_view.h"
#include "app/settings_audit.h"
#include "core/box_message.h"
#include "core/log_follower.h"
#include "core/log_pane.h"

namespace keydesk {

class Application;
class JournalBrowser;
class Kind;
class RecordStore;
class DeviceOptions;
class SystemSettings;
struct ServiceContext;

// The main window's commands, in the order of its Tools menu after Exit.
enum class DeskCommand { Exit, Options, Settings, Test, Journal, Log, ChangePassword, About };

// A command as the menu shows it: the action's name, its caption with the mnemonic, and
// whether it takes the administrator password first.
struct DeskCommandInfo {
  DeskCommand Command;
  const char* Name;     // "OptionAction"
  const char* Caption;  // "选项(&O)...", UTF-8
  bool Guarded;
};
const std::array<DeskCommandInfo, 8>& DeskCommands();
const DeskCommandInfo& DeskCommandOf(DeskCommand command);

// What a front end's main window shows and asks for; the desk decides what and when. The
// log pane is the window's. Main thread only.
class DeskView : public LogPane {
 public:
  // The password prompt; true once the desk took an entry (Desk::CheckPassword), false when
  // it was cancelled.
  virtual bool AskAdminPassword() = 0;
  virtual void ShowChangePassword() = 0;
  // The options of the kind's device, in the form its FormName names.
  virtual void ShowOptions(DeviceOptions& options) = 0;
  virtual void ShowSystemSettings(SystemSettings& settings) = 0;
  virtual void ShowTestPanel(const TestPanel& panel) = 0;
  virtual void ShowJournal(JournalBrowser& journal) = 0;
  // The day's log (code page 936 path), which the view follows with a LogFollower, and what
  // the view says first (see LogViewNotice).
  virtual void ShowLog(const std::string& fileName, const std::string& notice) = 0;
  // The about box: its caption and title, and its memo (AboutMemo), UTF-8.
  virtual void ShowAbout(const std::string& captionUtf8, const std::string& titleUtf8,
                         const std::string& memoUtf8) = 0;
  virtual void ShowMessage(const BoxMessage& message) = 0;
  // A text (code page 936) in a box titled with the application title.
  virtual void ShowText(const std::string& text) = 0;
  // A question (code page 936) the clerk answers with 是 or 否; true for 是.
  virtual bool Confirm(const std::string& question) = 0;
  // Closes the window by its own way, which asks Desk::MayClose.
  virtual void CloseWindow() = 0;
};

// One part of the state line, code page 936.
enum class StateTone { Plain, Alarm, Simulator };
struct StatePart {
  std::string Text;
  StateTone Tone = StateTone::Plain;
};
// What the window's state line shows, each part by its name.
struct DeskState {
  StatePart Listener;
  StatePart Encoder;
  StatePart Requests;
  StatePart Warning;  // empty while there is none
};

// The operations list keeps the newest this many lines.
inline constexpr size_t kDeskOperationsKept = 1000;

// One line of the operations list, code page 936; a failure is shown in red.
struct DeskOperation {
  std::string Line;
  bool Failed = false;
};

// The desk both front ends show: the commands with their password gate, the state line, the
// operations list, the listener's start and stop, and the rules of the password dialogs with
// the wait after a wrong password, which every prompt of the desk shares. What is done to the
// password and the settings through it goes to the logs (SettingsAudit). A front end binds its
// window to one desk and shows what the desk says. Main thread only.
class Desk {
 public:
  // Both must outlive the desk. now: the password guard's clock.
  Desk(const ServiceContext& context, Kind& kind,
       PasswordGuard::Now now = PasswordGuard::SteadyNow());
  // The application's context and kind; Shutdown then shuts it down.
  explicit Desk(Application& application, PasswordGuard::Now now = PasswordGuard::SteadyNow());
  ~Desk();
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  // The window's and application's title, UTF-8.
  std::string Title() const;
  const ServiceContext& Context() const { return context_; }

  // Starts the listener with its lines in the view's log pane. Raises SocketError when the
  // port cannot be bound; the pane then says why.
  void Start(DeskView& view);
  // Stops the listener, once. Raises Error "Terminate Thread Timeout" when connection
  // threads outlast the stop; they then keep running until the process ends.
  void Stop(DeskView& view);
  bool Listening() const;
  // Stops the listener and starts it again with the ports and [Network] keys as Option.ini
  // holds them now. A file that cannot be read leaves the listener as it is, and says why;
  // raises as Stop and Start do.
  void RestartListener(DeskView& view);
  // The orderly end after the window has closed: the application's device is closed.
  void Shutdown();

  // Runs a menu or toolbar command, asking for the password first where it is guarded.
  void Run(DeskCommand command, DeskView& view);
  // Every way of closing the window, and the end of the session, takes the password.
  bool MayClose(DeskView& view);

  // The password prompt's "确定" (entry as typed, code page 936): none when the entry is
  // taken (the prompt ends with OK), or what to show while the prompt stays: "密码错误 ！"
  // for a wrong entry, which is logged and starts a wait, or, while that wait runs, how long
  // it has left, the entry then not checked.
  std::optional<BoxText> CheckPassword(std::string_view entry);
  // The change dialog's "确定": a refusal to show (the dialog stays), or none when the new
  // password is saved. Raises IoError when it cannot be saved; the change is logged either way.
  std::optional<BoxMessage> ChangePassword(std::string_view entry, std::string_view confirmation);

  // Called, from any thread, whenever the listener or a store's state changed (requests are
  // not told: poll NewState and NewOperations too); the view then asks on its own thread.
  // Set before Start. A call already under way may still arrive after Stop, so changed must
  // only post to the window (a window handle, not the window's object).
  void OnStateChange(std::function<void()> changed);
  // The state line when it changed since the last call (always on the first).
  std::optional<DeskState> NewState();
  // The operations added since the last call, oldest first.
  std::vector<DeskOperation> NewOperations();
  // While a card is written, read or erased, from the PMS or the test dialog, what the clerk
  // is told in large type, with the seconds it has taken so far ("正在写卡：房间 020402 张三，
  // 请勿移开卡片（已 4 秒）", code page 936); empty while the encoder is idle. Poll it.
  std::string BusyText() const;

 private:
  // The data folder, code page 936.
  std::string DataFolder() const;

  Application* application_ = nullptr;
  const ServiceContext& context_;
  Kind& kind_;
  InterfaceServer server_;
  PasswordGuard guard_;
  SettingsAudit audit_;
  uint64_t shownState_ = 0;
  uint64_t seenOperations_ = 0;
  bool stopped_ = false;
  bool stateChangeSet_ = false;
};

// The title for a start-up error box (UTF-8): the kind's, or "keydesk" for a number that is
// no kind.
std::string DeskTitle(int interfaceKind);

}  // namespace keydesk
