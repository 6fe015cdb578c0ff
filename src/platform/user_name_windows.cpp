#include <windows.h>

#include <array>

#include "platform/user_name.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::string UserName() {
  // UNLEN (lmcons.h) is 256.
  std::array<wchar_t, 257> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetUserNameW(name.data(), &size) || size == 0) return {};
  // The size counts the terminating NUL.
  return AnsiFromWide(std::wstring_view(name.data(), size - 1));
}

}  // namespace keydesk
