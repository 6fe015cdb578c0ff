#include "kinds/hand/hand_test_actions.h"

#include "devices/base_hand.h"
#include "kinds/test_dialog_times.h"
#include "platform/clock.h"
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

}  // namespace keydesk
