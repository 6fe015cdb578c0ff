#include "ui/journal_form.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/journal_browser.h"
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

TJournalForm::TJournalForm(JournalBrowser& browser, QWidget* parent)
    : QDialog(parent), browser_(browser) {
  setObjectName(QStringLiteral("TJournalForm"));
  setWindowTitle(QString::fromUtf8(kJournalCaption));
  setFont(DialogFont());
  resize(860, 480);

  CardNoFilterTxt = NamedEdit(this, "CardNoFilterTxt");
  GuestFilterTxt = NamedEdit(this, "GuestFilterTxt");
  RoomFilterTxt = NamedEdit(this, "RoomFilterTxt");
  FromFilterTxt = NamedEdit(this, "FromFilterTxt");
  ToFilterTxt = NamedEdit(this, "ToFilterTxt");
  for (QLineEdit* day : {FromFilterTxt, ToFilterTxt}) {
    day->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
  }
  QueryBtn = NamedButton(this, "QueryBtn", "查询");
  QueryBtn->setDefault(true);
  JournalGrid = new QTableWidget(0, static_cast<int>(kJournalColumns.size()), this);
  JournalGrid->setObjectName(QStringLiteral("JournalGrid"));
  JournalGrid->setHorizontalHeaderLabels(Columns());
  JournalGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  JournalGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  JournalGrid->verticalHeader()->hide();
  JournalGrid->horizontalHeader()->setStretchLastSection(true);
  JournalGrid->horizontalHeader()->setSortIndicatorShown(true);
  PreviousPageBtn = NamedButton(this, "PreviousPageBtn", "上一页");
  NextPageBtn = NamedButton(this, "NextPageBtn", "下一页");
  PageLbl = new QLabel(this);
  PageLbl->setObjectName(QStringLiteral("PageLbl"));

  auto* filters = new QHBoxLayout;
  const auto field = [this, filters](const char* caption, QLineEdit* edit) {
    filters->addWidget(CaptionLabel(this, caption));
    filters->addWidget(edit);
  };
  field("卡号:", CardNoFilterTxt);
  field("客人:", GuestFilterTxt);
  field("房间:", RoomFilterTxt);
  field("发卡日期 从:", FromFilterTxt);
  field("到:", ToFilterTxt);
  filters->addWidget(QueryBtn);
  auto* pages = new QHBoxLayout;
  pages->addWidget(PageLbl, 1);
  pages->addWidget(PreviousPageBtn);
  pages->addWidget(NextPageBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(JournalGrid, 1);
  layout->addLayout(pages);

  connect(QueryBtn, &QPushButton::clicked, this, &TJournalForm::Query);
  connect(PreviousPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.PreviousPage(); }); });
  connect(NextPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.NextPage(); }); });
  connect(JournalGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { Browse([this, column] { browser_.SortBy(column); }); });
  Query();
}

void TJournalForm::Query() {
  Browse([this] {
    browser_.Find({ToAnsi(CardNoFilterTxt->text().trimmed()),
                   ToAnsi(GuestFilterTxt->text().trimmed()),
                   ToAnsi(RoomFilterTxt->text().trimmed()), ToAnsi(FromFilterTxt->text().trimmed()),
                   ToAnsi(ToFilterTxt->text().trimmed())});
  });
}

void TJournalForm::Browse(const std::function<void()>& step) {
  RunGuarded(this, step);
  Show();
}

void TJournalForm::Show() {
  const std::vector<JournalRow>& rows = browser_.Page().Rows;
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
  JournalGrid->horizontalHeader()->setSortIndicator(
      browser_.SortColumn(), browser_.Ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
  PageLbl->setText(FromAnsi(browser_.PageText()));
  PreviousPageBtn->setEnabled(browser_.HasPreviousPage());
  NextPageBtn->setEnabled(browser_.HasNextPage());
}

}  // namespace keydesk
