#include "kinds/doorlock/doorlock_protocol.h"

#include <cctype>
#include <optional>

#include "kinds/door_response.h"

namespace keydesk {
namespace door {

std::string TResponse::ToXml() const {
  return DoorResponseHead(RequestID, ResultCode, ResultMessage)
      .Element("CardNo", std::to_string(CardNo))
      .Close(kDoorResponseRoot)
      .Take();
}

}  // namespace door

namespace {

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
  }
  return true;
}

// A decimal number with optional sign, fraction and exponent; its value's sign is all
// that matters here, so only whether it is zero is returned.
std::optional<bool> DecimalIsZero(std::string_view text) {
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  bool digits = false;
  bool nonZero = false;
  auto takeDigits = [&] {
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
      digits = true;
      nonZero = nonZero || text[at] != '0';
      ++at;
    }
  };
  takeDigits();
  if (at < text.size() && text[at] == '.') {
    ++at;
    takeDigits();
  }
  if (!digits) return std::nullopt;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const size_t exponentStart = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at == exponentStart) return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  return !nonZero;
}

}  // namespace

bool ReadBooleanText(std::string_view text) {
  // A number is read as a decimal, with blanks around it allowed; fields are not trimmed.
  std::string_view number = text;
  while (!number.empty() && (number.front() == ' ' || number.front() == '\t')) {
    number.remove_prefix(1);
  }
  while (!number.empty() && (number.back() == ' ' || number.back() == '\t')) {
    number.remove_suffix(1);
  }
  if (auto isZero = DecimalIsZero(number)) return !*isZero;
  return EqualsIgnoringCase(text, "true");
}

}  // namespace keydesk
