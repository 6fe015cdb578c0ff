#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/base_police.h"
#include "fakes/call_count.h"

namespace keydesk::test {

// A police system that offers the guest it is given, or none, and records each call. Not
// thread-safe: for tests that call it from one thread.
class FakePolice final : public TBasePolice {
 public:
  const TGuest* GetGuest() override {
    calls.push_back("GetGuest");
    return guest ? &*guest : nullptr;
  }

  int Count(std::string_view operation) const { return CallCount(calls, operation); }

  std::optional<TGuest> guest;
  std::vector<std::string> calls;
};

}  // namespace keydesk::test
