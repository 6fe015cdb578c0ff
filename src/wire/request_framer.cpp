#include "wire/request_framer.h"

#include <cstring>

#include "platform/errors.h"

namespace keydesk {

std::optional<std::string> RequestFramer::Next() {
  const size_t available = buffer_.size() - start_;
  // Look no further than one byte past the limit: a NUL beyond it is refused anyway.
  const size_t limit = std::min(available, kMaxRequestLength + 1);
  const char* begin = buffer_.data() + start_;
  const void* nul =
      scanned_ < limit ? std::memchr(begin + scanned_, '\0', limit - scanned_) : nullptr;
  if (nul == nullptr) {
    if (available > kMaxRequestLength) throw FramingError(std::string(kMaxLineLengthExceeded));
    scanned_ = limit;
    return std::nullopt;
  }
  const size_t length = static_cast<const char*>(nul) - begin;
  if (length > kMaxRequestLength) throw FramingError(std::string(kMaxLineLengthExceeded));
  std::string request(begin, length);
  start_ += length + 1;
  scanned_ = 0;
  // Drop consumed bytes once they outweigh the rest, so the buffer does not grow forever on
  // a kept connection.
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  return request;
}

}  // namespace keydesk
