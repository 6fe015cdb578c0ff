#include "platform/append_windows.h"

#include <algorithm>

namespace keydesk {

bool AppendWhole(HANDLE file, std::string_view bytes) {
  OVERLAPPED turn{};
  turn.OffsetHigh = 0x7FFFFFFF;
  turn.Offset = 0xFFFFFFF0;
  // Windows may refuse a lock through a handle that can only append; its own appends are
  // whole anyway, so the lock is taken where it can be.
  const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn);
  bool ok = true;
  while (ok && !bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data(), piece, &written, nullptr) && written > 0;
    bytes.remove_prefix(ok ? written : bytes.size());
  }
  if (locked) UnlockFileEx(file, 0, 1, 0, &turn);
  return ok;
}

}  // namespace keydesk
