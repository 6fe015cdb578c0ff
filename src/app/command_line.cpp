#include "app/command_line.h"

#include "kinds/kind_registry.h"
#include "platform/conversions.h"
#include "platform/errors.h"

namespace keydesk {

std::string UsageText() {
  return "Usage: keydesk [options]\n"
         "  --headless   run without a window until SIGINT or SIGTERM\n"
         "  --dir DIR    folder of Option.ini, the daily log, Client.mdb and the\n"
         "               simulated devices' files\n"
         "               (default: the executable's folder)\n"
         "  --kind N     interface kind: 1 door lock (default), 2 police,\n"
         "               3 member card, 4 hand tag\n"
         "  --no-device  start without the kind's device (the door lock driver, or the\n"
         "               simulated device of kinds 2 to 4), so that requests fail\n"
         "               (police: the response without a guest)\n"
         "  --init-db    create Client.mdb in DIR if it is absent, then exit\n"
         "               (with [Store] Kind=PostgreSQL: the tables on the server);\n"
         "               without Option.ini, first one that allows this machine only\n"
         "  --migrate-store  copy DIR's Client.mdb into the PostgreSQL store that\n"
         "               Option.ini names, then exit\n"
         "  --version    print the version and exit\n"
         "  --help       print this text and exit\n";
}

std::string VersionText() { return "keydesk 1.0.0.0\n"; }

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
      return arguments[++i];
    };
    if (argument == "--headless") {
      line.Headless = true;
    } else if (argument == "--dir") {
      line.Folder = value();
      if (line.Folder.empty()) throw UsageError("--dir needs a folder");
    } else if (argument == "--kind") {
      const std::string& text = value();
      const auto kind = TryStrToInt(text);
      if (!kind || FindInterfaceKind(*kind) == nullptr) {
        throw UsageError("--kind takes 1 to 4, not '" + text + "'");
      }
      line.InterfaceKind = *kind;
    } else if (argument == "--no-device") {
      line.NoDevice = true;
    } else if (argument == "--init-db") {
      line.InitDb = true;
    } else if (argument == "--migrate-store") {
      line.MigrateStore = true;
    } else if (argument == "--version") {
      line.Version = true;
    } else if (argument == "--help" || argument == "-h") {
      line.Help = true;
    } else {
      throw UsageError("unknown argument '" + argument + "'");
    }
  }
  return line;
}

}  // namespace keydesk
