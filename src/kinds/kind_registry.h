#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/interface_kind.h"

namespace keydesk {

class DrevanLibrary;
class Kind;
struct ServiceContext;

// What start-up gives a kind to be made from.
struct KindParts {
  const ServiceContext& Context;
  const DrevanLibrary& Library;
  std::string Folder;  // where simulated devices keep their files
  bool InstallDevice;  // false: the kind runs without its device
};

// The device of kinds 2 to 4, which are not part of the system: a simulated one keeping its
// files in parts.Folder stands in, so that every kind runs end to end; none when parts asks
// for no device.
template <typename Simulated>
std::unique_ptr<Simulated> SimulatedDeviceIfWanted(const KindParts& parts) {
  return parts.InstallDevice ? std::make_unique<Simulated>(parts.Folder) : nullptr;
}

// One interface kind: what it is, and how start-up makes it with its device and handler.
// Each kinds/X/ declares its own entry; start-up walks the one table below.
struct KindEntry {
  const InterfaceKindInfo& Info;
  std::unique_ptr<Kind> (*Make)(const KindParts& parts);
  // Whether the kind's cards depend on the record store when these switches are on, so
  // that a store that cannot be had is a warning from the start.
  bool UsesRecordStore;
};

// Every kind, in number order.
const std::array<KindEntry, 4>& KindRegistry();

// The kind's entry and texts; nullptr for a number that is no kind.
const KindEntry* FindKindEntry(int number);
const InterfaceKindInfo* FindInterfaceKind(int number);

// The kind of that number, made from parts; raises Error for a number that is no kind.
std::unique_ptr<Kind> MakeKind(int number, const KindParts& parts);

}  // namespace keydesk
