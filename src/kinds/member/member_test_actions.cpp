#include "kinds/member/member_test_actions.h"

#include "devices/base_member.h"
#include "kinds/test_outcome.h"
#include "platform/code_page.h"

namespace keydesk {

int32_t MemberTestActions::Channel(std::string_view channelText) {
  static const std::string hotelCard = AnsiFromUtf8(kHotelCardItem);
  return channelText == hotelCard ? TBaseMember::kHotelChannel : TBaseMember::kAllianceChannel;
}

bool MemberTestActions::OpenPort() {
  TBaseMember* member = member_;
  return member != nullptr && member->OpenPort();
}

void MemberTestActions::Beep() {
  if (TBaseMember* member = member_) member->Beep();
}

bool MemberTestActions::ClosePort() {
  TBaseMember* member = member_;
  return member != nullptr && member->ClosePort();
}

bool MemberTestActions::ReadCard(std::string_view channelText, MemberTestRead& read) {
  read = MemberTestRead{};
  TBaseMember* member = member_;
  return member != nullptr && member->ReadCard(false, read.CardNo, read.Password, read.ExpireDate,
                                               read.GuestName, read.Score, Channel(channelText));
}

bool MemberTestActions::WriteCard(const std::string& cardNo, std::string_view channelText) {
  TBaseMember* member = member_;
  return member != nullptr && member->WriteCard(cardNo, {}, {}, {}, Channel(channelText));
}

bool MemberTestActions::PrintCard() {
  static const std::string printText = AnsiFromUtf8(kPrintText);
  TBaseMember* member = member_;
  return member != nullptr && member->PrintCard(kPrintCardNo, printText);
}

std::string MemberTestActions::ReadOutcome(bool succeeded, const MemberTestRead& read) {
  return TestOutcomeText("读卡", succeeded,
                         read.CardNo.empty() ? std::string() : AnsiFromUtf8("卡号 ") + read.CardNo);
}

std::string MemberTestActions::WriteOutcome(bool written, const std::string& cardNo) {
  return TestOutcomeText("写卡", written, AnsiFromUtf8("卡号 ") + cardNo);
}

}  // namespace keydesk
