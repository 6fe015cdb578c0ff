#pragma once

#include <string>

#include "wire/message_handler.h"

namespace keydesk {

class TBasePolice;
class TLogFile;
struct TGuest;

// The guest fragment of a police response, code page 936: "<Guest>" with the guest's fields
// in a fixed order, identity card type always 11 and SalutationID one more than GenderID;
// values escaped (EscapeXmlText). Raises ConvertError "'%s' is not a valid integer value"
// when GenderID is not the text of an integer.
std::string GuestToXml(const TGuest& guest);

// Answers every request, whatever it holds, with the guest registration that the installed
// police system offers: "<PoliceResponse>" with the guest fragment, or the empty
// "<PoliceResponse></PoliceResponse>" when there is no guest or no police system. The
// request is logged, not read.
//
// One handler per request; the log and the police system are shared with every other
// handler.
class TPoliceMessageHandler final : public TMessageHandler {
 public:
  // police is the installed police system, null when there is none; both must outlive the
  // handler.
  TPoliceMessageHandler(TLogFile& log, TBasePolice* police) : log_(log), police_(police) {}

  Reply HandleMessage(const std::u16string& request) override;

 private:
  TLogFile& log_;
  TBasePolice* const police_;
};

}  // namespace keydesk
