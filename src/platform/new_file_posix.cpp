#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/code_page.h"
#include "platform/new_file.h"

namespace keydesk {
namespace {

std::string ErrnoReason(int number) { return AnsiFromUtf8(std::strerror(number)); }

}  // namespace

PathState ExaminePath(const std::string& path, std::string* reason) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    return S_ISREG(info.st_mode) ? PathState::File : PathState::NotAFile;
  }
  if (errno == ENOENT) return PathState::Missing;
  *reason = ErrnoReason(errno);
  return PathState::Unknown;
}

std::optional<std::string> CreateUniqueFile(const std::string& path, std::string* reason) {
  std::string name = path + ".XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    *reason = ErrnoReason(errno);
    return std::nullopt;
  }
  // mkstemp makes the file private to its owner.
  ::fchmod(fd, 0644);
  ::close(fd);
  return name;
}

Placement PlaceWithoutReplacing(const std::string& from, const std::string& to,
                                std::string* reason) {
  // link() refuses an existing name, where rename() would replace the file.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return Placement::Placed;
  }
  if (errno == EEXIST) return Placement::NameTaken;
  // A file system without hard links.
  if (::rename(from.c_str(), to.c_str()) == 0) return Placement::Placed;
  *reason = ErrnoReason(errno);
  return Placement::Failed;
}

}  // namespace keydesk
