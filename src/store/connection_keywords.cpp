#include "store/connection_keywords.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace keydesk {
namespace {

bool Blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

void SkipBlanks(std::string_view text, size_t& at) {
  while (at < text.size() && Blank(text[at])) ++at;
}

std::string Quoted(std::string_view value) {
  bool plain = !value.empty();
  for (const char c : value) plain = plain && !Blank(c) && c != '\'' && c != '\\' && c != '=';
  if (plain) return std::string(value);
  std::string quoted = "'";
  for (const char c : value) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

}  // namespace

std::optional<ConnectionKeywords> ConnectionKeywords::Parse(std::string_view text) {
  if (text.starts_with("postgresql://") || text.starts_with("postgres://")) return std::nullopt;
  ConnectionKeywords keywords;
  size_t at = 0;
  for (SkipBlanks(text, at); at < text.size(); SkipBlanks(text, at)) {
    const size_t nameStart = at;
    while (at < text.size() && !Blank(text[at]) && text[at] != '=') ++at;
    std::string name(text.substr(nameStart, at - nameStart));
    SkipBlanks(text, at);
    if (name.empty() || at >= text.size() || text[at] != '=') return std::nullopt;
    ++at;
    SkipBlanks(text, at);
    std::string value;
    if (at < text.size() && text[at] == '\'') {
      for (++at;; ++at) {
        if (at >= text.size()) return std::nullopt;  // no closing quote
        if (text[at] == '\'') break;
        if (text[at] == '\\' && at + 1 < text.size()) ++at;
        value += text[at];
      }
      ++at;
    } else {
      for (; at < text.size() && !Blank(text[at]); ++at) {
        if (text[at] == '\\' && at + 1 < text.size()) ++at;
        value += text[at];
      }
    }
    keywords.pairs_.emplace_back(std::move(name), std::move(value));
  }
  return keywords;
}

std::string ConnectionKeywords::Get(std::string_view keyword) const {
  // libpq takes the last of a keyword given twice.
  std::string value;
  for (const auto& [name, given] : pairs_) {
    if (name == keyword) value = given;
  }
  return value;
}

void ConnectionKeywords::Set(std::string_view keyword, std::string_view value) {
  // In the place it had, once.
  auto first = std::find_if(pairs_.begin(), pairs_.end(),
                            [&](const auto& pair) { return pair.first == keyword; });
  const size_t place = static_cast<size_t>(first - pairs_.begin());
  std::erase_if(pairs_, [&](const auto& pair) { return pair.first == keyword; });
  if (value.empty()) return;
  pairs_.insert(pairs_.begin() + static_cast<std::ptrdiff_t>(std::min(place, pairs_.size())),
                {std::string(keyword), std::string(value)});
}

std::string ConnectionKeywords::Text() const {
  std::string text;
  for (const auto& [name, value] : pairs_) {
    if (!text.empty()) text += ' ';
    text += name + "=" + Quoted(value);
  }
  return text;
}

std::string ConnectionKeywords::Redacted() const {
  ConnectionKeywords copy = *this;
  for (auto& [name, value] : copy.pairs_) {
    if (name == "password") value = "***";
  }
  return copy.Text();
}

}  // namespace keydesk
