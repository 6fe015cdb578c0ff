#include "folder_watch.h"

#include <pthread.h>
#include <sys/inotify.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace keydesk::sim {
namespace {

constexpr uint32_t kEntryChanges =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

// A child made by fork() shares the parent's inotify descriptor, and whichever process
// reads a report takes it away from the other: after a fork neither may trust its watch.
std::atomic<unsigned> forkGeneration{0};

unsigned CurrentForkGeneration() {
  static const bool registered = [] {
    const auto bump = [] { forkGeneration.fetch_add(1, std::memory_order_relaxed); };
    return pthread_atfork(nullptr, bump, bump) == 0;
  }();
  // Without the handler a fork would go unnoticed: report a new generation at every call.
  if (!registered) return forkGeneration.fetch_add(1, std::memory_order_relaxed) + 1;
  return forkGeneration.load(std::memory_order_relaxed);
}

}  // namespace

FolderWatch::FolderWatch(const std::string& filePath)
    : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  const size_t slash = filePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : filePath.substr(0, slash);
  fileName_ = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
  forkGeneration_ = CurrentForkGeneration();
  if (descriptor_.Valid() && inotify_add_watch(descriptor_.Get(), folder.c_str(),
                                               kEntryChanges | kFolderGone | IN_ONLYDIR) < 0) {
    descriptor_.Close();
  }
}

bool FolderWatch::MayHaveChanged() {
  if (!descriptor_.Valid()) return true;
  if (forkGeneration_ != CurrentForkGeneration()) lostTrack_ = true;
  bool changed = lostTrack_;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(descriptor_.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // EAGAIN: nothing more is pending. Anything else: the watch cannot be trusted.
      if (got == 0 || errno != EAGAIN) lostTrack_ = changed = true;
      break;
    }
    for (ssize_t offset = 0; offset < got;) {
      inotify_event event;
      std::memcpy(&event, buffer + offset, sizeof event);
      const char* name = buffer + offset + sizeof event;
      if ((event.mask & (kFolderGone | IN_Q_OVERFLOW)) != 0) {
        lostTrack_ = changed = true;
      } else if (event.len > 0 && fileName_ == name) {
        changed = true;
      }
      offset += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
  return changed;
}

}  // namespace keydesk::sim
