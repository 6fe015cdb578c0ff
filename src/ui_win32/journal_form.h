#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "app/journal_browser.h"
#include "ui_win32/dialog.h"

namespace keydesk {

// The journal of issued cards, read-only: what the desk looks at when a guest says a card
// does not open the door. Found by card number, guest, room and days of issue, a page at a
// time with the total, sorted by a click on any column's header; attempts that wrote no card
// in red. The desk's browser reads the record store beside the service without waiting for it.
class TJournalForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{860, 450};

  // browser must outlive the dialog.
  explicit TJournalForm(JournalBrowser& browser);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Runs a browser step; shows its page, or its error in a box with the page left as it was.
  void Browse(const std::function<void()>& step);
  void Show();
  // The colours of a grid row: red for an attempt that wrote no card.
  LRESULT CustomDraw(const NMLVCUSTOMDRAW& draw) const;

  JournalBrowser& browser_;
};

}  // namespace keydesk
