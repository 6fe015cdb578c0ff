// The NUL framer fed an arbitrary byte stream in arbitrary chunks must give exactly the
// requests a plain split at each NUL gives, and refuse exactly when a request is too long.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "wire/request_framer.h"

namespace {

// The expected outcome: the requests before the first refusal, and whether one comes.
struct Expected {
  std::vector<std::string> requests;
  bool refused = false;
};

Expected Split(std::string_view stream) {
  Expected expected;
  while (true) {
    const size_t nul = stream.find('\0');
    const size_t pending = nul == std::string_view::npos ? stream.size() : nul;
    if (pending > keydesk::RequestFramer::kMaxRequestLength) {
      expected.refused = true;
      return expected;
    }
    if (nul == std::string_view::npos) return expected;
    expected.requests.emplace_back(stream.substr(0, nul));
    stream.remove_prefix(nul + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the chunk size and, when odd, a run without NUL after the input
  // that ends just below, at or just above the length limit with what the input left
  // pending, so the limit is reached without thousands of tiny requests before it.
  const size_t chunk = 1 + data[0] * 97;
  std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] % 2 == 1) {
    const size_t pending = stream.size() - (stream.rfind('\0') + 1);
    const size_t target = keydesk::RequestFramer::kMaxRequestLength - 4 + data[0] % 9;
    if (pending < target) stream.append(target - pending, 'x');
  }
  const Expected expected = Split(stream);

  keydesk::RequestFramer framer;
  std::vector<std::string> seen;
  bool refused = false;
  for (size_t at = 0; at < stream.size() && !refused; at += chunk) {
    framer.Append(std::string_view(stream).substr(at, chunk));
    try {
      while (std::optional<std::string> request = framer.Next()) seen.push_back(*request);
    } catch (const keydesk::FramingError&) {
      refused = true;
    }
  }
  if (seen != expected.requests || refused != expected.refused) __builtin_trap();
  return 0;
}
