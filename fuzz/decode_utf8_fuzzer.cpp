// The wire conversions: decoding never fails loudly, and whatever text decodes comes back
// unchanged through an encode and a second decode.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "wire/decode_utf8.h"
#include "wire/encode_utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = keydesk::DecodeUtf8(bytes);
  if (keydesk::DecodeUtf8(keydesk::EncodeUtf8(text)) != text) __builtin_trap();
  // Read the input as UTF-16 units too, so every unit value reaches the encoder.
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  if (keydesk::DecodeUtf8(keydesk::EncodeUtf8(units)) != units) __builtin_trap();
  return 0;
}
