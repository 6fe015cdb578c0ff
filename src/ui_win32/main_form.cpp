#include "ui_win32/main_form.h"

#include <commctrl.h>

#include <algorithm>

#include "app/admin_password.h"
#include "app/record_views.h"
#include "core/log_file.h"
#include "core/operation_list.h"
#include "core/service_status.h"
#include "core/status_text.h"
#include "kinds/kind.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/wide_text_windows.h"
#include "store/doorlock_record_manager.h"
#include "ui_win32/about_form.h"
#include "ui_win32/change_password_form.h"
#include "ui_win32/check_password_form.h"
#include "ui_win32/journal_form.h"
#include "ui_win32/log_view_form.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_test_dialogs.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

constexpr wchar_t kClassName[] = L"TMainForm";
// Posted by the status's listener from whichever thread changed it.
constexpr UINT kStatusChanged = WM_APP + 10;
constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kStatusMilliseconds = 250;
constexpr int kToolBarHeight = 25;
constexpr int kStatusBarHeight = 21;
// What the clerk must notice: a failed operation, nothing listening.
constexpr COLORREF kAlarmText = RGB(0xc0, 0x00, 0x00);
enum StatusPart { kListenerPart, kEncoderPart, kRequestsPart, kWarningPart };
// The simulator must stand out, and so must a store that cannot be written.
constexpr COLORREF kSimulatorColour = RGB(0xff, 0xd2, 0x4d);
constexpr COLORREF kWarningColour = RGB(0xc0, 0x00, 0x00);

TMainForm* theMainWindow = nullptr;

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
  if (!registered) throw Error("RegisterClassExW: " + SystemErrorText(GetLastError()));
}

}  // namespace

TMainForm::TMainForm(const ServiceContext& context, Kind& kind)
    : context_(context), kind_(kind), server_(kind, context) {
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
  if (handle_ == nullptr) throw Error("CreateWindowExW: " + SystemErrorText(GetLastError()));
  SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TMainForm::WindowProcedure));
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  CreateChildren();
  Layout();
  theMainWindow = this;

  const HWND window = handle_;
  context_.Status.SetListener([window](ServiceStatus::Change, const ServiceStatus::Snapshot&) {
    PostMessageW(window, kStatusChanged, 0, 0);
  });
  SetTimer(handle_, kStatusTimer, kStatusMilliseconds, nullptr);
  RunGuarded(handle_, [this] { FormCreate(); });
  RefreshStatus();
}

TMainForm::~TMainForm() {
  FormDestroy();
  KillTimer(handle_, kStatusTimer);
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
  if (theMainWindow == this) theMainWindow = nullptr;
}

TMainForm* TMainForm::MainWindow() { return theMainWindow; }

void TMainForm::CreateChildren() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // The window's own font; where the workstation lacks it, the system substitutes one.
  const HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font_ = UniqueFont(CreateFontW(-MulDiv(8, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                 FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif"));

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

  // Not read-only and without scroll bars; nothing trims it.
  infoMemo_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                              0, 0, 0, 0, handle_, nullptr, instance, nullptr);
  SendMessageW(infoMemo_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  pane_ = std::make_unique<TInfoMemo>(infoMemo_);

  // One line per PMS operation, drawn by the window so that failures show in red.
  operationsList_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED |
                                        LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                                    0, 0, 0, 0, handle_, nullptr, instance, nullptr);
  SendMessageW(operationsList_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                               0, 0, 0, 0, handle_, nullptr, instance, nullptr);
  encoderBrush_ = UniqueBrush(CreateSolidBrush(kSimulatorColour));
  warningBrush_ = UniqueBrush(CreateSolidBrush(kWarningColour));
}

void TMainForm::Layout() {
  RECT client{};
  GetClientRect(handle_, &client);
  const int width = client.right;
  MoveWindow(toolBar_, 0, 0, width, kToolBarHeight, TRUE);
  MoveWindow(statusBar_, 0, client.bottom - kStatusBarHeight, width, kStatusBarHeight, TRUE);
  const int panes =
      std::max(0, static_cast<int>(client.bottom) - kToolBarHeight - kStatusBarHeight);
  const int operations = std::min(kOperationsHeight, panes / 2);
  MoveWindow(infoMemo_, 0, kToolBarHeight, width, panes - operations, TRUE);
  MoveWindow(operationsList_, 0, kToolBarHeight + panes - operations, width, operations, TRUE);
  // Listener, encoder and warning as wide as their texts; the requests take the rest.
  const int listener = TextWidth(statusTexts_[kListenerPart]);
  const int encoder = TextWidth(statusTexts_[kEncoderPart]);
  const int warning = statusTexts_[kWarningPart].empty()
                          ? 0
                          : std::min(TextWidth(statusTexts_[kWarningPart]), width / 2);
  const int edges[] = {listener, listener + encoder, std::max(listener + encoder, width - warning),
                       -1};
  SendMessageW(statusBar_, SB_SETPARTS, std::size(edges), reinterpret_cast<LPARAM>(edges));
  for (int part = 0; part < 4; ++part) {
    const bool drawn = part == kWarningPart || (part == kEncoderPart && simulatedEncoder_) ||
                       (part == kListenerPart && listenerAlarm_);
    SendMessageW(statusBar_, SB_SETTEXTW, part | (drawn ? SBT_OWNERDRAW : 0),
                 drawn ? part : reinterpret_cast<LPARAM>(statusTexts_[part].c_str()));
  }
}

void TMainForm::RefreshOperations() {
  const OperationList::Batch batch = context_.Status.Operations().Since(seenOperations_);
  if (batch.Total == seenOperations_) return;
  seenOperations_ = batch.Total;
  for (const OperationEntry& entry : batch.Entries) {
    const std::wstring line = WideFromAnsi(OperationLine(entry));
    const LRESULT index =
        SendMessageW(operationsList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(operationsList_, LB_SETITEMDATA, static_cast<WPARAM>(index),
                 OperationFailed(entry) ? 1 : 0);
  }
  while (SendMessageW(operationsList_, LB_GETCOUNT, 0, 0) >
         static_cast<LRESULT>(OperationList::kKept)) {
    SendMessageW(operationsList_, LB_DELETESTRING, 0, 0);
  }
  const LRESULT count = SendMessageW(operationsList_, LB_GETCOUNT, 0, 0);
  SendMessageW(operationsList_, LB_SETTOPINDEX,
               static_cast<WPARAM>(std::max<LRESULT>(0, count - 1)), 0);
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
  SetTextColor(item.hDC, item.itemData != 0 ? kAlarmText : GetSysColor(COLOR_WINDOWTEXT));
  area.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void TMainForm::RefreshStatus() {
  // The list first: an operation is added after the request that it records has changed the
  // status, so the status's version does not tell of it.
  RefreshOperations();
  const ServiceStatus::Snapshot status = context_.Status.Get();
  if (status.Version == shownStatus_ && shownStatus_ != 0) return;
  shownStatus_ = status.Version;
  simulatedEncoder_ = status.SimulatedEncoder;
  listenerAlarm_ = ListenerAlarm(status);
  statusTexts_[kListenerPart] = WideFromAnsi(ListenerStatusText(status));
  statusTexts_[kEncoderPart] = WideFromAnsi(EncoderStatusText(status));
  statusTexts_[kRequestsPart] = WideFromAnsi(RequestStatusText(status));
  statusTexts_[kWarningPart] = WideFromAnsi(WarningText(status));
  Layout();
}

std::string TMainForm::StatusText(int part) const {
  const std::wstring& text = statusTexts_.at(static_cast<size_t>(part));
  return AnsiFromUnicode(std::u16string(text.begin(), text.end()));
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

void TMainForm::DrawStatusPart(const DRAWITEMSTRUCT& item) {
  const bool warning = item.itemData == kWarningPart || item.itemData == kListenerPart;
  const std::wstring& text = statusTexts_.at(static_cast<size_t>(item.itemData));
  RECT area = item.rcItem;
  if (!text.empty()) FillRect(item.hDC, &area, warning ? warningBrush_.Get() : encoderBrush_.Get());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, warning ? RGB(255, 255, 255) : RGB(0, 0, 0));
  area.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void TMainForm::FormCreate() {
  // The date and time formats are fixed in the core's conversions; nothing to set here.
  const std::string title = AnsiFromUtf8(kind_.Info().Title);
  MessageBoxes::SetApplicationTitle(title);
  SetWindowAnsi(handle_, title);
  server_.StartServer(*pane_);
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  context_.Status.SetListener({});
  // The only error of stopping is connection threads outlasting the stop wait.
  threadsLeftRunning_ = !RunGuarded(handle_, [this] { server_.StopServer(*pane_); });
}

bool TMainForm::CheckAdminPassword() {
  return keydesk::CheckAdminPassword(context_.SysOption, handle_);
}

void TMainForm::FormCloseQuery(bool& CanClose) { CanClose = CheckAdminPassword(); }

void TMainForm::ExitActionExecute() { SendMessageW(handle_, WM_CLOSE, 0, 0); }

void TMainForm::OptionActionExecute() {
  if (CheckAdminPassword()) kind_.ShowOptions();
}

void TMainForm::TestActionExecute() {
  WindowTestDialogs dialogs(handle_);
  kind_.ShowTest(dialogs);
}

void TMainForm::ChangePasswordActionExecute() {
  if (CheckAdminPassword()) ChangeAdminPassword(context_.SysOption, handle_);
}

void TMainForm::AboutActionExecute() { ShowAbout(kind_.Info().Number); }

void TMainForm::JournalActionExecute() {
  TJournalForm form(context_.RecordStore);
  form.ShowModal(handle_);
}

void TMainForm::LogActionExecute() {
  TLogViewForm form(context_.Log.FileName(), LogViewNotice(context_.SysOption));
  form.ShowModal(handle_);
}

void TMainForm::Command(int id) {
  switch (id) {
    case ID_EXIT:
      ExitActionExecute();
      break;
    case ID_OPTION:
      OptionActionExecute();
      break;
    case ID_TEST:
      TestActionExecute();
      break;
    case ID_CHANGE_PASSWORD:
      ChangePasswordActionExecute();
      break;
    case ID_ABOUT:
      AboutActionExecute();
      break;
    case ID_JOURNAL:
      JournalActionExecute();
      break;
    case ID_LOG:
      LogActionExecute();
      break;
    default:
      break;
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
      RunGuarded(handle_, [&] { FormCloseQuery(canClose); });
      if (canClose && !closed_) {
        closed_ = true;
        PostQuitMessage(0);
      }
      return 0;
    }
    case WM_QUERYENDSESSION: {
      // Logging off or shutting down takes the password as closing does.
      bool canClose = false;
      RunGuarded(handle_, [&] { FormCloseQuery(canClose); });
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
