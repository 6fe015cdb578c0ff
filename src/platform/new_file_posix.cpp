#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

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
  // Made with the mode the process's umask leaves of 0644, as every file keydesk makes: a
  // service started with UMask=0027 keeps Client.mdb from other users.
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof(kLetters) - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = path + ".";
    for (int i = 0; i < 8; ++i) name += kLetters[pick(random)];
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) break;
  }
  *reason = ErrnoReason(errno);
  return std::nullopt;
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
