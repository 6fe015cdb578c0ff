#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/option_key.h"
#include "core/service_status.h"

namespace keydesk {

class SettingsAudit;

// One key of the 系统设置 dialog: where it stands in Option.ini, its caption and what it
// opens with.
enum class SettingKind { Number, Switch, Text };

struct SettingField {
  const char* Section;
  const char* Key;
  std::string Caption;  // UTF-8
  SettingKind Kind;
  std::string Value;  // as it stands in the file, code page 936; a switch is "1" or "0"
  // An offer, a switch that is no key of its own: when ticked, this host (an address) is
  // added to AllowedHosts. Empty for a key of the file.
  std::string AllowHost{};
  std::string Group;                       // UTF-8: the group it is shown in
  std::string Help;                        // UTF-8: one line on what it does
  const OptionKey* Description = nullptr;  // the key's; none for an offer
  // Values offered in a list (code page 936); the entry may still be typed.
  std::vector<std::string> Choices{};
  // For a part of a connection string: its keyword ("host"); the field then edits that
  // keyword only, and the rest of the string stays as written.
  std::string Part{};
};

// The name a front end gives the field's entry: its key, and for a part of a connection
// string the keyword after a dot ("Connection.host").
std::string EntryName(const SettingField& field);

// Where a dialog of two columns breaks the fields: the first field of the group that begins
// the second column, so that the columns' rows (a heading each group) are nearly even.
size_t SecondColumnStart(const std::vector<SettingField>& fields);

// The keys that otherwise need a text editor, grouped: the listening ports, the logs, the
// door lock's delays and journal switches, the network's, and the shared store's (its
// connection string shown as server, port, database and user; a password in it is never
// shown). They are read at start-up and never change while keydesk runs (connection threads
// read them without a lock), so the dialog writes Option.ini only: the listener's keys take
// effect when it starts again (ListenerChanged), the others at the next start. Closing the
// network's group, each host refused since start for not being among the allowed hosts, and not
// allowed by the file now, is offered to be added (the PMS of a new install, kept out until named).
//
// Main thread only, like every write of Option.ini.
class SystemSettings {
 public:
  // The most hosts offered, those refused most often first.
  static constexpr size_t kMostOffers = 5;

  // Reads the keys' values from the file; a missing key opens with its default. refused:
  // the connections refused since start (ServiceStatus), of which those not allowed make
  // the offers. localAddresses: this computer's, offered as the listening address.
  explicit SystemSettings(std::string optionFile,
                          const std::vector<ServiceStatus::RefusedHosts>& refused = {},
                          const std::vector<uint32_t>& localAddresses = {});

  const std::vector<SettingField>& Fields() const { return fields_; }

  // Each key that Save writes is told to audit, with its old and new value; audit must
  // outlive the settings. None: nothing is told.
  void AuditTo(SettingsAudit* audit) { audit_ = audit; }

  // Takes the dialog's entries, one per field in the order of Fields (a switch "1" or "0").
  // A ticked offer adds its host to the AllowedHosts entry, unless that entry allows it
  // already. Checks every entry first and raises Error naming the field (in Chinese) at the
  // first that cannot be read, writing nothing. Then writes only the keys whose entry differs
  // from what the file held, and returns what the clerk is told (code page 936): which keys were
  // saved and that they take effect after a restart, or that nothing changed. Raises IoError
  // "Unable to write to %s" when the file cannot be written; keys before it are written.
  std::string Save(const std::vector<std::string>& entries);

  // Whether a Save wrote a key the listener reads when it starts (a port, [Network]).
  bool ListenerChanged() const { return listenerChanged_; }

 private:
  std::string file_;
  std::vector<SettingField> fields_;
  std::string connection_;  // the connection string as the file holds it
  SettingsAudit* audit_ = nullptr;
  bool listenerChanged_ = false;
};

}  // namespace keydesk
