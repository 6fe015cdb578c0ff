#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>

#include "app/journal_browser.h"
#include "ui_win32/dialog.h"

namespace keydesk {

// The journal of issued cards, read-only: what the desk looks at when a guest says a card
// does not open the door. Found by card number, guest, room and days of issue, a page at a
// time with the total, sorted by a click on any column's header; rows to look at in red, and
// above them what the browser says when no journal is kept or it cannot be read. Below, the
// room view: the cards that open a room now, and where the card on the encoder stands among
// them, read off the main thread while the buttons are disabled and the dialog stays open.
// The desk's browser reads the record store beside the service without waiting for it.
class TJournalForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{860, 615};

  // browser must outlive the dialog.
  explicit TJournalForm(JournalBrowser& browser);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void OnCancel() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Runs a browser step; shows its page, or its error in a box with the page left as it was.
  void Browse(const std::function<void()>& step);
  void Show();
  void ShowRoomCards();
  // Reads the card on the encoder off the main thread and says where it stands in the list.
  void CheckCard();
  void SetBusy(bool busy);
  void PumpUntil(const std::atomic<bool>& done);
  // The colours of a grid row: red for a row the clerk must look at.
  LRESULT CustomDraw(int grid, const NMLVCUSTOMDRAW& draw) const;

  JournalBrowser& browser_;
  bool busy_ = false;
};

}  // namespace keydesk
