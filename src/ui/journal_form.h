#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace keydesk {

class JournalBrowser;

// The journal of issued cards, read-only: what the desk looks at when a guest says a card
// does not open the door. Found by card number, guest, room and days of issue, a page at a
// time with the total, sorted by a click on any column's header. The browser reads the record
// store while the service goes on writing.
class TJournalForm final : public QDialog {
 public:
  // browser must outlive the dialog.
  explicit TJournalForm(JournalBrowser& browser, QWidget* parent = nullptr);

  QLineEdit* CardNoFilterTxt;
  QLineEdit* GuestFilterTxt;
  QLineEdit* RoomFilterTxt;
  QLineEdit* FromFilterTxt;
  QLineEdit* ToFilterTxt;
  QPushButton* QueryBtn;
  QTableWidget* JournalGrid;
  QPushButton* PreviousPageBtn;
  QPushButton* NextPageBtn;
  QLabel* PageLbl;

  // Finds the rows the fields ask for; an error is shown and the grid left as it was.
  void Query();

 private:
  // Runs a browser step; shows its page, or its error in a box.
  void Browse(const std::function<void()>& step);
  void Show();

  JournalBrowser& browser_;
};

}  // namespace keydesk
