#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace keydesk {

// Splits a connection's byte stream into requests, each ended by one NUL byte. Bytes that
// follow a NUL stay buffered for the next request. Knows nothing of sockets. Not
// thread-safe; one per connection.
class RequestFramer {
 public:
  static constexpr size_t kMaxRequestLength = 16384;

  void Append(std::string_view bytes) { buffer_.append(bytes); }

  // The next complete request without its NUL, or none while no NUL has arrived. Raises
  // FramingError "Max line length exceeded." when more than kMaxRequestLength bytes stand
  // before the NUL, or are buffered without one.
  std::optional<std::string> Next();

  size_t Buffered() const { return buffer_.size() - start_; }
  // The buffered bytes of the next request.
  std::string_view Pending() const { return std::string_view(buffer_).substr(start_); }

 private:
  std::string buffer_;
  size_t start_ = 0;    // where the unread part of buffer_ begins
  size_t scanned_ = 0;  // bytes after start_ already known to hold no NUL
};

}  // namespace keydesk
