#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace keydesk {

class RecordStore;

// The journal of issued cards, read-only, newest first, filtered by room and day: what the
// desk looks at when a guest says a card does not open the door. It reads the record store
// while the service goes on writing.
class TJournalForm final : public QDialog {
 public:
  TJournalForm(RecordStore& store, QWidget* parent = nullptr);

  QLineEdit* RoomFilterTxt;
  QLineEdit* DayFilterTxt;
  QPushButton* QueryBtn;
  QTableWidget* JournalGrid;

  // Reads the rows the filters ask for; an error is shown and the grid left as it was.
  void Query();

 private:
  RecordStore& store_;
};

}  // namespace keydesk
