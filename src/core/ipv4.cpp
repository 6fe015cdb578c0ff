#include "core/ipv4.h"

#include <algorithm>

#include "platform/code_page.h"
#include "platform/errors.h"

namespace keydesk {
namespace {

// A decimal number from 0 to max, without sign or leading zero.
std::optional<uint32_t> SmallNumber(std::string_view text, uint32_t max) {
  if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > max) return std::nullopt;
  return value;
}

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t'; }

}  // namespace

std::optional<uint32_t> ParseIpv4(std::string_view text) {
  uint32_t address = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t dot = part < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const std::optional<uint32_t> number = SmallNumber(text.substr(0, dot), 255);
    if (!number) return std::nullopt;
    address = address << 8 | *number;
    text.remove_prefix(part < 3 ? dot + 1 : dot);
  }
  return address;
}

std::string Ipv4Text(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
         std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::string EndpointText(uint32_t address, uint16_t port) {
  return Ipv4Text(address) + ":" + std::to_string(port);
}

bool AllowedHosts::IsAnyHost(std::string_view entry) {
  // Letters only, so that folding the case by one bit is exact.
  return entry.size() == kAnyHost.size() &&
         std::equal(entry.begin(), entry.end(), kAnyHost.begin(),
                    [](char a, char b) { return (a | 0x20) == b; });
}

AllowedHosts AllowedHosts::Parse(std::string_view text) {
  AllowedHosts hosts;
  while (!text.empty()) {
    if (IsSeparator(text[0])) {
      text.remove_prefix(1);
      continue;
    }
    const size_t end = std::find_if(text.begin(), text.end(), IsSeparator) - text.begin();
    const std::string_view entry = text.substr(0, end);
    text.remove_prefix(end);
    if (IsAnyHost(entry)) {
      hosts.ranges_.push_back({0, 0, 0, std::string(entry)});
      continue;
    }
    const size_t slash = entry.find('/');
    const std::optional<uint32_t> address = ParseIpv4(entry.substr(0, slash));
    const std::optional<uint32_t> prefix = slash == std::string_view::npos
                                               ? std::optional<uint32_t>(32)
                                               : SmallNumber(entry.substr(slash + 1), 32);
    if (!address || !prefix) {
      throw Error(AnsiFromUtf8("不是 IPv4 地址或地址范围：") + ReadableAnsi(entry));
    }
    const uint32_t mask = *prefix == 0 ? 0 : ~uint32_t{0} << (32 - *prefix);
    if ((*address & mask) != *address) {
      const std::string network = Ipv4Text(*address & mask) + "/" + std::to_string(*prefix);
      throw Error(AnsiFromUtf8("地址范围 ") + std::string(entry) +
                  AnsiFromUtf8(" 的主机位不为零：范围应写作 " + network + "，一台主机只写 ") +
                  Ipv4Text(*address));
    }
    hosts.ranges_.push_back({*address, mask, *prefix, std::string(entry)});
  }
  return hosts;
}

bool AllowedHosts::AllowsAny() const {
  return ranges_.empty() || std::any_of(ranges_.begin(), ranges_.end(),
                                        [](const Range& range) { return range.Prefix == 0; });
}

bool AllowedHosts::Allows(uint32_t address) const {
  if (ranges_.empty()) return true;
  return std::any_of(ranges_.begin(), ranges_.end(), [address](const Range& range) {
    return (address & range.Mask) == range.Network;
  });
}

std::string AllowedHosts::WideEntry() const {
  for (const Range& range : ranges_) {
    if (range.Prefix < kNarrowestWideRange) return range.Text;
  }
  return {};
}

}  // namespace keydesk
