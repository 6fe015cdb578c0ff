#include "kinds/hand/hand_test_actions.h"

#include "devices/base_hand.h"
#include "kinds/test_dialog_times.h"
#include "kinds/test_outcome.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/date_time.h"

namespace keydesk {
namespace {

bool CallDevice(TBaseHand* hand, bool (TBaseHand::*operation)(std::string&), std::string& HandNo) {
  HandNo.clear();
  return hand != nullptr && (hand->*operation)(HandNo);
}

}  // namespace

std::string HandTestActions::DefaultCheckIn() const { return DefaultTestCheckIn(clock_); }

std::string HandTestActions::DefaultCheckOut() const { return DefaultTestCheckOut(clock_); }

bool HandTestActions::OpenPort() {
  TBaseHand* hand = hand_;
  return hand != nullptr && hand->OpenPort();
}

void HandTestActions::Beep() {
  if (TBaseHand* hand = hand_) hand->Beep();
}

bool HandTestActions::ClosePort() {
  TBaseHand* hand = hand_;
  return hand != nullptr && hand->ClosePort();
}

bool HandTestActions::WriteCard(std::string& HandNo) {
  return CallDevice(hand_, &TBaseHand::WriteCard, HandNo);
}

bool HandTestActions::ReadCard(std::string& HandNo) {
  return CallDevice(hand_, &TBaseHand::ReadCard, HandNo);
}

bool HandTestActions::EraseCard(std::string& HandNo) {
  return CallDevice(hand_, &TBaseHand::EraseCard, HandNo);
}

std::string HandTestActions::Outcome(const char* actionUtf8, bool succeeded,
                                     const std::string& HandNo) {
  return TestOutcomeText(actionUtf8, succeeded,
                         HandNo.empty() ? std::string() : AnsiFromUtf8("手牌号 ") + HandNo);
}

}  // namespace keydesk
