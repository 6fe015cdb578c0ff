#include "platform/errors.h"

namespace keydesk {

std::string Substitute(std::string_view pattern, std::string_view value) {
  std::string result(pattern);
  if (auto at = result.find("%s"); at != std::string::npos) result.replace(at, 2, value);
  return result;
}

}  // namespace keydesk
