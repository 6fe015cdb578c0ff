#pragma once

#include <functional>
#include <string>

namespace keydesk {

class RecordStore;
class TSysOption;

// What the journal window says beside what it lists: that no journal is kept, or that the
// store cannot be read and why, or how many cards a room has. Text code page 936; empty when
// there is nothing to say.
struct JournalNotice {
  std::string Text;
  bool Alarm = false;  // shown in red
};

// Whether cards are journaled into the store: by this desk when SaveDoorlockRecord is on, and
// always into a store that desks share, since the others journal there whatever this desk's
// switch says.
bool JournalKept(const TSysOption& options, const RecordStore& store);

// Runs a read of the store for the operator; true when it succeeded. notice is then what the
// window says: with no journal kept, that none is (and a missing Client.mdb is no fault
// then); with one kept, that the store cannot be read and the store's reason, or nothing.
// Only a store that cannot be read becomes a notice: ConvertError (a typed day that is no
// date) is the clerk's to mend and is raised, notice left as it was.
bool ReadForOperator(bool kept, const RecordStore& store, const std::function<void()>& read,
                     JournalNotice& notice);

// The notice while no journal is kept: where it is switched on.
JournalNotice JournalOffNotice();

}  // namespace keydesk
