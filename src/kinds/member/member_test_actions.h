#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keydesk {

class TBaseMember;

// What a read of the member-card test dialog gave back, code page 936.
struct MemberTestRead {
  std::string CardNo;
  std::string Password;
  std::string ExpireDate;
  std::string GuestName;
  std::string Score;
};

// The member-card test dialog's operations without the dialog: each calls the installed
// device directly, with no handler, no log line and no message. The channel comes afresh
// from the list's text at every read and write.
//
// Used on the main thread; the device states its own thread-safety.
class MemberTestActions {
 public:
  // The channel list's items, UTF-8 source literals; the first is the hotel's own card.
  static constexpr const char* kHotelCardItem = "酒店会员卡";
  static constexpr const char* kAllianceCardItem = "Marvesk联盟卡";
  // What "打印卡" prints, whatever the dialog holds.
  static constexpr const char* kPrintCardNo = "88888888";
  // UTF-8; the device receives it in code page 936. Each line break is CR LF.
  static constexpr const char* kPrintText = "\r\n当前消费:100\r\n卡内余额:300";

  // member is the installed device, null when there is none; it must outlive the actions.
  explicit MemberTestActions(TBaseMember* member) : member_(member) {}

  // The channel number for the list's text (code page 936): the hotel's own card only for
  // exactly its item's text, the alliance card for any other, typed or empty.
  static int32_t Channel(std::string_view channelText);

  // The device's operations as they are; false when no device is installed.
  bool OpenPort();
  void Beep();
  bool ClosePort();
  // Reads with the flag false into emptied texts; read keeps whatever the device left in
  // them, also after a failure.
  bool ReadCard(std::string_view channelText, MemberTestRead& read);
  // Writes the card number with three empty texts.
  bool WriteCard(const std::string& cardNo, std::string_view channelText);
  bool PrintCard();

  // The dialog's lines after a read and a write (code page 936).
  static std::string ReadOutcome(bool succeeded, const MemberTestRead& read);
  static std::string WriteOutcome(bool written, const std::string& cardNo);

 private:
  TBaseMember* member_;
};

}  // namespace keydesk
