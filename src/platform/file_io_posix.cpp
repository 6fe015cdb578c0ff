#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "platform/file_io.h"
#include "platform/new_file.h"

namespace keydesk {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int Get() const { return fd_; }
  // Closes now, reporting failure; a failed close may mean lost data.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

bool ReadAll(int fd, std::string& content) {
  // Small: this also runs on connection threads, whose stacks are small.
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(buffer, static_cast<size_t>(count));
  }
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t count = ::write(fd, content.data(), content.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<size_t>(count));
  }
  return true;
}

// A symbolic link stays a link: the file it names is replaced instead.
std::string ReplacedPath(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  std::error_code error;
  std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target.string();
}

bool SyncFolder(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  // Some file systems cannot sync a folder at all (EINVAL); the rename stands there anyway.
  return ::fsync(fd.Get()) == 0 || errno == EINVAL;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return std::nullopt;
  std::string content;
  if (!ReadAll(fd.Get(), content)) return std::nullopt;
  return content;
}

struct FileRewrite::Native {
  std::optional<struct stat> status;  // empty when the file does not exist yet
};

FileRewrite::FileRewrite(const std::string& path)
    : target_(ReplacedPath(path)), native_(std::make_unique<Native>()) {
  Fd fd(::open(target_.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) existing_.emplace();
    return;
  }
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  std::string content;
  if (!ReadAll(fd.Get(), content)) return;
  existing_ = std::move(content);
  native_->status = status;
}

FileRewrite::~FileRewrite() = default;

// Writes content to a new file beside the target and renames it over the target, so that
// the target always holds either the old or the new content in full.
bool FileRewrite::Commit(std::string_view content) {
  const std::optional<struct stat>& original = native_->status;
  std::string temp = target_ + ".XXXXXX";
  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.Get() < 0) return false;
  bool ok = WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
  // A new file keeps mkstemp's 0600: it holds the administrator password in plain text.
  if (ok && original) {
    // Keeping the owner needs the right to change it; without that the file becomes ours.
    // The mode comes after, as a change of owner may clear set-id bits.
    if (::fchown(fd.Get(), original->st_uid, original->st_gid) != 0) {
    }
    ok = ::fchmod(fd.Get(), original->st_mode & 07777) == 0;
  }
  ok = fd.Close() && ok;
  ok = ok && ::rename(temp.c_str(), target_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The new content is in place; syncing the folder makes the rename survive a crash. A
  // folder that cannot be synced must not turn a done write into a reported failure.
  SyncFolder(target_);
  return true;
}

bool ReplaceWholeFile(const std::string& path, std::string_view content) {
  std::string reason;
  const std::optional<std::string> made = CreateUniqueFile(path, &reason);
  if (!made) return false;
  const std::string& temp = *made;
  Fd fd(::open(temp.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    ::unlink(temp.c_str());
    return false;
  }
  bool ok = WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool AppendWholeBytes(const std::string& path, std::string_view bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (fd.Get() < 0) return false;
  const bool ok = WriteAll(fd.Get(), bytes);
  return fd.Close() && ok;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::optional<uint64_t> FileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::vector<FolderFile> FilesInFolder(const std::string& folder) {
  std::vector<FolderFile> files;
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.c_str()), &::closedir);
  if (directory == nullptr) return files;
  while (const dirent* entry = ::readdir(directory.get())) {
    struct stat info {};
    const std::string name = entry->d_name;
    if (::fstatat(::dirfd(directory.get()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      const auto since = std::chrono::seconds(info.st_mtim.tv_sec) +
                         std::chrono::nanoseconds(info.st_mtim.tv_nsec);
      files.push_back(
          {name, std::chrono::system_clock::time_point(
                     std::chrono::duration_cast<std::chrono::system_clock::duration>(since))});
    }
  }
  return files;
}

}  // namespace keydesk
