#include "client/client_command_line.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace keydesk::client {
namespace {

struct OptionEntry {
  const char* Name;  // without the dashes
  bool TakesValue;
  bool Required;
};

// One command: its words on the command line, the request it sends, where that goes by
// default and the options it takes besides the global ones.
struct CommandEntry {
  const char* Words;
  Operation Op;
  uint16_t DefaultPort;
  std::vector<OptionEntry> Options;
  bool TakesFile = false;  // raw: the request text's file
};

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> kCommands = {
      {"issue",
       Operation::IssueCard,
       kDoorlockPort,
       {{"room", true, true},
        {"guest", true, true},
        {"in", true, true},
        {"out", true, true},
        {"copy", false, false},
        {"register-id", true, false},
        {"keep", false, false},
        {"no-keep", false, false}}},
      {"read", Operation::ReadCard, kDoorlockPort, {}},
      {"erase", Operation::EraseCard, kDoorlockPort, {}},
      {"hand issue", Operation::IssueHand, kHandPort, {}},
      {"hand read", Operation::ReadHand, kHandPort, {}},
      {"hand erase", Operation::EraseHand, kHandPort, {}},
      {"member write",
       Operation::WriteMemberCard,
       kMemberPort,
       {{"card", true, true},
        {"name", true, true},
        {"password", true, true},
        {"expire", true, true},
        {"channel", true, false}}},
      {"member read",
       Operation::ReadMemberCard,
       kMemberPort,
       {{"flag", false, false}, {"channel", true, false}}},
      {"member print",
       Operation::PrintMemberCard,
       kMemberPort,
       {{"card", true, true}, {"text", true, true}}},
      {"police", Operation::Police, kPolicePort, {}},
      {"raw", Operation::Raw, kDoorlockPort, {}, true},
  };
  return kCommands;
}

// The global options, valid before and after the command.
const std::array<OptionEntry, 6> kGlobalOptions = {{
    {"host", true, false},
    {"port", true, false},
    {"timeout", true, false},
    {"xml", false, false},
    {"json", false, false},
    {"help", false, false},
}};

// The longest wait --timeout accepts: a day, far beyond any encoder, and small enough to
// stay exact in milliseconds.
constexpr double kLongestTimeoutSeconds = 86'400;

const OptionEntry* FindOption(const std::vector<OptionEntry>& options, std::string_view name) {
  for (const OptionEntry& option : options) {
    if (name == option.Name) return &option;
  }
  return nullptr;
}

const OptionEntry* FindGlobalOption(std::string_view name) {
  for (const OptionEntry& option : kGlobalOptions) {
    if (name == option.Name) return &option;
  }
  return nullptr;
}

// The command whose words begin at arguments[at]: one word, or two for the hand-tag and
// member-card commands. Sets `taken` to the number of words used.
const CommandEntry& FindCommand(const std::vector<std::string>& arguments, size_t at,
                                size_t& taken) {
  std::string words = arguments[at];
  taken = 1;
  if ((words == "hand" || words == "member") && at + 1 < arguments.size()) {
    words += " " + arguments[at + 1];
    taken = 2;
  }
  for (const CommandEntry& command : Commands()) {
    if (words == command.Words) return command;
  }
  throw UsageError("unknown command '" + words + "'");
}

uint16_t ParsePort(const std::string& text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) {
    throw UsageError("--port takes a port number from 1 to 65535, not '" + text + "'");
  }
  return static_cast<uint16_t>(value);
}

int ParseTimeoutMs(const std::string& text) {
  double seconds = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0) ||
      seconds > kLongestTimeoutSeconds) {
    throw UsageError("--timeout takes seconds greater than 0, not '" + text + "'");
  }
  return std::max(1, static_cast<int>(std::lround(seconds * 1000)));
}

void ApplyGlobal(ClientCommand& command, std::string_view name, const std::string& value) {
  if (name == "host") {
    if (value.empty()) throw UsageError("--host needs a host name or address");
    command.Host = value;
  } else if (name == "port") {
    command.Port = ParsePort(value);
  } else if (name == "timeout") {
    command.TimeoutMs = ParseTimeoutMs(value);
  } else if (name == "xml" || name == "json") {
    const OutputFormat format = name == "xml" ? OutputFormat::Xml : OutputFormat::Json;
    if (command.Format != OutputFormat::Fields && command.Format != format) {
      throw UsageError("--xml and --json exclude each other");
    }
    command.Format = format;
  } else if (name == "help") {
    command.Help = true;
  }
}

}  // namespace

ClientCommand ParseClientCommandLine(const std::vector<std::string>& arguments) {
  ClientCommand command;
  const CommandEntry* chosen = nullptr;
  bool portGiven = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h") {
      command.Help = true;
      continue;
    }
    if (!argument.starts_with("--") || argument == "--") {
      if (chosen == nullptr) {
        size_t taken = 0;
        chosen = &FindCommand(arguments, i, taken);
        command.Op = chosen->Op;
        i += taken - 1;
      } else if (chosen->TakesFile && !command.Has("file")) {
        command.Values["file"] = argument;
      } else {
        throw UsageError("unexpected argument '" + argument + "'");
      }
      continue;
    }
    const std::string name = argument.substr(2);
    const OptionEntry* option = FindGlobalOption(name);
    const bool global = option != nullptr;
    if (!global && chosen != nullptr) option = FindOption(chosen->Options, name);
    if (option == nullptr) {
      throw UsageError(chosen == nullptr ? "unknown option '" + argument + "'"
                                         : "'" + std::string(chosen->Words) +
                                               "' does not take the option '" + argument + "'");
    }
    std::string value;
    if (option->TakesValue) {
      if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
      value = arguments[++i];
    }
    if (global) {
      portGiven = portGiven || name == "port";
      ApplyGlobal(command, name, value);
    } else if (!command.Values.emplace(name, value).second) {
      throw UsageError(argument + " is given twice");
    }
  }
  if (command.Help) return command;
  if (chosen == nullptr) throw UsageError("no command given (see keydesk-client --help)");
  for (const OptionEntry& option : chosen->Options) {
    if (option.Required && !command.Has(option.Name)) {
      throw UsageError("'" + std::string(chosen->Words) + "' needs --" + option.Name);
    }
  }
  if (chosen->TakesFile && !command.Has("file")) throw UsageError("'raw' needs a FILE");
  if (!portGiven) command.Port = chosen->DefaultPort;
  return command;
}

std::string ClientUsageText() {
  return "Usage: keydesk-client [--host H] [--port P] [--timeout S] [--xml | --json] COMMAND\n"
         "Sends one request to keydesk as a PMS does and prints the response.\n"
         "\n"
         "Door lock (port 8886):\n"
         "  issue --room ROOM --guest NAME --in \"YYYY-MM-DD HH:MM[:SS]\"\n"
         "        --out \"YYYY-MM-DD HH:MM[:SS]\" [--copy] [--register-id ID] [--keep | "
         "--no-keep]\n"
         "          ROOM is building, floor and room: six characters (010208 is building 01,\n"
         "          floor 02, room 08) or three parts with dashes (1-2-208)\n"
         "  read\n"
         "  erase\n"
         "Hand tag (port 8886):\n"
         "  hand issue | hand read | hand erase\n"
         "Member card (port 8883):\n"
         "  member write --card NO --name NAME --password PASSWORD --expire DATE [--channel N]\n"
         "  member read [--flag] [--channel N]\n"
         "  member print --card NO --text TEXT\n"
         "          channel -1 is the hotel's own card (the default), 11 the alliance card\n"
         "Police registration (port 8885):\n"
         "  police\n"
         "Any kind (port 8886 unless --port):\n"
         "  raw FILE   send the file's request text as it is ('-' reads standard input)\n"
         "\n"
         "  --host H      keydesk's host name or address (default 127.0.0.1)\n"
         "  --port P      the port, when Option.ini sets another than the default\n"
         "  --timeout S   give up after S seconds without a response (default 30)\n"
         "  --xml         print the response text as received\n"
         "  --json        print the response as a JSON object\n"
         "\n"
         "Exit status: 0 result 200 (or a police response), 1 result 500, 2 usage error,\n"
         "3 no response (refused, closed without a response, timed out).\n";
}

}  // namespace keydesk::client
