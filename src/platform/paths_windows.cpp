#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::string PathInFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  // Looked at as UTF-16: the second byte of a code page 936 character may be "\".
  const std::wstring wide = WideFromAnsi(folder);
  if (!wide.empty() && wide.back() != L'\\' && wide.back() != L'/') path += '\\';
  return path.append(name);
}

std::string FileNameInPath(std::string_view path) {
  // Looked at as UTF-16, for the same reason; "C:name" names a file in drive C's folder.
  const std::wstring wide = WideFromAnsi(path);
  const size_t separator = wide.find_last_of(L"\\/:");
  const std::wstring name = separator == std::wstring::npos ? wide : wide.substr(separator + 1);
  return AnsiFromUnicode(std::u16string(name.begin(), name.end()));
}

std::string Utf8FromPath(std::string_view path) { return Utf8FromAnsi(path); }

std::string AnsiFromPath(std::string_view path) { return std::string(path); }

}  // namespace keydesk
