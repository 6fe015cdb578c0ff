#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keydesk {

// A PostgreSQL connection string in libpq's keyword = value form ("host=db dbname=keydesk"),
// read so that single keywords can be shown and changed while the rest, a password among
// them, is kept as written. Values are quoted with '…' and \ escapes where they need it.
class ConnectionKeywords {
 public:
  // none for a URI (postgresql://…) or a text libpq would not read.
  static std::optional<ConnectionKeywords> Parse(std::string_view text);

  // The keyword's value; empty when it is not given.
  std::string Get(std::string_view keyword) const;
  // Gives the keyword that value, in its place or after the others when new; an empty value
  // removes it.
  void Set(std::string_view keyword, std::string_view value);
  // The string again, keywords in their order.
  std::string Text() const;
  // The string with any password written as "***", for the logs.
  std::string Redacted() const;

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace keydesk
