#include "kinds/kind_registry.h"

#include "kinds/doorlock/doorlock_kind.h"
#include "kinds/hand/hand_kind.h"
#include "kinds/member/member_kind.h"
#include "kinds/police/police_kind.h"
#include "platform/errors.h"

namespace keydesk {

const std::array<KindEntry, 4>& KindRegistry() {
  static const std::array<KindEntry, 4> entries = {DoorlockKindEntry(), PoliceKindEntry(),
                                                   MemberKindEntry(), HandKindEntry()};
  return entries;
}

const KindEntry* FindKindEntry(int number) {
  for (const KindEntry& entry : KindRegistry()) {
    if (entry.Info.Number == number) return &entry;
  }
  return nullptr;
}

const InterfaceKindInfo* FindInterfaceKind(int number) {
  const KindEntry* entry = FindKindEntry(number);
  return entry != nullptr ? &entry->Info : nullptr;
}

std::unique_ptr<Kind> MakeKind(int number, const KindParts& parts) {
  const KindEntry* entry = FindKindEntry(number);
  if (entry == nullptr) throw Error("Unknown interface kind " + std::to_string(number));
  return entry->Make(parts);
}

}  // namespace keydesk
