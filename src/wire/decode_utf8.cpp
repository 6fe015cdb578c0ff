#include "wire/decode_utf8.h"

namespace keydesk {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
      text.push_back(lead);
      ++at;
      continue;
    }
    // Only bit 5 of the lead byte is looked at: clear means two bytes, set means three.
    // Lead bytes of four-byte sequences thus start three-byte ones, and the unit keeps
    // only its low 16 bits.
    const size_t length = (lead & 0x20) == 0 ? 2 : 3;
    if (bytes.size() - at < length) return {};
    unsigned value = lead & 0x3F;
    for (size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(bytes[at + i]);
      if (!IsContinuation(next)) return {};
      value = (value << 6) | (next & 0x3F);
    }
    text.push_back(static_cast<char16_t>(value & 0xFFFF));
    at += length;
  }
  return text;
}

}  // namespace keydesk
