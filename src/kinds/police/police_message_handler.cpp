#include "kinds/police/police_message_handler.h"

#include <cstdint>

#include "core/log_file.h"
#include "devices/base_police.h"
#include "kinds/handler_lines.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "wire/xml_writer.h"

namespace keydesk {
namespace {

const std::string kReturned = AnsiFromUtf8("返回结果: \r\n");

}  // namespace

std::string GuestToXml(const TGuest& guest) {
  // Widened before adding one, so that the largest code cannot overflow.
  const int64_t salutation = int64_t{StrToInt(guest.GenderID)} + 1;
  return XmlWriter()
      .Open("Guest")
      .Element("RoomNo", guest.RoomNo)
      .Element("EnterTime", guest.EnterTime)
      // The identity card type is always 11, whatever the record holds.
      .Element("IdCardTypeID", "11")
      .Element("IdCardNo", guest.IdCardNo)
      .Element("Name", guest.Name)
      .Element("Nationality", guest.Nationality)
      .Element("GenderID", guest.GenderID)
      .Element("SalutationID", std::to_string(salutation))
      .Element("CountryCode", guest.CountryCode)
      .Element("ProvinceCode", guest.ProvinceCode)
      .Element("Address", guest.Address)
      .Element("Birthday", guest.Birthday)
      .Close("Guest")
      .Take();
}

Reply TPoliceMessageHandler::HandleMessage(const std::u16string& request) {
  log_.Write(kReceivedLine + log_.RequestText(AnsiFromUnicode(request)));

  const TGuest* guest = police_ != nullptr ? police_->GetGuest() : nullptr;
  Reply reply;  // the client may have gone; this handler has never logged a failed send
  reply.Response = XmlWriter()
                       .Open("PoliceResponse")
                       .Fragment(guest != nullptr ? GuestToXml(*guest) : "")
                       .Close("PoliceResponse")
                       .Take();
  reply.Outcome.Type = "PoliceRequest";  // any request; its response carries no result code
  // Whose registration went out, for whoever traces who asked.
  if (guest != nullptr) reply.Outcome.RoomKey = guest->RoomNo;
  reply.OutcomeLines.push_back(kReturned + *reply.Response);
  return reply;
}

}  // namespace keydesk
