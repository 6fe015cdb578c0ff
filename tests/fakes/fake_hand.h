#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/base_hand.h"
#include "fakes/call_count.h"
#include "platform/errors.h"

namespace keydesk::test {

// A hand-tag device that answers as told: every operation returns result, and the card
// operations leave number in HandNo whatever the result. It records each call in order, a
// card operation with the hand number it was given ("ReadCard(typed)"). With raise set, an
// operation records its call and then throws Error with that text (code page 936), as a
// device with a broken connection might. Not thread-safe: for tests that call it from one
// thread.
class FakeHand final : public TBaseHand {
 public:
  bool OpenPort() override { return Answer("OpenPort"); }
  void Beep() override { Answer("Beep"); }
  bool ClosePort() override { return Answer("ClosePort"); }
  bool WriteCard(std::string& HandNo) override { return Answer("WriteCard", HandNo); }
  bool ReadCard(std::string& HandNo) override { return Answer("ReadCard", HandNo); }
  bool EraseCard(std::string& HandNo) override { return Answer("EraseCard", HandNo); }

  int Count(std::string_view operation) const { return CallCount(calls, operation); }

  std::string number = "123";
  bool result = true;
  std::optional<std::string> raise;
  std::vector<std::string> calls;

 private:
  bool Answer(const std::string& operation) {
    calls.push_back(operation);
    if (raise) throw Error(*raise);
    return result;
  }
  bool Answer(const std::string& operation, std::string& HandNo) {
    calls.push_back(operation + "(" + HandNo + ")");
    if (raise) throw Error(*raise);
    HandNo = number;
    return result;
  }
};

}  // namespace keydesk::test
