#include <windows.h>

#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/executable_path.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::string ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw Error("GetModuleFileNameW: " + SystemErrorText(GetLastError()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // cut short: a longer path
  }
  const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
  if (std::optional<std::string> ansi = ExactAnsiFromWide(folder)) return *std::move(ansi);
  // A name outside code page 936 cannot be a path inside the system; the folder's short
  // name, where the volume keeps short names, is plain ASCII.
  std::wstring shortName(MAX_PATH, L'\0');
  const DWORD length =
      GetShortPathNameW(folder.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
  if (length > 0 && length < shortName.size()) {
    shortName.resize(length);
    if (std::optional<std::string> ansi = ExactAnsiFromWide(shortName)) return *std::move(ansi);
  }
  throw Error("The folder " + AnsiFromUnicode(std::u16string(folder.begin(), folder.end())) +
              " has characters outside code page 936; move the program to another folder");
}

}  // namespace keydesk
