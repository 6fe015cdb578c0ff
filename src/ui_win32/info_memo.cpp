#include "ui_win32/info_memo.h"

#include "platform/wide_text_windows.h"

namespace keydesk {

void TInfoMemo::AddLine(const std::string& line) {
  const int end = GetWindowTextLengthW(edit_);
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(end), end);
  const std::wstring text = WideFromAnsi(line) + L"\r\n";
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace keydesk
