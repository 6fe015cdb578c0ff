#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keydesk::test {

// How many of the recorded calls are to the operation: entries that are its name alone or
// its name followed by its arguments in parentheses.
inline int CallCount(const std::vector<std::string>& calls, std::string_view operation) {
  int count = 0;
  for (const std::string& call : calls) {
    const std::string_view name = std::string_view(call).substr(0, call.find('('));
    if (name == operation) ++count;
  }
  return count;
}

}  // namespace keydesk::test
