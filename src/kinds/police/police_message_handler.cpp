#include "kinds/police/police_message_handler.h"

#include <cstdint>

#include "kinds/service_context.h"
#include "intake/connection.h"
#include "core/log_file.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "devices/base_police.h"
#include "wire/reply.h"
#include "wire/xml_text.h"

namespace keydesk {
namespace {

const std::string kReturned = AnsiFromUtf8("返回结果: \r\n");

}  // namespace

std::string GuestToXml(const TGuest& guest) {
  // Widened before adding one, so that the largest code cannot overflow.
  const int64_t salutation = int64_t{StrToInt(guest.GenderID)} + 1;
  std::string xml;
  xml.reserve(512);
  xml += "<Guest><RoomNo>";
  xml += EscapeXmlText(guest.RoomNo);
  xml += "</RoomNo><EnterTime>";
  xml += EscapeXmlText(guest.EnterTime);
  // The identity card type is always 11, whatever the record holds.
  xml += "</EnterTime><IdCardTypeID>11</IdCardTypeID><IdCardNo>";
  xml += EscapeXmlText(guest.IdCardNo);
  xml += "</IdCardNo><Name>";
  xml += EscapeXmlText(guest.Name);
  xml += "</Name><Nationality>";
  xml += EscapeXmlText(guest.Nationality);
  xml += "</Nationality><GenderID>";
  xml += EscapeXmlText(guest.GenderID);
  xml += "</GenderID><SalutationID>";
  xml += std::to_string(salutation);
  xml += "</SalutationID><CountryCode>";
  xml += EscapeXmlText(guest.CountryCode);
  xml += "</CountryCode><ProvinceCode>";
  xml += EscapeXmlText(guest.ProvinceCode);
  xml += "</ProvinceCode><Address>";
  xml += EscapeXmlText(guest.Address);
  xml += "</Address><Birthday>";
  xml += EscapeXmlText(guest.Birthday);
  xml += "</Birthday></Guest>";
  return xml;
}

void TPoliceMessageHandler::HandleMessage(TConnection& connection, const std::u16string& request) {
  context_.Log.Write(kReceivedLine + AnsiFromUnicode(request));

  TBasePolice* police = context_.Police.load();
  const TGuest* guest = police != nullptr ? police->GetGuest() : nullptr;
  const std::string response =
      "<PoliceResponse>" + (guest != nullptr ? GuestToXml(*guest) : "") + "</PoliceResponse>";
  context_.Log.Write(kReturned + response);

  // The client may have gone; this handler has never logged a failed send.
  SendResponseFrame(connection, response, nullptr);
}

}  // namespace keydesk
