#pragma once

#include <functional>
#include <string>

#include "devices/base_member.h"
#include "devices/simulated_device.h"
#include "platform/field_file.h"

namespace keydesk {

// A member-card encoder and printer simulated with files in a folder, so that the member-card
// kind can be run and tested without hardware. Files (see FieldFile for the format, texts
// code page 936):
//   SimMember.txt       the card lying on the encoder: fields CardNo, GuestName, Password,
//                       ExpireDate, Score and Channel; absent: no card
//   SimMemberPrint.txt  every print job appended: "CardNo " + card number, CR LF, the print
//                       text, CR LF
//   SimMemberTrace.txt  one line per operation called with its numeric arguments, for tests
//                       and demonstrations ("WriteCard -1", "ReadCard 1 11", "PrintCard")
// Writing stores the card number and the second, third and fourth texts as guest name,
// password and expiry date, the channel, and a score of 0. A card is read only through the
// channel it was written with: read through another channel, the device sees the card
// number but nothing else and reports failure. The read flag is only traced. The port is
// not simulated: opening and closing succeed and change nothing.
//
// Thread-safe: every operation runs under the device lock.
class SimulatedMember final : public TBaseMember, private SimulatedDevice {
 public:
  static constexpr const char* kCardFileName = "SimMember.txt";
  static constexpr const char* kPrintFileName = "SimMemberPrint.txt";
  static constexpr const char* kTraceFileName = "SimMemberTrace.txt";

  explicit SimulatedMember(const std::string& folder);

  bool OpenPort() override;
  bool ClosePort() override;
  void Beep() override;
  // False when the card cannot be stored.
  bool WriteCard(const std::string& CardNo, const std::string& Text2, const std::string& Text3,
                 const std::string& Text4, int32_t Channel) override;
  // False when no card lies on the encoder, or it was written through another channel.
  bool ReadCard(bool Flag, std::string& CardNo, std::string& Password, std::string& ExpireDate,
                std::string& GuestName, std::string& Score, int32_t Channel) override;
  // False when the print file cannot be written.
  bool PrintCard(const std::string& CardNo, const std::string& PrintText) override;

 private:
  const FieldFile card_;
  const std::string printPath_;
};

}  // namespace keydesk
