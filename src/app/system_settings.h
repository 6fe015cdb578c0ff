#pragma once

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
  std::string AllowHost;
  std::string Group;                       // UTF-8: the group it is shown in
  std::string Help;                        // UTF-8: one line on what it does
  const OptionKey* Description = nullptr;  // the key's; none for an offer
};

// The keys that otherwise need a text editor, grouped: the listening ports, the logs, the
// door lock's delays and journal switches, and the network's. They are read at start-up
// and never change while keydesk runs (connection threads read them without a lock), so the
// dialog writes Option.ini only, and every change takes effect at the next start. Below them,
// each host refused since start for not being among the allowed hosts, and not allowed by
// the file now, is offered to be added (the PMS of a new install, kept out until named).
//
// Main thread only, like every write of Option.ini.
class SystemSettings {
 public:
  // The most hosts offered, those refused most often first.
  static constexpr size_t kMostOffers = 5;

  // Reads the keys' values from the file; a missing key opens with its default. refused:
  // the connections refused since start (ServiceStatus), of which those not allowed make
  // the offers.
  explicit SystemSettings(std::string optionFile,
                          const std::vector<ServiceStatus::RefusedHosts>& refused = {});

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

 private:
  std::string file_;
  std::vector<SettingField> fields_;
  SettingsAudit* audit_ = nullptr;
};

}  // namespace keydesk
