#include "ui/journal_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/code_page.h"
#include "store/record_store.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {
namespace {

const QStringList kColumns = {QStringLiteral("房间"),     QStringLiteral("客人"),
                              QStringLiteral("起始时间"), QStringLiteral("结束时间"),
                              QStringLiteral("卡号"),     QStringLiteral("复制"),
                              QStringLiteral("发卡时间")};

// Stored times keep milliseconds; the desk needs minutes and seconds at most.
QString Time(const std::string& stored) { return FromAnsi(stored.substr(0, 19)); }

}  // namespace

TJournalForm::TJournalForm(RecordStore& store, QWidget* parent) : QDialog(parent), store_(store) {
  setObjectName(QStringLiteral("TJournalForm"));
  setWindowTitle(QStringLiteral("发卡记录"));
  setFont(DialogFont());
  resize(760, 420);

  RoomFilterTxt = NamedEdit(this, "RoomFilterTxt");
  DayFilterTxt = NamedEdit(this, "DayFilterTxt");
  DayFilterTxt->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
  QueryBtn = NamedButton(this, "QueryBtn", "查询");
  QueryBtn->setDefault(true);
  JournalGrid = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
  JournalGrid->setObjectName(QStringLiteral("JournalGrid"));
  JournalGrid->setHorizontalHeaderLabels(kColumns);
  JournalGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  JournalGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  JournalGrid->verticalHeader()->hide();
  JournalGrid->horizontalHeader()->setStretchLastSection(true);

  auto* filters = new QHBoxLayout;
  filters->addWidget(CaptionLabel(this, "房间:"));
  filters->addWidget(RoomFilterTxt);
  filters->addSpacing(12);
  filters->addWidget(CaptionLabel(this, "发卡日期:"));
  filters->addWidget(DayFilterTxt);
  filters->addWidget(QueryBtn);
  filters->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(JournalGrid, 1);

  connect(QueryBtn, &QPushButton::clicked, this, &TJournalForm::Query);
  Query();
}

void TJournalForm::Query() {
  RunGuarded(this, [this] {
    JournalFilter filter;
    filter.Room = ToAnsi(RoomFilterTxt->text().trimmed());
    filter.Day = ToAnsi(DayFilterTxt->text().trimmed());
    const std::vector<JournalRow> rows = store_.ReadJournal(filter);
    JournalGrid->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      const JournalRow& row = rows[static_cast<size_t>(r)];
      const QStringList cells = {
          FromAnsi(row.RoomNo),  FromAnsi(row.GuestName),
          Time(row.CheckInTime), Time(row.CheckOutTime),
          FromAnsi(row.CardNo),  row.IsCopy ? QStringLiteral("是") : QString(),
          Time(row.OpratingTime)};
      for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
        JournalGrid->setItem(r, c, new QTableWidgetItem(cells[c]));
      }
    }
    JournalGrid->resizeColumnsToContents();
  });
}

}  // namespace keydesk
