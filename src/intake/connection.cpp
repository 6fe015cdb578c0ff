#include "intake/connection.h"

namespace keydesk {

std::optional<std::string> TConnection::ReadRequest() {
  char chunk[4096];
  for (;;) {
    if (auto request = framer_.Next()) return request;
    const size_t received = socket_.Receive(chunk, sizeof chunk);
    if (received == 0) return std::nullopt;
    framer_.Append(std::string_view(chunk, received));
  }
}

}  // namespace keydesk
