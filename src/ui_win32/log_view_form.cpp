#include "ui_win32/log_view_form.h"

#include "app/journal_browser.h"  // the record views' texts
#include "platform/wide_text_windows.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowMilliseconds = 500;

}  // namespace

TLogViewForm::TLogViewForm(std::string logFileName, std::string notice)
    : Dialog(IDD_LOG_VIEW, kClientSize, Placement::CentredOnOwner),
      logFileName_(logFileName),
      notice_(std::move(notice)),
      follower_(std::move(logFileName)) {}

void TLogViewForm::OnInit() {
  SetWindowAnsi(Handle(), LogViewCaption(logFileName_));
  // The edit box's own limit (32767 characters) would stop a busy day's log.
  SendDlgItemMessageW(Handle(), IDC_LOGTEXT, EM_SETLIMITTEXT, 0, 0);
  if (!notice_.empty())
    SetWindowTextW(Item(IDC_LOGTEXT), (WideFromAnsi(notice_) + L"\r\n").c_str());
  Follow();
  SetTimer(Handle(), kFollowTimer, kFollowMilliseconds, nullptr);
}

INT_PTR TLogViewForm::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_TIMER && wParam == kFollowTimer) {
    Follow();
    return TRUE;
  }
  if (message == WM_DESTROY) KillTimer(Handle(), kFollowTimer);
  return 0;
}

void TLogViewForm::Follow() {
  const LogFollower::Lines lines = follower_.ReadNew();
  const HWND text = Item(IDC_LOGTEXT);
  if (lines.Restarted) SetWindowTextW(text, L"");
  if (lines.Text.empty()) return;
  // The edit box breaks lines at CR LF only; the log has them on Windows, LF alone elsewhere.
  std::wstring added;
  for (const wchar_t c : WideFromAnsi(lines.Text)) {
    if (c == L'\r') continue;
    if (c == L'\n') added.push_back(L'\r');
    added.push_back(c);
  }
  const int end = GetWindowTextLengthW(text);
  SendMessageW(text, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(text, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
}

}  // namespace keydesk
