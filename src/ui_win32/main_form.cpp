#include "ui_win32/main_form.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/journal_browser.h"
#include "kinds/doorlock/doorlock_options.h"
#include "platform/wide_text_windows.h"
#include "ui_win32/about_form.h"
#include "ui_win32/journal_form.h"
#include "ui_win32/log_view_form.h"
#include "ui_win32/message_box.h"
#include "ui_win32/option_form.h"
#include "ui_win32/password_forms.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/system_settings_form.h"
#include "ui_win32/test_panel_form.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

constexpr wchar_t kClassName[] = L"TMainForm";
// Posted by the desk from whichever thread changed the state.
constexpr UINT kStatusChanged = WM_APP + 10;
constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusMilliseconds = 250;
constexpr int kToolBarHeight = 25;
constexpr int kStatusBarHeight = 21;
constexpr int kWarningMargin = 3;
constexpr int kBusyHeight = 40;
// What the clerk must notice: a failed operation, nothing listening, a store that cannot be
// written; and the simulator, whose cards open no door.
constexpr COLORREF kAlarmColour = RGB(0xc0, 0x00, 0x00);
constexpr COLORREF kSimulatorColour = RGB(0xff, 0xd2, 0x4d);
// The status bar's parts, left to right, by their place in the state; the state's warning
// stands above the panes instead.
constexpr std::array<StatePart DeskState::*, 3> kStatusBarParts = {
    &DeskState::Listener, &DeskState::Encoder, &DeskState::Requests};

// The menu's and toolbar's commands.
constexpr std::pair<int, DeskCommand> kCommands[] = {
    {ID_EXIT, DeskCommand::Exit},
    {ID_OPTION, DeskCommand::Options},
    {ID_SETTINGS, DeskCommand::Settings},
    {ID_TEST, DeskCommand::Test},
    {ID_JOURNAL, DeskCommand::Journal},
    {ID_LOG, DeskCommand::Log},
    {ID_CHANGE_PASSWORD, DeskCommand::ChangePassword},
    {ID_ABOUT, DeskCommand::About},
};

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(IDI_KEYDESK));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(
        windowClass.hInstance, MAKEINTRESOURCEW(IDI_KEYDESK), IMAGE_ICON, 16, 16, LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  if (!registered) throw std::runtime_error("RegisterClassExW: " + SystemErrorText(GetLastError()));
}

}  // namespace

TMainForm::TMainForm(Desk& desk) : desk_(desk) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClass();
  constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientSize.cx, kClientSize.cy};
  AdjustWindowRectEx(&frame, kStyle, TRUE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  // The class's procedure is the default one until the window exists; then the form's own
  // takes over, and the form lays its children out itself.
  handle_ =
      CreateWindowExW(0, kClassName, L"", kStyle, area.left + (area.right - area.left - width) / 2,
                      area.top + (area.bottom - area.top - height) / 2, width, height, nullptr,
                      nullptr, GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) {
    throw std::runtime_error("CreateWindowExW: " + SystemErrorText(GetLastError()));
  }
  SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TMainForm::WindowProcedure));
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  CreateChildren();
  Layout();

  const std::string title = AnsiFromUtf8Text(desk_.Title());
  MessageBoxes::SetApplicationTitle(title);
  SetWindowAnsi(handle_, title);
  const HWND window = handle_;
  desk_.OnStateChange([window] { PostMessageW(window, kStatusChanged, 0, 0); });
  SetTimer(handle_, kStatusTimer, kStatusMilliseconds, nullptr);
  RunGuarded(handle_, [this] { desk_.Start(*this); });
  RefreshStatus();
}

TMainForm::~TMainForm() {
  FormDestroy();
  KillTimer(handle_, kStatusTimer);
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

void TMainForm::CreateChildren() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // The window's own font; where the workstation lacks it, the system substitutes one.
  const HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font_ = UniqueFont(CreateFontW(-MulDiv(8, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                 FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif"));
  largeFont_ = UniqueFont(CreateFontW(
      -MulDiv(16, pixelsPerInch, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr));

  // Images 0 options, 1 password, 2 about, 3 exit; magenta is the background.
  images_ =
      UniqueImageList(ImageList_LoadImageW(instance, MAKEINTRESOURCEW(IDB_TOOLBAR), 16, 0,
                                           RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                 CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                             0, 0, 0, kToolBarHeight, handle_, nullptr, instance, nullptr);
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Get()));
  const TBBUTTON buttons[] = {
      {0, ID_OPTION, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {1, ID_CHANGE_PASSWORD, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {0, 0, 0, BTNS_SEP, {}, 0, 0},
      {2, ID_ABOUT, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {0, 0, 0, BTNS_SEP, {}, 0, 0},
      {3, ID_EXIT, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
  };
  SendMessageW(toolBar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));

  // The log pane: not read-only and without scroll bars; nothing trims it.
  infoMemo_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                              0, 0, 0, 0, handle_, nullptr, instance, nullptr);
  SendMessageW(infoMemo_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

  // One line per PMS operation, drawn by the window so that failures show in red.
  operationsList_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED |
                                        LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                                    0, 0, 0, 0, handle_, nullptr, instance, nullptr);
  SendMessageW(operationsList_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

  // A warning stands above the panes, as wide as the window and wrapped, so none is clipped.
  warning_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW, 0, 0, 0, 0, handle_,
                             nullptr, instance, nullptr);
  SendMessageW(warning_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  // While a card is written or read, in large type, so that no one lifts it half written.
  busy_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW, 0, 0, 0, 0, handle_, nullptr,
                          instance, nullptr);

  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | SBARS_TOOLTIPS, 0, 0, 0, 0,
                               handle_, nullptr, instance, nullptr);
  simulatorBrush_ = UniqueBrush(CreateSolidBrush(kSimulatorColour));
  alarmBrush_ = UniqueBrush(CreateSolidBrush(kAlarmColour));
}

void TMainForm::Layout() {
  RECT client{};
  GetClientRect(handle_, &client);
  const int width = client.right;
  MoveWindow(toolBar_, 0, 0, width, kToolBarHeight, TRUE);
  MoveWindow(statusBar_, 0, client.bottom - kStatusBarHeight, width, kStatusBarHeight, TRUE);
  const int warning = WarningHeight(width);
  MoveWindow(warning_, 0, kToolBarHeight, width, warning, TRUE);
  ShowWindow(warning_, warning > 0 ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(warning_, nullptr, TRUE);
  const int busy = busyText_.empty() ? 0 : kBusyHeight;
  MoveWindow(busy_, 0, kToolBarHeight + warning, width, busy, TRUE);
  ShowWindow(busy_, busy > 0 ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(busy_, nullptr, TRUE);
  const int top = kToolBarHeight + warning + busy;
  const int panes = std::max(0, static_cast<int>(client.bottom) - top - kStatusBarHeight);
  const int operations = std::min(kOperationsHeight, panes / 2);
  MoveWindow(infoMemo_, 0, top, width, panes - operations, TRUE);
  MoveWindow(operationsList_, 0, top + panes - operations, width, operations, TRUE);
  // Listener and encoder as wide as their texts; the requests take the rest.
  const int listener = TextWidth(WideFromAnsi(state_.Listener.Text));
  const int encoder = TextWidth(WideFromAnsi(state_.Encoder.Text));
  const int edges[] = {listener, listener + encoder, -1};
  SendMessageW(statusBar_, SB_SETPARTS, std::size(edges), reinterpret_cast<LPARAM>(edges));
  for (size_t part = 0; part < kStatusBarParts.size(); ++part) {
    const StatePart& shown = state_.*kStatusBarParts[part];
    // A plain part's text is the bar's own copy; the window draws the others (part's number
    // as the item data).
    const bool drawn = shown.Tone != StateTone::Plain;
    const std::wstring text = WideFromAnsi(shown.Text);
    SendMessageW(statusBar_, SB_SETTEXTW, part | (drawn ? SBT_OWNERDRAW : 0),
                 drawn ? static_cast<LPARAM>(part) : reinterpret_cast<LPARAM>(text.c_str()));
    // A part cut short by a narrow window is whole in its tip.
    tips_[part] = text;
    SendMessageW(statusBar_, SB_SETTIPTEXTW, part, reinterpret_cast<LPARAM>(tips_[part].c_str()));
  }
}

void TMainForm::RefreshStatus() {
  const std::vector<DeskOperation> added = desk_.NewOperations();
  for (const DeskOperation& operation : added) {
    const std::wstring line = WideFromAnsi(operation.Line);
    const LRESULT index =
        SendMessageW(operationsList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(operationsList_, LB_SETITEMDATA, static_cast<WPARAM>(index), operation.Failed);
  }
  if (!added.empty()) {
    while (SendMessageW(operationsList_, LB_GETCOUNT, 0, 0) >
           static_cast<LRESULT>(kDeskOperationsKept)) {
      SendMessageW(operationsList_, LB_DELETESTRING, 0, 0);
    }
    const LRESULT count = SendMessageW(operationsList_, LB_GETCOUNT, 0, 0);
    SendMessageW(operationsList_, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
  }
  std::string busy = desk_.BusyText();
  const bool busyChanged = busy != busyText_;
  busyText_ = std::move(busy);
  std::optional<DeskState> state = desk_.NewState();
  if (state) state_ = std::move(*state);
  if (state || busyChanged) Layout();
}

int TMainForm::TextWidth(const std::wstring& text) const {
  // The text, its part's borders and the grip's room.
  constexpr int kPadding = 16;
  HDC dc = GetDC(statusBar_);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(statusBar_, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(statusBar_, dc);
  return size.cx + kPadding;
}

int TMainForm::WarningHeight(int width) const {
  const std::wstring text = WideFromAnsi(state_.Warning.Text);
  if (text.empty()) return 0;
  HDC dc = GetDC(warning_);
  const HGDIOBJ old = SelectObject(dc, font_.Get());
  RECT area{0, 0, std::max(1, width - 2 * kWarningMargin), 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(warning_, dc);
  return area.bottom + 2 * kWarningMargin;
}

void TMainForm::DrawWarning(const DRAWITEMSTRUCT& item) {
  const std::wstring text = WideFromAnsi(state_.Warning.Text);
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, alarmBrush_.Get());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(255, 255, 255));
  const HGDIOBJ old = SelectObject(item.hDC, font_.Get());
  InflateRect(&area, -kWarningMargin, -kWarningMargin);
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(item.hDC, old);
}

void TMainForm::DrawBusy(const DRAWITEMSTRUCT& item) {
  const std::wstring text = WideFromAnsi(busyText_);
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, simulatorBrush_.Get());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(0, 0, 0));
  const HGDIOBJ old = SelectObject(item.hDC, largeFont_.Get());
  area.left += 8;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(item.hDC, old);
}

void TMainForm::DrawStatusPart(const DRAWITEMSTRUCT& item) {
  const StatePart& shown = state_.*kStatusBarParts.at(item.itemData);
  const bool alarm = shown.Tone == StateTone::Alarm;
  const std::wstring text = WideFromAnsi(shown.Text);
  RECT area = item.rcItem;
  if (!text.empty()) FillRect(item.hDC, &area, alarm ? alarmBrush_.Get() : simulatorBrush_.Get());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, alarm ? RGB(255, 255, 255) : RGB(0, 0, 0));
  area.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void TMainForm::DrawOperation(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const LRESULT length = SendMessageW(operationsList_, LB_GETTEXTLEN, item.itemID, 0);
  std::wstring text(static_cast<size_t>(std::max<LRESULT>(0, length)) + 1, L'\0');
  SendMessageW(operationsList_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::max<LRESULT>(0, length)));
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOW));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, item.itemData != 0 ? kAlarmColour : GetSysColor(COLOR_WINDOWTEXT));
  area.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // The only error of stopping is connection threads outlasting the stop wait.
  threadsLeftRunning_ = !RunGuarded(handle_, [this] { desk_.Stop(*this); });
}

void TMainForm::AddLine(const std::string& line) {
  const int end = GetWindowTextLengthW(infoMemo_);
  SendMessageW(infoMemo_, EM_SETSEL, static_cast<WPARAM>(end), end);
  const std::wstring text = WideFromAnsi(line) + L"\r\n";
  SendMessageW(infoMemo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

bool TMainForm::AskAdminPassword() { return TCheckPasswordForm(desk_).ShowModal(handle_) == IDOK; }

void TMainForm::ShowChangePassword() { TChangePasswordForm(desk_).ShowModal(handle_); }

void TMainForm::ShowOptions(DeviceOptions& options) {
  // Each kind's options have a form of their own.
  if (auto* doorlock = dynamic_cast<DoorlockOptions*>(&options)) {
    TOptionForm(doorlock->Option()).ShowModal(handle_);
  }
}

void TMainForm::ShowSystemSettings(SystemSettings& settings) {
  TSystemSettingsForm(settings).ShowModal(handle_);
}

void TMainForm::ShowTestPanel(const TestPanel& panel) { TestPanelForm(panel).ShowModal(handle_); }

void TMainForm::ShowJournal(JournalBrowser& journal) { TJournalForm(journal).ShowModal(handle_); }

void TMainForm::ShowLog(const std::string& fileName, const std::string& notice) {
  TLogViewForm(fileName, notice).ShowModal(handle_);
}

void TMainForm::ShowAbout(const std::string& captionUtf8, const std::string& titleUtf8,
                          const std::string& memoUtf8) {
  // Without an owner, as it always was.
  TAboutForm(captionUtf8, titleUtf8, memoUtf8).ShowModal(nullptr);
}

void TMainForm::ShowMessage(const BoxMessage& message) { MessageBoxes::Show(handle_, message); }

void TMainForm::ShowText(const std::string& text) { MessageBoxes::Plain(handle_, text); }

bool TMainForm::Confirm(const std::string& question) {
  return MessageBoxes::Show(handle_,
                            {BoxIcon::Question, MessageBoxes::ApplicationTitle(), question});
}

void TMainForm::CloseWindow() { SendMessageW(handle_, WM_CLOSE, 0, 0); }

void TMainForm::Command(int id) {
  for (const auto& [command, deskCommand] : kCommands) {
    if (command == id) desk_.Run(deskCommand, *this);
  }
}

LRESULT CALLBACK TMainForm::WindowProcedure(HWND handle, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(handle, message, wParam, lParam);
  return form->Dispatch(message, wParam, lParam);
}

LRESULT TMainForm::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      RunGuarded(handle_, [&] { Command(LOWORD(wParam)); });
      return 0;
    case WM_CLOSE: {
      // Every way of closing comes here: Exit, the close box, the system menu, Alt+F4.
      bool canClose = false;
      RunGuarded(handle_, [&] { canClose = desk_.MayClose(*this); });
      if (canClose && !closed_) {
        closed_ = true;
        PostQuitMessage(0);
      }
      return 0;
    }
    case WM_QUERYENDSESSION: {
      // Logging off or shutting down takes the password as closing does.
      bool canClose = false;
      RunGuarded(handle_, [&] { canClose = desk_.MayClose(*this); });
      return canClose ? TRUE : FALSE;
    }
    case WM_ENDSESSION:
      if (wParam != 0 && !closed_) {
        closed_ = true;
        // Windows may end the process once this returns: the listener stops here, in order.
        FormDestroy();
        PostQuitMessage(0);
      }
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_TIMER:
    case kStatusChanged:
      RefreshStatus();
      return 0;
    case WM_NOTIFY: {
      // A toolbar button's tip is its command's menu caption, without the mnemonic's "&".
      auto& tip = *reinterpret_cast<NMTTDISPINFOW*>(lParam);
      if (tip.hdr.code != TTN_GETDISPINFOW) break;
      wchar_t caption[64] = {};
      GetMenuStringW(GetMenu(handle_), static_cast<UINT>(tip.hdr.idFrom), caption, 64,
                     MF_BYCOMMAND);
      tipText_.clear();
      for (const wchar_t* c = caption; *c != L'\0'; ++c) {
        if (*c != L'&') tipText_.push_back(*c);
      }
      tip.lpszText = tipText_.data();
      return 0;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.hwndItem == operationsList_) {
        DrawOperation(item);
        return TRUE;
      }
      if (item.hwndItem == warning_) {
        DrawWarning(item);
        return TRUE;
      }
      if (item.hwndItem == busy_) {
        DrawBusy(item);
        return TRUE;
      }
      if (item.hwndItem != statusBar_) break;
      DrawStatusPart(item);
      return TRUE;
    }
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wParam, lParam);
}

}  // namespace keydesk
