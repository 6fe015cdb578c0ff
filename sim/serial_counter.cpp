#include "serial_counter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <string_view>

#include "decimal.h"
#include "unique_fd.h"

namespace keydesk::sim {

int32_t NextSerial(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.Valid()) return 0;
  while (flock(fd.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return 0;
  }
  char text[32] = {};
  const ssize_t got = pread(fd.Get(), text, sizeof text - 1, 0);
  if (got < 0) return 0;
  std::string_view stored(text, static_cast<size_t>(got));
  while (!stored.empty() && (stored.back() == '\n' || stored.back() == '\r')) {
    stored.remove_suffix(1);
  }
  const std::optional<int64_t> last = ParseDecimal(stored);
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  const int64_t number = last && *last >= 0 && *last < kMax ? *last + 1 : 1;

  const std::string digits = FormatDecimal(number).append(1, '\n');
  // Rewritten in place under the lock: the text never gets shorter except on wrapping, and
  // the truncation removes what an old, longer number left behind.
  if (pwrite(fd.Get(), digits.data(), digits.size(), 0) != static_cast<ssize_t>(digits.size()) ||
      ftruncate(fd.Get(), static_cast<off_t>(digits.size())) != 0) {
    return 0;
  }
  return static_cast<int32_t>(number);
}

}  // namespace keydesk::sim
