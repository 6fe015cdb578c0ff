#include "core/log_follower.h"

#include <fstream>

namespace keydesk {

LogFollower::Lines LogFollower::ReadNew() {
  Lines lines;
  std::ifstream file(fileName_, std::ios::binary | std::ios::ate);
  if (!file) return lines;  // not written yet, or moved away
  const auto size = static_cast<uint64_t>(file.tellg());
  if (size < offset_) {
    lines.Restarted = true;
    offset_ = 0;
  }
  if (size == offset_) return lines;
  std::string added(size - offset_, '\0');
  file.seekg(static_cast<std::streamoff>(offset_));
  file.read(added.data(), static_cast<std::streamsize>(added.size()));
  added.resize(static_cast<size_t>(file.gcount()));
  // A line still being written waits for the next call.
  const size_t end = added.rfind('\n');
  if (end == std::string::npos) return lines;
  added.resize(end + 1);
  offset_ += added.size();
  lines.Text = std::move(added);
  return lines;
}

}  // namespace keydesk
