#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

class RecordStore;

// The journal of issued cards, read-only, newest first, filtered by room and day: what the
// desk looks at when a guest says a card does not open the door. It reads through the record
// store, which reads beside the service without waiting for it.
class TJournalForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{760, 420};

  explicit TJournalForm(RecordStore& store);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  // Reads the rows the filters ask for; an error is shown and the grid left as it was.
  void Query();

  RecordStore& store_;
};

}  // namespace keydesk
