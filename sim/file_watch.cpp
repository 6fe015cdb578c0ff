#include "file_watch.h"

#include <pthread.h>
#include <sys/inotify.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace keydesk::sim {
namespace {

// IN_ATTRIB also comes when the file's link count changes: another file renamed over it, or
// its removal.
constexpr uint32_t kChanges = IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

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

FileWatch::FileWatch()
    : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      forkGeneration_(CurrentForkGeneration()) {}

bool FileWatch::Watch(const std::string& path) {
  if (!descriptor_.Valid()) return false;
  const int watched = inotify_add_watch(descriptor_.Get(), path.c_str(), kChanges);
  // The same file keeps its watch; a file watched before is let go.
  if (watched_ >= 0 && watched != watched_) inotify_rm_watch(descriptor_.Get(), watched_);
  watched_ = watched;
  forkGeneration_ = CurrentForkGeneration();
  return watched_ >= 0;
}

bool FileWatch::MayHaveChanged() {
  if (!descriptor_.Valid()) return true;
  bool changed = watched_ < 0 || forkGeneration_ != CurrentForkGeneration();
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(descriptor_.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) break;
    if (got <= 0) return true;
    // Only one file is watched: any report (a stale one of a file let go, an overflow)
    // counts as a change.
    changed = true;
    for (ssize_t offset = 0; offset < got;) {
      inotify_event event;
      std::memcpy(&event, buffer + offset, sizeof event);
      if (event.wd == watched_ && (event.mask & IN_IGNORED) != 0) watched_ = -1;
      offset += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
  return changed;
}

}  // namespace keydesk::sim
