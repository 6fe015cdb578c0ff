#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace keydesk {

class JournalBrowser;

// The journal of issued cards, read-only: what the desk looks at when a guest says a card
// does not open the door. Found by card number, guest, room, days of issue (typed or picked
// from a calendar), stay and failures only, a page at a time with the total and any page to
// go to, sorted by a click on any column's header (guests in pinyin order where Qt's
// collator has it), and written to a CSV file; rows to look at in red, and above them what
// the browser says when no journal is kept or it cannot be read. Below, the room view: the
// cards that open a room now, and where the card on the encoder stands among them (read off
// the main thread; meanwhile the buttons are disabled and the dialog stays). The browser
// reads the record store while the service goes on writing.
//
// The window is not modal: exec() shows it and returns when it is closed, while the main
// window goes on working beside it; an exec() while another journal window of the same
// parent is open brings that one forward and returns at once.
class TJournalForm final : public QDialog {
 public:
  // browser must outlive the dialog.
  explicit TJournalForm(JournalBrowser& browser, QWidget* parent = nullptr);

  QLineEdit* CardNoFilterTxt;
  QLineEdit* GuestFilterTxt;
  QLineEdit* RoomFilterTxt;
  QLineEdit* FromFilterTxt;
  QLineEdit* ToFilterTxt;
  QLineEdit* StayFromTxt;
  QLineEdit* StayToTxt;
  QCheckBox* FailuresOnlyBox;
  QPushButton* QueryBtn;
  QPushButton* ExportBtn;
  QLabel* NoticeLbl;
  QTableWidget* JournalGrid;
  QPushButton* PreviousPageBtn;
  QPushButton* NextPageBtn;
  QPushButton* FirstPageBtn;
  QPushButton* LastPageBtn;
  QLineEdit* PageNoTxt;
  QPushButton* GoToPageBtn;
  QLabel* PageLbl;
  QLabel* ExportLbl;
  QLineEdit* RoomKeyTxt;
  QPushButton* RoomCardsBtn;
  QPushButton* CheckCardBtn;
  QLabel* RoomNoticeLbl;
  QTableWidget* RoomGrid;
  QLabel* CheckLbl;

  // Finds the rows the fields ask for; an error is shown and the grid left as it was.
  void Query();
  // Lists the cards that open the room typed now.
  void ShowRoom();
  // Reads the card on the encoder and says where it stands in the room's list.
  void CheckCard();
  // Asks where to write the search's rows and writes them there.
  void Export();

  // Where the export goes (the file system's path), empty when the clerk cancelled; a file
  // dialog unless a test puts its own.
  std::function<QString()> ChooseExportFile;

  int exec() override;
  void reject() override;

 private:
  // Runs a browser step; shows its page, or its error in a box.
  void Browse(const std::function<void()>& step);
  void Show();
  void ShowPaging();
  void ShowRoomCards();
  void SetBusy(bool busy);

  JournalBrowser& browser_;
  bool busy_ = false;
};

}  // namespace keydesk
