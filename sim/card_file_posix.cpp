#include "card_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

#include "card_text.h"
#include "file_watch.h"
#include "result_codes.h"
#include "unique_fd.h"

namespace keydesk::sim {
namespace {

// Reads the whole file into text; 0 or the errno of the failure.
int ReadAll(int fd, std::string& text) {
  text.clear();
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    text.append(buffer, static_cast<size_t>(got));
  }
}

int ReadWholeFile(const std::string& path, std::string& text) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  return ReadAll(fd.Get(), text);
}

// The last card read. A card read takes three library calls, and each would otherwise open,
// read and parse the file again. Whether the file is still the one read is told by a watch
// on it, or, where a watch cannot be trusted, by the file's identity (device, inode, size
// and times): a writer always renames a new file into place, and a hand edit changes the
// size or a time.
class CardCache {
 public:
  // kOk with the card at path, or kNoCard or kDamagedCard.
  static int Get(const std::string& path, std::shared_ptr<const ParsedCard>& card) {
    std::lock_guard lock(mutex_);
    if (!watch_) watch_ = std::make_unique<FileWatch>();
    if (path != path_) {
      path_ = path;
      card_.reset();
    }
    // Read the watch's reports before looking at the file, so that a change made after the
    // look is among the next reports.
    const bool mayHaveChanged = watch_->MayHaveChanged();
    if (card_ && watchTrusted_ && !mayHaveChanged) {
      card = card_;
      return kOk;
    }

    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return Forget(errno == ENOENT ? kNoCard : kDamagedCard);
    // A symbolic link can be pointed elsewhere without the file it named changing.
    const bool link = S_ISLNK(status.st_mode);
    if (link && stat(path.c_str(), &status) != 0) {
      return Forget(errno == ENOENT ? kNoCard : kDamagedCard);
    }
    // Watched before it is read: a change from here on is reported.
    watchTrusted_ = watch_->Watch(path) && !link;
    if (!card_ || !SameFile(status, status_)) {
      UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
      if (!fd.Valid()) return Forget(errno == ENOENT ? kNoCard : kDamagedCard);
      std::string text;
      if (fstat(fd.Get(), &status) != 0 || ReadAll(fd.Get(), text) != 0) {
        return Forget(kDamagedCard);
      }
      card_ = ParsedCard::FromText(text);
      status_ = status;
    }
    card = card_;
    return kOk;
  }

 private:
  static int Forget(int result) {
    card_.reset();
    return result;
  }

  static bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
  }

  static inline std::mutex mutex_;
  static inline std::string path_;                        // guarded by mutex_
  static inline std::unique_ptr<FileWatch> watch_;        // guarded by mutex_
  static inline bool watchTrusted_ = false;               // guarded by mutex_
  static inline std::shared_ptr<const ParsedCard> card_;  // guarded by mutex_
  static inline struct stat status_ {};                   // guarded by mutex_
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// Writes text to a temporary file beside path and renames it over path, so that the card
// is either the old one or the new one, also after a crash of the process. No fsync(): a
// simulated card need not survive a power cut, and syncing would slow every benchmark.
bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::string temporary = std::string(path).append(".tmp");
  UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd.Valid()) return false;
  const bool written = WriteAll(fd.Get(), text);
  if (!fd.Close() || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int CardFile::WriteBlock(std::string_view blockName, const CardBlock& block) const {
  // The temporary file is shared by all writers, which the lock keeps one at a time.
  const std::string lockPath = std::string(path_).append(".lock");
  UniqueFd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!lock.Valid()) return kWriteFailed;
  while (flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return kWriteFailed;
  }

  // The lock is held until the descriptor closes on return.
  std::string text;
  if (const int error = ReadWholeFile(path_, text); error != 0 && error != ENOENT) {
    return kWriteFailed;
  }
  return ReplaceFile(path_, ReplaceBlock(text, blockName, block)) ? kOk : kWriteFailed;
}

int CardFile::ReadBlock(std::string_view blockName, std::shared_ptr<const CardBlock>& block) const {
  // No lock: a writer renames a complete file into place, so any open sees a whole card.
  std::shared_ptr<const ParsedCard> card;
  if (const int result = CardCache::Get(path_, card); result != kOk) return result;
  return FindBlock(card, blockName, block);
}

}  // namespace keydesk::sim
