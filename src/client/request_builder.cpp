#include "client/request_builder.h"

#include <optional>
#include <vector>

#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/date_time.h"
#include "wire/decode_utf8.h"
#include "wire/encode_utf8.h"
#include "wire/xml_writer.h"

namespace keydesk::client {
namespace {

// Booleans as a PMS writes them; keydesk also reads any number, zero being false.
constexpr std::string_view kTrue = "True";
constexpr std::string_view kFalse = "False";

// The text of an option's value inside keydesk (code page 936), checked the way keydesk
// will read it: as UTF-8 of at most three bytes a character, and within code page 936,
// since a character outside it would reach the card or the device as "?".
std::string CarriedText(const ClientCommand& command, const std::string& name) {
  const std::string value = command.Value(name);
  const std::u16string unicode = DecodeUtf8(value);
  if (unicode.empty() && !value.empty()) {
    throw UsageError("--" + name +
                     " is not UTF-8 text that keydesk reads (characters of one to three bytes)");
  }
  std::string ansi = AnsiFromUnicode(unicode);
  if (UnicodeFromAnsi(ansi) != unicode) {
    throw UsageError("--" + name + " holds a character that keydesk cannot carry (code page 936)");
  }
  return ansi;
}

struct Room {
  std::string BuildingCode;
  std::string FloorCode;
  std::string RoomNo;
};

// "010208" is building 01, floor 02, room 08; parts of other widths are written with
// dashes ("1-2-208"). keydesk joins the three into the room's key without a separator.
// The text is code page 936, in which no byte of a double-byte character is a dash.
Room ReadRoom(const ClientCommand& command) {
  const std::string text = CarriedText(command, "room");
  const std::string problem =
      "--room takes six characters (010208: building 01, floor 02, room 08) or three parts "
      "with dashes (1-2-208), not '" +
      command.Value("room") + "'";
  std::vector<std::string> parts;
  if (text.find('-') != std::string::npos) {
    size_t start = 0;
    for (size_t dash; (dash = text.find('-', start)) != std::string::npos; start = dash + 1) {
      parts.push_back(text.substr(start, dash - start));
    }
    parts.push_back(text.substr(start));
  } else if (text.size() == 6) {
    parts = {text.substr(0, 2), text.substr(2, 2), text.substr(4, 2)};
  }
  if (parts.size() != 3) throw UsageError(problem);
  for (const std::string& part : parts) {
    if (part.empty()) throw UsageError(problem);
  }
  return {parts[0], parts[1], parts[2]};
}

// A check-in or check-out: a date and a time, sent as two fields in the forms keydesk
// reads, "yyyy-mm-dd" and "hh:nn:ss".
struct Moment {
  DateTime Value;
  std::string Date;
  std::string Time;
};

Moment ReadMoment(const ClientCommand& command, const std::string& name) {
  const std::string text = command.Value(name);
  const std::optional<DateTime> value =
      text.find(' ') != std::string::npos ? TryStrToDateTime(text) : std::nullopt;
  if (!value) {
    throw UsageError("--" + name + " takes a date and a time, \"YYYY-MM-DD HH:MM[:SS]\", not '" +
                     text + "'");
  }
  return {*value, FormatDateTime("yyyy-mm-dd", *value), FormatDateTime("hh:nn:ss", *value)};
}

// A channel number, when given: keydesk would take any other text for the hotel's card.
std::optional<std::string> ReadChannel(const ClientCommand& command) {
  if (!command.Has("channel")) return std::nullopt;
  const std::string text = command.Value("channel");
  if (!TryStrToInt(text)) {
    throw UsageError(
        "--channel takes an integer (-1 the hotel's card, 11 the alliance card), "
        "not '" +
        text + "'");
  }
  return std::string(Trim(text));
}

// "<Root type="Type">", the opening of every request.
XmlWriter Request(std::string_view root, std::string_view type) {
  XmlWriter writer;
  writer.Fragment("<" + std::string(root) + " type=\"" + std::string(type) + "\">");
  return writer;
}

// Position 0 of every request with fields: keydesk does not read it, but something must
// stand there so that the later fields are found in their positions.
constexpr std::string_view kPositionZero = "<RequestID/>";

std::string IssueCardText(const ClientCommand& command) {
  const Room room = ReadRoom(command);
  const Moment checkIn = ReadMoment(command, "in");
  const Moment checkOut = ReadMoment(command, "out");
  if (checkOut.Value < checkIn.Value) throw UsageError("--out is before --in");
  if (command.Has("keep") && command.Has("no-keep")) {
    throw UsageError("--keep and --no-keep exclude each other");
  }
  XmlWriter writer = Request("DoorRequest", "IssueCard");
  writer.Fragment(kPositionZero)
      .Element("RegisterId", CarriedText(command, "register-id"))
      .Element("RoomBuildingCode", room.BuildingCode)
      .Element("RoomFloorCode", room.FloorCode)
      .Element("RoomNo", room.RoomNo)
      .Element("GuestName", CarriedText(command, "guest"))
      .Element("CheckInDate", checkIn.Date)
      .Element("CheckInTime", checkIn.Time)
      .Element("CheckOutDate", checkOut.Date)
      .Element("CheckOutTime", checkOut.Time)
      .Element("IsCopy", command.Has("copy") ? kTrue : kFalse);
  // Without the field keydesk leaves its keep-connection setting as it is.
  if (command.Has("keep") || command.Has("no-keep")) {
    writer.Element("KeepConnection", command.Has("keep") ? kTrue : kFalse);
  }
  return writer.Close("DoorRequest").Take();
}

std::string WriteMemberCardText(const ClientCommand& command) {
  XmlWriter writer = Request("MemberRequest", "WriteMemberCard");
  writer.Fragment(kPositionZero)
      .Element("CardNo", CarriedText(command, "card"))
      .Element("Name", CarriedText(command, "name"))
      .Element("Password", CarriedText(command, "password"))
      .Element("Expire", CarriedText(command, "expire"));
  if (const auto channel = ReadChannel(command)) writer.Element("Channel", *channel);
  return writer.Close("MemberRequest").Take();
}

std::string ReadMemberCardText(const ClientCommand& command) {
  XmlWriter writer = Request("MemberRequest", "ReadMemberCard");
  writer.Fragment(kPositionZero).Element("Flag", command.Has("flag") ? "1" : "0");
  if (const auto channel = ReadChannel(command)) writer.Element("Channel", *channel);
  return writer.Close("MemberRequest").Take();
}

std::string PrintMemberCardText(const ClientCommand& command) {
  return Request("MemberRequest", "PrintMemberCard")
      .Fragment(kPositionZero)
      .Element("CardNo", CarriedText(command, "card"))
      .Element("Text", CarriedText(command, "text"))
      .Close("MemberRequest")
      .Take();
}

// A request of a type alone, with no fields.
std::string TypeOnly(std::string_view root, std::string_view type) {
  return "<" + std::string(root) + " type=\"" + std::string(type) + "\"/>";
}

// The request text in code page 936, as keydesk will see it.
std::string AnsiRequestText(const ClientCommand& command) {
  switch (command.Op) {
    case Operation::IssueCard:
      return IssueCardText(command);
    case Operation::ReadCard:
      return TypeOnly("DoorRequest", "ReadCard");
    case Operation::EraseCard:
      return TypeOnly("DoorRequest", "EraseCard");
    case Operation::IssueHand:
      return TypeOnly("HandRequest", "IssueHand");
    case Operation::ReadHand:
      return TypeOnly("HandRequest", "ReadHand");
    case Operation::EraseHand:
      return TypeOnly("HandRequest", "EraseHand");
    case Operation::WriteMemberCard:
      return WriteMemberCardText(command);
    case Operation::ReadMemberCard:
      return ReadMemberCardText(command);
    case Operation::PrintMemberCard:
      return PrintMemberCardText(command);
    case Operation::Police:
      // The police kind answers any request with the current registration.
      return "<PoliceRequest/>";
    case Operation::Raw:
      break;
  }
  throw UsageError("a raw request is sent from its file");
}

}  // namespace

std::string RequestText(const ClientCommand& command) {
  return EncodeUtf8(UnicodeFromAnsi(AnsiRequestText(command)));
}

std::string RequestFrame(std::string_view text) {
  std::string frame(text);
  if (frame.empty() || frame.back() != '\0') frame.push_back('\0');
  return frame;
}

}  // namespace keydesk::client
