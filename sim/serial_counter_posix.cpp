#include "serial_counter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
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
  const int32_t number = FollowingSerial(std::string_view(text, static_cast<size_t>(got)));

  const std::string digits = FormatDecimal(number).append(1, '\n');
  // Rewritten in place under the lock: the text never gets shorter except on wrapping, and
  // the truncation removes what an old, longer number left behind.
  if (pwrite(fd.Get(), digits.data(), digits.size(), 0) != static_cast<ssize_t>(digits.size()) ||
      ftruncate(fd.Get(), static_cast<off_t>(digits.size())) != 0) {
    return 0;
  }
  return number;
}

}  // namespace keydesk::sim
