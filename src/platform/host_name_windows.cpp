#include <windows.h>

#include <array>

#include "platform/host_name.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::string HostName() {
  std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetComputerNameW(name.data(), &size)) return {};
  return AnsiFromWide(std::wstring_view(name.data(), size));
}

}  // namespace keydesk
