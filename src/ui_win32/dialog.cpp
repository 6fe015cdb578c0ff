#include "ui_win32/dialog.h"

#include <algorithm>
#include <utility>

#include "ui_win32/message_box.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

// Posted by WM_INITDIALOG: the dialog shows before its loop takes this message.
constexpr UINT kShown = WM_APP + 1;

Dialog::ShownHook& TheShownHook() {
  static Dialog::ShownHook hook;
  return hook;
}

}  // namespace

INT_PTR Dialog::ShowModal(HWND owner) {
  owner_ = owner;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                         &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::ShowAlongside(HWND owner) {
  owner_ = owner;
  alongside_ = true;
  const HWND handle = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                         owner, &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
  if (handle == nullptr) return IDCANCEL;
  ShowWindow(handle, SW_SHOWNORMAL);
  MSG message;
  while (!ended_ && IsWindow(handle)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The run is ending: the loop that called us must see its WM_QUIT too.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!IsDialogMessageW(handle, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (IsWindow(handle)) DestroyWindow(handle);
  handle_ = nullptr;
  return result_;
}

std::string Dialog::ItemText(int id) const { return WindowAnsi(Item(id)); }

void Dialog::SetItemText(int id, const std::string& ansi) { SetWindowAnsi(Item(id), ansi); }

void Dialog::SetItemUtf8(int id, const std::string& utf8) { SetWindowUtf8(Item(id), utf8); }

bool Dialog::Checked(int id) const { return IsDlgButtonChecked(handle_, id) == BST_CHECKED; }

void Dialog::SetChecked(int id, bool checked) {
  CheckDlgButton(handle_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Dialog::End(INT_PTR result) {
  ended_ = true;
  result_ = result;
  // A dialog beside its owner is destroyed by its own loop once it sees ended_.
  if (alongside_) {
    ShowWindow(handle_, SW_HIDE);
  } else {
    EndDialog(handle_, result);
  }
}

Dialog::ShownHook Dialog::SetShownHook(ShownHook hook) {
  return std::exchange(TheShownHook(), std::move(hook));
}

INT_PTR CALLBACK Dialog::Procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrW(handle, DWLP_USER, lParam);
    dialog->handle_ = handle;
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(handle, DWLP_USER));
  return dialog != nullptr ? dialog->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Place();
      RunGuarded(handle_, [this] { OnInit(); });
      PostMessageW(handle_, kShown, 0, 0);
      // OnInit put the focus where it belongs.
      return FALSE;
    case kShown:
      if (const ShownHook& hook = TheShownHook()) {
        // The dialog manager shows a modal dialog once its queue is empty; a hook comes first.
        ShowWindow(handle_, SW_SHOWNORMAL);
        UpdateWindow(handle_);
        hook(*this);
      }
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDCANCEL) {
        RunGuarded(handle_, [this] { OnCancel(); });
        return TRUE;
      }
      bool handled = false;
      RunGuarded(handle_, [&] { handled = OnCommand(id, code); });
      return handled ? TRUE : FALSE;
    }
    case WM_CLOSE:
      RunGuarded(handle_, [this] { OnCancel(); });
      return TRUE;
    default:
      return OnMessage(message, wParam, lParam);
  }
}

// Dialog units follow the font's size, so a workstation with another face for "宋体" would
// show the template larger or smaller than the form's size in pixels. The controls are moved
// in proportion, so that the layout fills the form as designed whatever the face.
void Dialog::FitControls() {
  RECT designed{};
  GetClientRect(handle_, &designed);
  if (designed.right <= 0 || designed.bottom <= 0) return;
  if (designed.right == clientSize_.cx && designed.bottom == clientSize_.cy) return;
  const auto scaleX = [&](LONG x) { return MulDiv(x, clientSize_.cx, designed.right); };
  const auto scaleY = [&](LONG y) { return MulDiv(y, clientSize_.cy, designed.bottom); };
  for (HWND child = GetWindow(handle_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT area{};
    GetWindowRect(child, &area);
    MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&area), 2);
    int height = scaleY(area.bottom) - scaleY(area.top);
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"ComboBox") == 0) {
      // A combo box's height is that of its open list; its closed height follows the font.
      RECT dropped{};
      SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      height = std::max<int>(height, dropped.bottom - dropped.top);
    }
    MoveWindow(child, scaleX(area.left), scaleY(area.top), scaleX(area.right) - scaleX(area.left),
               height, FALSE);
  }
}

void Dialog::Place() {
  FitControls();
  RECT frame{0, 0, clientSize_.cx, clientSize_.cy};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(handle_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(handle_, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT area{};
  if (placement_ == Placement::CentredOnOwner && owner_ != nullptr && IsWindowVisible(owner_)) {
    GetWindowRect(owner_, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  SetWindowPos(handle_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace keydesk
