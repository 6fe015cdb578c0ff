#include <windows.h>

#include "serial_counter.h"
#include "windows_files.h"

namespace keydesk::sim {

int32_t NextSerial(const std::string& path) {
  UniqueHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return 0;
  const RangeLock lock(file.Get(), true, 0, 0, MAXDWORD);
  if (!lock.Held()) return 0;
  char text[32] = {};
  DWORD got = 0;
  if (!ReadFile(file.Get(), text, sizeof text - 1, &got, nullptr)) return 0;
  const int32_t number = FollowingSerial(std::string_view(text, got));

  const std::string digits = FormatDecimal(number).append(1, '\n');
  // Rewritten in place under the lock: the text never gets shorter except on wrapping, and
  // cutting the file at its end removes what an old, longer number left behind.
  DWORD written = 0;
  if (SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) != 0 ||
      !WriteFile(file.Get(), digits.data(), static_cast<DWORD>(digits.size()), &written, nullptr) ||
      written != digits.size() || !SetEndOfFile(file.Get())) {
    return 0;
  }
  return number;
}

}  // namespace keydesk::sim
