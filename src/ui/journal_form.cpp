#include "ui/journal_form.h"

#include <QApplication>
#include <QColor>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/desk.h"
#include "app/journal_browser.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {
namespace {

const QColor kAttention(0xC0, 0, 0);

template <size_t N>
QTableWidget* Grid(QWidget* parent, const char* name, const std::array<const char*, N>& columns) {
  auto* grid = new QTableWidget(0, static_cast<int>(N), parent);
  grid->setObjectName(QString::fromUtf8(name));
  QStringList captions;
  for (const char* column : columns) captions << QString::fromUtf8(column);
  grid->setHorizontalHeaderLabels(captions);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setStretchLastSection(true);
  return grid;
}

// One grid row of cells, in red when the clerk must look at it.
template <size_t N>
void SetRow(QTableWidget* grid, int row, const std::array<std::string, N>& cells, bool attention) {
  for (int c = 0; c < static_cast<int>(N); ++c) {
    auto* item = new QTableWidgetItem(FromAnsi(cells[static_cast<size_t>(c)]));
    if (attention) item->setForeground(kAttention);
    grid->setItem(row, c, item);
  }
}

QLabel* NoticeLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

void ShowNotice(QLabel* label, const JournalNotice& notice) {
  label->setText(FromAnsi(notice.Text));
  label->setStyleSheet(notice.Alarm ? QStringLiteral("QLabel { color: #c00000; }") : QString());
  label->setVisible(!notice.Text.empty());
}

}  // namespace

TJournalForm::TJournalForm(JournalBrowser& browser, QWidget* parent)
    : QDialog(parent), browser_(browser) {
  setObjectName(QStringLiteral("TJournalForm"));
  setWindowTitle(QString::fromUtf8(kJournalCaption));
  setFont(DialogFont());
  resize(860, 640);

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
  NoticeLbl = NoticeLabel(this, "NoticeLbl");
  JournalGrid = Grid(this, "JournalGrid", kJournalColumns);
  JournalGrid->horizontalHeader()->setSortIndicatorShown(true);
  PreviousPageBtn = NamedButton(this, "PreviousPageBtn", "上一页");
  NextPageBtn = NamedButton(this, "NextPageBtn", "下一页");
  PageLbl = new QLabel(this);
  PageLbl->setObjectName(QStringLiteral("PageLbl"));
  RoomKeyTxt = NamedEdit(this, "RoomKeyTxt");
  RoomKeyTxt->setPlaceholderText(QStringLiteral("020317"));
  RoomCardsBtn = NamedButton(this, "RoomCardsBtn", "查看");
  CheckCardBtn = NamedButton(this, "CheckCardBtn", "读卡核对");
  RoomNoticeLbl = NoticeLabel(this, "RoomNoticeLbl");
  RoomGrid = Grid(this, "RoomGrid", kRoomCardColumns);
  CheckLbl = NoticeLabel(this, "CheckLbl");

  auto* filters = new QHBoxLayout;
  const auto field = [this](QHBoxLayout* line, const char* caption, QLineEdit* edit) {
    line->addWidget(CaptionLabel(this, caption));
    line->addWidget(edit);
  };
  field(filters, "卡号:", CardNoFilterTxt);
  field(filters, "客人:", GuestFilterTxt);
  field(filters, "房间:", RoomFilterTxt);
  field(filters, "发卡日期 从:", FromFilterTxt);
  field(filters, "到:", ToFilterTxt);
  filters->addWidget(QueryBtn);
  auto* pages = new QHBoxLayout;
  pages->addWidget(PageLbl, 1);
  pages->addWidget(PreviousPageBtn);
  pages->addWidget(NextPageBtn);
  auto* room = new QHBoxLayout;
  field(room, "现在能开门的卡 房间:", RoomKeyTxt);
  room->addWidget(RoomCardsBtn);
  room->addWidget(CheckCardBtn);
  room->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(NoticeLbl);
  layout->addWidget(JournalGrid, 3);
  layout->addLayout(pages);
  layout->addLayout(room);
  layout->addWidget(RoomNoticeLbl);
  layout->addWidget(RoomGrid, 2);
  layout->addWidget(CheckLbl);

  connect(QueryBtn, &QPushButton::clicked, this, &TJournalForm::Query);
  connect(PreviousPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.PreviousPage(); }); });
  connect(NextPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.NextPage(); }); });
  connect(JournalGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { Browse([this, column] { browser_.SortBy(column); }); });
  connect(RoomCardsBtn, &QPushButton::clicked, this, &TJournalForm::ShowRoom);
  connect(CheckCardBtn, &QPushButton::clicked, this, &TJournalForm::CheckCard);
  Query();
  ShowRoomCards();
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
    SetRow(JournalGrid, r, JournalCells(row), JournalRowNeedsAttention(row));
  }
  JournalGrid->resizeColumnsToContents();
  JournalGrid->horizontalHeader()->setSortIndicator(
      browser_.SortColumn(), browser_.Ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
  ShowNotice(NoticeLbl, browser_.Notice());
  PageLbl->setText(FromAnsi(browser_.PageText()));
  PreviousPageBtn->setEnabled(browser_.HasPreviousPage());
  NextPageBtn->setEnabled(browser_.HasNextPage());
}

void TJournalForm::ShowRoom() {
  RunGuarded(this, [this] { browser_.Rooms().Show(ToAnsi(RoomKeyTxt->text())); });
  CheckLbl->clear();
  ShowRoomCards();
}

void TJournalForm::ShowRoomCards() {
  const RoomCardsView& rooms = browser_.Rooms();
  const std::vector<RoomCard>& cards = rooms.Cards();
  RoomGrid->setRowCount(static_cast<int>(cards.size()));
  for (int r = 0; r < static_cast<int>(cards.size()); ++r) {
    const RoomCard& card = cards[static_cast<size_t>(r)];
    SetRow(RoomGrid, r, RoomCardCells(card), JournalRowNeedsAttention(card.Row));
  }
  RoomGrid->resizeColumnsToContents();
  ShowNotice(RoomNoticeLbl, rooms.Notice());
  CheckCardBtn->setEnabled(rooms.CanCheckCard());
}

void TJournalForm::CheckCard() {
  CheckLbl->clear();
  RunGuarded(this, [this] {
    const TestPanel panel = browser_.Rooms().CheckPanel();
    QEventLoop loop;
    // The quit is queued, so it also ends the loop when the press ends before the loop runs.
    PanelPress press(panel, RoomCardsView::kCheckButton, {}, [&loop] {
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    SetBusy(true);
    loop.exec();
    SetBusy(false);
    CheckLbl->setText(FromAnsi(press.Take().Line));
  });
  CheckCardBtn->setEnabled(browser_.Rooms().CanCheckCard());
}

void TJournalForm::reject() {
  // The dialog waits for the encoder before it closes.
  if (!busy_) QDialog::reject();
}

void TJournalForm::SetBusy(bool busy) {
  busy_ = busy;
  for (QPushButton* button : findChildren<QPushButton*>()) button->setEnabled(!busy);
  JournalGrid->horizontalHeader()->setSectionsClickable(!busy);
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
    PreviousPageBtn->setEnabled(browser_.HasPreviousPage());
    NextPageBtn->setEnabled(browser_.HasNextPage());
  }
}

}  // namespace keydesk
