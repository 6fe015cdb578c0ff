#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/errors.h"

namespace keydesk::client {

// A command line that asks for something keydesk-client cannot do; its message is one line.
class UsageError : public Error {
 public:
  using Error::Error;
};

// What the client asks keydesk to do: one request of one interface kind, or a request text
// given as it is.
enum class Operation {
  IssueCard,
  ReadCard,
  EraseCard,
  IssueHand,
  ReadHand,
  EraseHand,
  WriteMemberCard,
  ReadMemberCard,
  PrintMemberCard,
  Police,
  Raw,
};

// How the response is shown: its fields one per line, the response text as received, or a
// JSON object for scripts.
enum class OutputFormat { Fields, Xml, Json };

// A parsed command line. Option values are the command line's UTF-8 texts, checked only for
// their presence here; the request builder reads and checks their content.
struct ClientCommand {
  bool Help = false;
  std::string Host = "127.0.0.1";
  uint16_t Port = 0;       // the operation's default port unless --port was given
  int TimeoutMs = 30'000;  // for the whole exchange: connecting, sending and the response
  OutputFormat Format = OutputFormat::Fields;
  Operation Op = Operation::ReadCard;
  // The operation's options by name without the dashes ("room", "copy"); a flag's value is
  // empty. For raw, "file" holds the file's path.
  std::map<std::string, std::string> Values;

  bool Has(const std::string& name) const { return Values.count(name) != 0; }
  // The option's value; empty text when it was not given.
  std::string Value(const std::string& name) const {
    const auto found = Values.find(name);
    return found != Values.end() ? found->second : std::string();
  }
};

}  // namespace keydesk::client
