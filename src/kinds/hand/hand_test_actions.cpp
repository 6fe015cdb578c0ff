#include "kinds/hand/hand_test_actions.h"

#include "kinds/service_context.h"
#include "kinds/test_dialog_times.h"
#include "devices/base_hand.h"
#include "platform/clock.h"
#include "platform/date_time.h"

namespace keydesk {
namespace {

bool CallDevice(AppContext& context, bool (TBaseHand::*operation)(std::string&),
                std::string& HandNo) {
  HandNo.clear();
  TBaseHand* hand = context.Hand.load();
  return hand != nullptr && (hand->*operation)(HandNo);
}

}  // namespace

std::string HandTestActions::DefaultCheckIn() const {
  return DefaultTestCheckIn(context_.LocalClock);
}

std::string HandTestActions::DefaultCheckOut() const {
  return DefaultTestCheckOut(context_.LocalClock);
}

bool HandTestActions::OpenPort() {
  TBaseHand* hand = context_.Hand.load();
  return hand != nullptr && hand->OpenPort();
}

void HandTestActions::Beep() {
  if (TBaseHand* hand = context_.Hand.load()) hand->Beep();
}

bool HandTestActions::ClosePort() {
  TBaseHand* hand = context_.Hand.load();
  return hand != nullptr && hand->ClosePort();
}

bool HandTestActions::WriteCard(std::string& HandNo) {
  return CallDevice(context_, &TBaseHand::WriteCard, HandNo);
}

bool HandTestActions::ReadCard(std::string& HandNo) {
  return CallDevice(context_, &TBaseHand::ReadCard, HandNo);
}

bool HandTestActions::EraseCard(std::string& HandNo) {
  return CallDevice(context_, &TBaseHand::EraseCard, HandNo);
}

}  // namespace keydesk
