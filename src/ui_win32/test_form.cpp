#include "ui_win32/test_form.h"

#include "ui_win32/resource_ids.h"

namespace keydesk {

void TestForm::OnCancel() {
  if (!busy_) End(IDCANCEL);
}

void TestForm::ShowOutcome(const std::string& text) { SetItemText(IDC_RESULT, text); }

void TestForm::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) pressed_ = GetFocus();
  for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Button") == 0) EnableWindow(child, !busy);
  }
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  if (busy) return;
  // Disabling the pressed button took the focus from the dialog, leaving Tab and Esc dead.
  // WM_NEXTDLGCTL rather than SetFocus, so that the dialog manager moves the default-button
  // look along. A control the clerk clicked meanwhile keeps the focus.
  const HWND focus = GetFocus();
  if (pressed_ != nullptr && IsChild(Handle(), pressed_) &&
      (focus == nullptr || !IsChild(Handle(), focus))) {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pressed_), TRUE);
  }
}

void TestForm::PumpUntil(const std::atomic<bool>& done) {
  MSG message;
  while (!done) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The run is ending; the call still has to come back first.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!IsDialogMessageW(Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace keydesk
