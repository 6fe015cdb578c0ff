#pragma once

// What the fault and hostile-input tests share: request texts, a strict check that a
// response is well-formed XML, our own reader's view of a response, the log, and the
// server's resident memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loopback_client.h"
#include "platform/code_page.h"
#include "sim_environment.h"
#include "wire/xml_doc.h"

namespace keydesk::test {

// Builds instrumented by a sanitizer run the server several times slower, and their
// allocators keep freed memory in quarantine, so resident memory says nothing there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// ---- Door lock requests and responses ----

struct IssueFields {
  std::string registerId = "R0001";
  std::string building = "01";
  std::string floor = "02";
  std::string room = "08";
  std::string guest = "王先生";
  std::string copy = "False";
  std::string extra = "";  // a twelfth child, or nothing
  // With the record store in use a card starts now, so its end must lie ahead.
  std::string checkOutDate = "2008-08-20";
};

// A check-out date that lies ahead for as long as these tests run.
inline constexpr const char* kFutureCheckOut = "2040-08-20";

inline std::string IssueCardRequest(const IssueFields& f = {}) {
  return "<DoorRequest type=\"IssueCard\"><Ignored>1</Ignored><RegisterId>" + f.registerId +
         "</RegisterId><RoomBuildingCode>" + f.building + "</RoomBuildingCode><RoomFloorCode>" +
         f.floor + "</RoomFloorCode><RoomNo>" + f.room + "</RoomNo><GuestName>" + f.guest +
         "</GuestName><CheckInDate>2008-08-18</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
         "<CheckOutDate>" +
         f.checkOutDate + "</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime><IsCopy>" + f.copy +
         "</IsCopy>" + f.extra + "</DoorRequest>";
}

inline const std::string kReadCardRequest = "<DoorRequest type=\"ReadCard\"/>";
inline const std::string kEraseCardRequest = "<DoorRequest type=\"EraseCard\"/>";

inline std::string DoorResponse(const std::string& code, const std::string& message,
                                int64_t cardNo) {
  return "<DoorResponse><RequestID></RequestID><ResultCode>" + code +
         "</ResultCode><ResultMessage>" + message + "</ResultMessage><CardNo>" +
         std::to_string(cardNo) + "</CardNo></DoorResponse>";
}

// The card number of a door lock response, or none when it has no plain decimal one.
inline std::optional<int64_t> CardNoOf(const std::string& response) {
  const size_t open = response.find("<CardNo>");
  const size_t close = response.find("</CardNo>");
  if (open == std::string::npos || close == std::string::npos || close <= open + 8) {
    return std::nullopt;
  }
  try {
    size_t used = 0;
    const std::string digits = response.substr(open + 8, close - open - 8);
    const int64_t value = std::stoll(digits, &used);
    if (used != digits.size()) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// ---- Well-formedness ----

namespace detail {

inline bool XmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
inline std::optional<std::vector<uint32_t>> DecodeStrictUtf8(std::string_view bytes) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    size_t length = 0;
    uint32_t c = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + length > bytes.size()) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (next & 0x3F);
    }
    if (c < least || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return std::nullopt;
    out.push_back(c);
    i += length;
  }
  return out;
}

inline bool NameStart(uint32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}
inline bool NameChar(uint32_t c) {
  return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}
inline bool Blank(uint32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace detail

// Why the bytes are not one well-formed XML 1.0 document in UTF-8; empty when they are.
// Strict where a lenient reader forgives: characters XML forbids, bare "&" or "<", "]]>" in
// text, unbalanced or crossed tags, content after the root.
inline std::string XmlProblem(std::string_view bytes) {
  using namespace detail;
  const auto decoded = DecodeStrictUtf8(bytes);
  if (!decoded) return "not well-formed UTF-8";
  const std::vector<uint32_t>& x = *decoded;
  for (size_t i = 0; i < x.size(); ++i) {
    if (!XmlChar(x[i])) return "character " + std::to_string(x[i]) + " is not allowed in XML";
  }
  size_t at = 0;
  auto startsWith = [&](std::string_view text) {
    if (at + text.size() > x.size()) return false;
    for (size_t k = 0; k < text.size(); ++k) {
      if (x[at + k] != static_cast<unsigned char>(text[k])) return false;
    }
    return true;
  };
  auto skipPast = [&](std::string_view end) {
    while (at < x.size() && !startsWith(end)) ++at;
    if (at >= x.size()) return false;
    at += end.size();
    return true;
  };
  auto name = [&]() -> std::optional<std::u32string> {
    if (at >= x.size() || !NameStart(x[at])) return std::nullopt;
    std::u32string result;
    while (at < x.size() && NameChar(x[at])) result.push_back(static_cast<char32_t>(x[at++]));
    return result;
  };
  auto reference = [&]() -> bool {  // at the "&"
    ++at;
    if (startsWith("#x")) {
      at += 2;
      uint32_t value = 0;
      size_t digits = 0;
      for (;; ++at, ++digits) {
        const uint32_t c = at < x.size() ? x[at] : 0;
        const int digit = c >= '0' && c <= '9'   ? int(c - '0')
                          : c >= 'a' && c <= 'f' ? int(c - 'a' + 10)
                          : c >= 'A' && c <= 'F' ? int(c - 'A' + 10)
                                                 : -1;
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
        if (value > 0x10FFFF) return false;
      }
      return digits > 0 && at < x.size() && x[at++] == ';' && XmlChar(value);
    }
    if (startsWith("#")) {
      ++at;
      uint32_t value = 0;
      size_t digits = 0;
      while (at < x.size() && x[at] >= '0' && x[at] <= '9') {
        value = value * 10 + (x[at] - '0');
        ++at, ++digits;
        if (value > 0x10FFFF) return false;
      }
      return digits > 0 && at < x.size() && x[at++] == ';' && XmlChar(value);
    }
    for (std::string_view known : {"amp;", "lt;", "gt;", "quot;", "apos;"}) {
      if (startsWith(known)) {
        at += known.size();
        return true;
      }
    }
    return false;
  };

  while (at < x.size() && Blank(x[at])) ++at;
  if (startsWith("<?xml") && !skipPast("?>")) return "unterminated XML declaration";
  std::vector<std::u32string> open;
  bool rootSeen = false;
  while (at < x.size()) {
    if (startsWith("<!--")) {
      if (!skipPast("-->")) return "unterminated comment";
    } else if (startsWith("<![CDATA[")) {
      if (open.empty()) return "CDATA outside the root";
      if (!skipPast("]]>")) return "unterminated CDATA section";
    } else if (startsWith("<?")) {
      if (!skipPast("?>")) return "unterminated processing instruction";
    } else if (startsWith("</")) {
      at += 2;
      const auto closing = name();
      if (!closing) return "bad closing tag";
      while (at < x.size() && Blank(x[at])) ++at;
      if (at >= x.size() || x[at++] != '>') return "closing tag without '>'";
      if (open.empty() || open.back() != *closing) return "closing tag does not match";
      open.pop_back();
    } else if (startsWith("<")) {
      if (rootSeen && open.empty()) return "a second root element";
      ++at;
      const auto opening = name();
      if (!opening) return "bad tag name";
      for (;;) {
        const bool spaced = at < x.size() && Blank(x[at]);
        while (at < x.size() && Blank(x[at])) ++at;
        if (at >= x.size()) return "unterminated tag";
        if (x[at] == '>' || startsWith("/>")) break;
        if (!spaced || !name()) return "bad attribute";
        while (at < x.size() && Blank(x[at])) ++at;
        if (at >= x.size() || x[at++] != '=') return "attribute without '='";
        while (at < x.size() && Blank(x[at])) ++at;
        if (at >= x.size() || (x[at] != '"' && x[at] != '\'')) return "unquoted attribute";
        const uint32_t quote = x[at++];
        while (at < x.size() && x[at] != quote) {
          if (x[at] == '<') return "'<' in an attribute value";
          if (x[at] == '&') {
            if (!reference()) return "bad reference in an attribute value";
          } else {
            ++at;
          }
        }
        if (at >= x.size()) return "unterminated attribute value";
        ++at;
      }
      rootSeen = true;
      if (startsWith("/>")) {
        at += 2;
      } else {
        ++at;
        open.push_back(*opening);
      }
    } else if (x[at] == '&') {
      if (open.empty()) return "reference outside the root";
      if (!reference()) return "bare '&' or bad reference";
    } else {
      if (open.empty() && !Blank(x[at])) return "text outside the root";
      if (startsWith("]]>")) return "']]>' in text";
      ++at;
    }
  }
  if (!rootSeen) return "no root element";
  if (!open.empty()) return "unclosed element";
  return "";
}

// A response as our own request reader sees it: the root's name and its child elements'
// names and texts (UTF-8), in order. None when the reader refuses it or a child element has
// elements of its own.
struct FlatXml {
  std::string root;
  std::vector<std::pair<std::string, std::string>> fields;
};

inline std::optional<FlatXml> ReadFlatXml(const std::string& utf8) {
  TXmlDoc document;
  try {
    document.ParseText(AnsiFromUtf8(utf8));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const TXmlNode* root = document.RootElement();
  if (root == nullptr) return std::nullopt;
  FlatXml flat{Utf8FromAnsi(root->Name()), {}};
  for (int i = 0; i < root->ChildCount(); ++i) {
    const TXmlNode* child = root->ChildAt(i);
    if (child->Kind() != TXmlNodeKind::Element) return std::nullopt;
    for (int k = 0; k < child->ChildCount(); ++k) {
      if (child->ChildAt(k)->Kind() == TXmlNodeKind::Element) return std::nullopt;
    }
    flat.fields.emplace_back(Utf8FromAnsi(child->Name()), Utf8FromAnsi(child->ValueText()));
  }
  return flat;
}

inline std::vector<std::string> FieldNames(const FlatXml& flat) {
  std::vector<std::string> names;
  for (const auto& field : flat.fields) names.push_back(field.first);
  return names;
}

// ---- One request on a connection of its own ----

struct Exchange {
  std::optional<std::string> response;  // up to and without its NUL
  bool closed = false;                  // the server closed the connection afterwards
  std::string after;                    // bytes that followed the NUL
};

inline Exchange Ask(uint16_t port, std::string_view request,
                    std::chrono::milliseconds wait = LoopbackClient::kWait) {
  LoopbackClient client(port);
  client.SetSendTimeout(wait);
  client.SendFrame(request);
  Exchange exchange;
  exchange.response = client.ReadResponse(wait);
  exchange.closed = client.ClosedByServer(wait);
  exchange.after = client.Unread();
  return exchange;
}

// ---- The folder's files ----

// The day's log file in the folder; empty when there is none.
inline std::string LogFileIn(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".LOG") return entry.path().string();
  }
  return "";
}

inline std::vector<std::string> LogOf(const std::filesystem::path& folder) {
  const std::string path = LogFileIn(folder);
  return path.empty() ? std::vector<std::string>{} : LogMessages(path);
}

inline size_t CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

inline size_t CountContaining(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.find(part) != std::string::npos;
  }));
}

// VmRSS of the process in KiB; 0 when it cannot be read.
inline long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

}  // namespace keydesk::test
