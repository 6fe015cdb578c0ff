#pragma once

#include <string>

#include "ui_win32/dialog.h"

namespace keydesk {

// The journal of issued cards, read-only, newest first, filtered by room and day: what the
// desk looks at when a guest says a card does not open the door. It reads Client.mdb with a
// connection of its own while the service goes on writing.
class TJournalForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{760, 420};

  explicit TJournalForm(std::string storeFileName);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  // Reads the rows the filters ask for; an error is shown and the grid left as it was.
  void Query();

  const std::string storeFileName_;
};

}  // namespace keydesk
