#include "ui/journal_form.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCollator>
#include <QColor>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
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

// A day typed, or picked from the calendar that the field's button opens.
QLineEdit* DayEdit(QWidget* parent, const char* name) {
  QLineEdit* edit = NamedEdit(parent, name);
  edit->setPlaceholderText(QStringLiteral("2025-03-01"));
  // A desktop without the theme's calendar picture still shows a button.
  const QIcon picture =
      QIcon::fromTheme(QStringLiteral("x-office-calendar"),
                       edit->style()->standardIcon(QStyle::SP_FileDialogContentsView));
  QAction* pick = edit->addAction(picture, QLineEdit::TrailingPosition);
  pick->setObjectName(QString::fromLatin1(name) + QStringLiteral("Calendar"));
  pick->setText(QString::fromUtf8("日历"));
  QObject::connect(pick, &QAction::triggered, edit, [edit] {
    auto* calendar = new QCalendarWidget(edit);
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    const QDate typed = QDate::fromString(edit->text(), Qt::ISODate);
    if (typed.isValid()) calendar->setSelectedDate(typed);
    QObject::connect(calendar, &QCalendarWidget::clicked, edit, [edit, calendar](QDate day) {
      edit->setText(day.toString(Qt::ISODate));
      calendar->close();
    });
    calendar->move(edit->mapToGlobal(QPoint(0, edit->height())));
    calendar->show();
  });
  return edit;
}

// Qt's collator in pinyin order, where its locale data has one: without ICU it may compare
// by code point, which the probe finds ("李" comes before "张" in pinyin, after it by code).
JournalBrowser::NameOrder PinyinOrder() {
  QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
  if (collator.compare(QString::fromUtf8("李"), QString::fromUtf8("张")) >= 0) return {};
  return [collator](const std::string& a, const std::string& b) {
    return collator.compare(FromAnsi(a), FromAnsi(b)) < 0;
  };
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
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  resize(1000, 760);
  browser_.SetNameOrder(PinyinOrder());
  ChooseExportFile = [this] {
    return QFileDialog::getSaveFileName(this, QString::fromUtf8("导出"),
                                        QString::fromUtf8("发卡记录.csv"),
                                        QStringLiteral("CSV (*.csv)"));
  };

  CardNoFilterTxt = NamedEdit(this, "CardNoFilterTxt");
  GuestFilterTxt = NamedEdit(this, "GuestFilterTxt");
  RoomFilterTxt = NamedEdit(this, "RoomFilterTxt");
  FromFilterTxt = DayEdit(this, "FromFilterTxt");
  ToFilterTxt = DayEdit(this, "ToFilterTxt");
  StayFromTxt = DayEdit(this, "StayFromTxt");
  StayToTxt = DayEdit(this, "StayToTxt");
  FailuresOnlyBox = new QCheckBox(QString::fromUtf8("只看失败"), this);
  FailuresOnlyBox->setObjectName(QStringLiteral("FailuresOnlyBox"));
  QueryBtn = NamedButton(this, "QueryBtn", "查询");
  QueryBtn->setDefault(true);
  ExportBtn = NamedButton(this, "ExportBtn", "导出...");
  NoticeLbl = NoticeLabel(this, "NoticeLbl");
  JournalGrid = Grid(this, "JournalGrid", kJournalColumns);
  JournalGrid->horizontalHeader()->setSortIndicatorShown(true);
  // Rows as high as the text needs, so that the window shows as many as it can.
  JournalGrid->verticalHeader()->setDefaultSectionSize(JournalGrid->fontMetrics().height() + 6);
  FirstPageBtn = NamedButton(this, "FirstPageBtn", "首页");
  PreviousPageBtn = NamedButton(this, "PreviousPageBtn", "上一页");
  NextPageBtn = NamedButton(this, "NextPageBtn", "下一页");
  LastPageBtn = NamedButton(this, "LastPageBtn", "末页");
  PageNoTxt = NamedEdit(this, "PageNoTxt");
  PageNoTxt->setValidator(new QIntValidator(1, 1 << 30, PageNoTxt));
  PageNoTxt->setMaximumWidth(70);
  GoToPageBtn = NamedButton(this, "GoToPageBtn", "转到");
  PageLbl = new QLabel(this);
  PageLbl->setObjectName(QStringLiteral("PageLbl"));
  ExportLbl = NoticeLabel(this, "ExportLbl");
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
  auto* stays = new QHBoxLayout;
  field(stays, "住店 从:", StayFromTxt);
  field(stays, "到:", StayToTxt);
  stays->addWidget(FailuresOnlyBox);
  stays->addStretch(1);
  stays->addWidget(QueryBtn);
  stays->addWidget(ExportBtn);
  auto* pages = new QHBoxLayout;
  pages->addWidget(PageLbl, 1);
  pages->addWidget(FirstPageBtn);
  pages->addWidget(PreviousPageBtn);
  pages->addWidget(NextPageBtn);
  pages->addWidget(LastPageBtn);
  pages->addWidget(PageNoTxt);
  pages->addWidget(GoToPageBtn);
  auto* room = new QHBoxLayout;
  field(room, "现在能开门的卡 房间:", RoomKeyTxt);
  room->addWidget(RoomCardsBtn);
  room->addWidget(CheckCardBtn);
  room->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addLayout(stays);
  layout->addWidget(ExportLbl);
  layout->addWidget(NoticeLbl);
  layout->addWidget(JournalGrid, 4);
  layout->addLayout(pages);
  layout->addLayout(room);
  layout->addWidget(RoomNoticeLbl);
  layout->addWidget(RoomGrid, 1);
  layout->addWidget(CheckLbl);

  connect(PreviousPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.PreviousPage(); }); });
  connect(NextPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.NextPage(); }); });
  connect(FirstPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.FirstPage(); }); });
  connect(LastPageBtn, &QPushButton::clicked, this,
          [this] { Browse([this] { browser_.LastPage(); }); });
  const auto goToPage = [this] {
    bool number = false;
    const qlonglong page = PageNoTxt->text().toLongLong(&number);
    if (number) Browse([this, page] { browser_.GoToPage(page); });
  };
  connect(GoToPageBtn, &QPushButton::clicked, this, goToPage);
  // Enter presses the default button, 查询; in the page field it goes to that page instead.
  connect(QueryBtn, &QPushButton::clicked, this, [this, goToPage] {
    if (PageNoTxt->hasFocus()) {
      goToPage();
    } else {
      Query();
    }
  });
  connect(ExportBtn, &QPushButton::clicked, this, &TJournalForm::Export);
  connect(JournalGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { Browse([this, column] { browser_.SortBy(column); }); });
  connect(RoomCardsBtn, &QPushButton::clicked, this, &TJournalForm::ShowRoom);
  connect(CheckCardBtn, &QPushButton::clicked, this, &TJournalForm::CheckCard);
  Query();
  ShowRoomCards();
}

void TJournalForm::Query() {
  Browse([this] {
    const auto typed = [](const QLineEdit* edit) { return ToAnsi(edit->text().trimmed()); };
    browser_.Find({.CardNo = typed(CardNoFilterTxt),
                   .Guest = typed(GuestFilterTxt),
                   .Room = typed(RoomFilterTxt),
                   .From = typed(FromFilterTxt),
                   .To = typed(ToFilterTxt),
                   .FailuresOnly = FailuresOnlyBox->isChecked(),
                   .StayFrom = typed(StayFromTxt),
                   .StayTo = typed(StayToTxt)});
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
  PageNoTxt->setText(browser_.Page().Total > 0 ? QString::number(browser_.PageNumber())
                                               : QString());
  ShowPaging();
}

void TJournalForm::ShowPaging() {
  PreviousPageBtn->setEnabled(browser_.HasPreviousPage());
  FirstPageBtn->setEnabled(browser_.HasPreviousPage());
  NextPageBtn->setEnabled(browser_.HasNextPage());
  LastPageBtn->setEnabled(browser_.HasNextPage());
}

void TJournalForm::Export() {
  const QString file = ChooseExportFile();
  if (file.isEmpty()) return;
  ExportLbl->clear();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  RunGuarded(this, [&] {
    const std::string line = browser_.Export(QFile::encodeName(file).toStdString());
    ExportLbl->setText(FromAnsi(line));
  });
  QApplication::restoreOverrideCursor();
}

int TJournalForm::exec() {
  if (parentWidget() != nullptr) {
    for (TJournalForm* other : parentWidget()->findChildren<TJournalForm*>()) {
      if (other == this || !other->isVisible()) continue;
      other->raise();
      other->activateWindow();
      return QDialog::Rejected;
    }
  }
  setModal(false);
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  show();
  loop.exec();
  return result();
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
    ShowPaging();
  }
}

}  // namespace keydesk
