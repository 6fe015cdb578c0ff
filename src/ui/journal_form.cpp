#include "ui/journal_form.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/record_views.h"
#include "platform/code_page.h"
#include "store/record_store.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {
namespace {

QStringList Columns() {
  QStringList columns;
  for (const char* column : kJournalColumns) columns << QString::fromUtf8(column);
  return columns;
}

}  // namespace

TJournalForm::TJournalForm(RecordStore& store, QWidget* parent) : QDialog(parent), store_(store) {
  setObjectName(QStringLiteral("TJournalForm"));
  setWindowTitle(QString::fromUtf8(kJournalCaption));
  setFont(DialogFont());
  resize(760, 420);

  RoomFilterTxt = NamedEdit(this, "RoomFilterTxt");
  DayFilterTxt = NamedEdit(this, "DayFilterTxt");
  DayFilterTxt->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
  QueryBtn = NamedButton(this, "QueryBtn", "查询");
  QueryBtn->setDefault(true);
  JournalGrid = new QTableWidget(0, static_cast<int>(kJournalColumns.size()), this);
  JournalGrid->setObjectName(QStringLiteral("JournalGrid"));
  JournalGrid->setHorizontalHeaderLabels(Columns());
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
      const auto cells = JournalCells(row);
      // An attempt that wrote no card stands out: no card of it exists.
      const bool failed = JournalRowFailed(row);
      for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
        auto* item = new QTableWidgetItem(FromAnsi(cells[static_cast<size_t>(c)]));
        if (failed) item->setForeground(QColor(0xC0, 0, 0));
        JournalGrid->setItem(r, c, item);
      }
    }
    JournalGrid->resizeColumnsToContents();
  });
}

}  // namespace keydesk
