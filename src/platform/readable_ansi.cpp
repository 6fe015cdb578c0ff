#include <bitset>

#include "platform/code_page.h"

namespace keydesk {
namespace {

// Which single bytes and which lead-and-trail pairs the platform's reader of code page 936
// decodes to a character that is not for private use, asked of it once: the code page leaves
// pairs unassigned, and the readers differ (Windows gives its user-defined areas private-use
// characters, which glibc's reader refuses).
class AnsiCharacters {
 public:
  AnsiCharacters() {
    for (int byte = 1; byte < 0x100; ++byte) {
      const char single[] = {static_cast<char>(byte)};
      singles_[static_cast<size_t>(byte)] = Decodes({single, 1});
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
        pairs_[Index(lead, trail)] = Decodes({pair, 2});
      }
    }
  }

  bool Single(unsigned char byte) const { return singles_[byte]; }
  bool Pair(unsigned char lead, unsigned char trail) const {
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE &&
           pairs_[Index(lead, trail)];
  }

 private:
  static bool Decodes(std::string_view bytes) {
    if (!IsAnsiText(bytes)) return false;
    const std::u16string decoded = UnicodeFromAnsi(bytes);
    return decoded.size() == 1 && (decoded[0] < 0xE000 || decoded[0] > 0xF8FF);
  }
  static size_t Index(int lead, int trail) {
    return static_cast<size_t>((lead - 0x81) * kTrails + (trail - 0x40));
  }
  static constexpr int kTrails = 0xFE - 0x40 + 1;

  std::bitset<0x100> singles_;
  std::bitset<(0xFE - 0x81 + 1) * kTrails> pairs_;
};

const AnsiCharacters& Characters() {
  static const AnsiCharacters characters;
  return characters;
}

}  // namespace

size_t AnsiCharacterLength(std::string_view text) {
  if (text.empty() || text[0] == '\0') return 0;
  const auto byte = static_cast<unsigned char>(text[0]);
  if (byte < 0x80) return 1;
  const AnsiCharacters& characters = Characters();
  if (characters.Single(byte)) return 1;
  if (text.size() > 1 && characters.Pair(byte, static_cast<unsigned char>(text[1]))) return 2;
  return 0;
}

namespace {

// How many bytes at the start of text stand as they are in the readable form. Every log line
// passes here, so the loop stays tight: plain ASCII needs no table.
size_t ReadablePrefix(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  const AnsiCharacters* characters = nullptr;
  size_t at = 0;
  while (at < size) {
    const unsigned char byte = bytes[at];
    if (byte != 0 && byte < 0x80) {
      ++at;
      continue;
    }
    if (byte == 0) break;
    if (characters == nullptr) characters = &Characters();
    if (characters->Single(byte)) {
      ++at;
    } else if (at + 1 < size && characters->Pair(byte, bytes[at + 1])) {
      at += 2;
    } else {
      break;
    }
  }
  return at;
}

}  // namespace

bool IsReadableAnsi(std::string_view text) { return ReadablePrefix(text) == text.size(); }

std::string ReadableAnsi(std::string_view text) {
  std::string readable;
  readable.reserve(text.size());
  while (!text.empty()) {
    const size_t kept = ReadablePrefix(text);
    readable.append(text.substr(0, kept));
    text.remove_prefix(kept);
    if (text.empty()) break;
    readable += '?';  // for the one byte that begins no character
    text.remove_prefix(1);
  }
  return readable;
}

}  // namespace keydesk
