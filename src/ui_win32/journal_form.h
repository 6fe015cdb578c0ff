#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/journal_browser.h"
#include "ui_win32/dialog.h"

namespace keydesk {

// The journal of issued cards, read-only: what the desk looks at when a guest says a card
// does not open the door. Found by card number, guest, room, days of issue (typed or picked
// from a calendar), stay and failures only, a page at a time with the total and any page to
// go to, sorted by a click on any column's header (guests in the Windows locale's pinyin
// order where it has one), and written to a CSV file; rows to look at in red, and above them
// what the browser says when no journal is kept or it cannot be read. Below, the room view:
// the cards that open a room now, and where the card on the encoder stands among them, read
// off the main thread while the buttons are disabled and the dialog stays open. The desk's
// browser reads the record store beside the service without waiting for it. The grid grows
// with the window.
class TJournalForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{960, 690};

  // browser must outlive the dialog.
  explicit TJournalForm(JournalBrowser& browser);

  // The main window's way of opening it: the journal shows beside the main window, which
  // goes on working, until it is closed; while another journal window is open, that one is
  // brought forward instead and the call returns at once.
  INT_PTR ShowModal(HWND owner);

  // Where the export goes (code page 936 path), empty when the clerk cancelled; the save
  // dialog unless a test puts its own.
  std::function<std::string()> ChooseExportFile;

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void OnCancel() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Runs a browser step; shows its page, or its error in a box with the page left as it was.
  void Browse(const std::function<void()>& step);
  void Show();
  void ShowPaging();
  void ShowRoomCards();
  // Reads the card on the encoder off the main thread and says where it stands in the list.
  void CheckCard();
  void SetBusy(bool busy);
  void PumpUntil(const std::atomic<bool>& done);
  void Query();
  void GoToPage();
  void Export();
  // Opens the calendar below the day field, or closes it when it is open for that field.
  void PickDay(int field);
  void PickedDay();
  // Keeps the grid filling the window: what lies below it moves down, and the wide controls
  // widen with it.
  void Layout(int width, int height);
  // The colours of a grid row: red for a row the clerk must look at.
  LRESULT CustomDraw(int grid, const NMLVCUSTOMDRAW& draw) const;

  JournalBrowser& browser_;
  bool busy_ = false;
  HWND calendar_ = nullptr;
  int calendarField_ = 0;
  // Each control's place as the template laid it out, and the client area's size then.
  struct Placed {
    HWND Control;
    int Id;
    RECT Area;
  };
  std::vector<Placed> placed_;
  SIZE laidOut_{};
};

}  // namespace keydesk
