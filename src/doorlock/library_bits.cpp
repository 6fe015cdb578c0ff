#include "doorlock/library_bits.h"

#include <cstdint>

namespace keydesk {
namespace {

uint32_t LittleEndian(std::string_view bytes, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = width; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

}  // namespace

std::optional<int> LibraryBits(std::string_view content) {
  if (content.size() >= 5 && content.substr(0, 4) ==
                                 "\x7f"
                                 "ELF") {
    if (content[4] == 1) return 32;
    if (content[4] == 2) return 64;
    return std::nullopt;
  }
  if (content.size() < 0x40 || content.substr(0, 2) != "MZ") return std::nullopt;
  const uint32_t header = LittleEndian(content, 0x3c, 4);
  if (header > content.size() || content.size() - header < 6) return std::nullopt;
  if (content.substr(header, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
  switch (LittleEndian(content, header + 4, 2)) {
    case 0x014c:  // x86
      return 32;
    case 0x8664:  // x64
    case 0xaa64:  // ARM64
      return 64;
    default:
      return std::nullopt;
  }
}

}  // namespace keydesk
