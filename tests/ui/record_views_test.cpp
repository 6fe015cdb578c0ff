// The operator's views of the card journal and of the day's log, over a running service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCollator>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/journal_browser.h"
#include "core/log_file.h"
#include "core/sys_option.h"
#include "loopback_client.h"
#include "message_box_recorder.h"
#include "modal_script.h"
#include "platform/code_page.h"
#include "store/doorlock_record_manager.h"
#include "test_application.h"
#include "ui/journal_form.h"
#include "ui/log_view_form.h"
#include "ui/main_form.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using test::ModalScript;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string IssueRequest(const std::string& room, const std::string& guest,
                         const std::string& checkIn = "2008-08-18",
                         const std::string& checkOut = "2008-08-20") {
  return "<DoorRequest type=\"IssueCard\"><Ignored/><RegisterId>R1</RegisterId>"
         "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode><RoomNo>" +
         room + "</RoomNo><GuestName>" + guest + "</GuestName><CheckInDate>" + checkIn +
         "</CheckInDate><CheckInTime>14:00:00</CheckInTime><CheckOutDate>" + checkOut +
         "</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime><IsCopy>False</IsCopy></DoorRequest>";
}

// A day from today, as a request gives it.
std::string Day(int fromToday) {
  return QDate::currentDate().addDays(fromToday).toString(Qt::ISODate).toStdString();
}

class RecordViewsTest : public ::testing::Test {
 protected:
  void Issue(const std::string& room, const std::string& guest,
             const std::string& checkIn = "2008-08-18",
             const std::string& checkOut = "2008-08-20") {
    test::LoopbackClient client(application_.Port());
    client.SendFrame(IssueRequest(room, guest, checkIn, checkOut));
    ASSERT_TRUE(client.ReadResponse().has_value());
  }
  // One column of the journal grid (or another), top to bottom.
  static QStringList Column(const TJournalForm& journal, int column,
                            const QTableWidget* grid = nullptr) {
    if (grid == nullptr) grid = journal.JournalGrid;
    QStringList cells;
    for (int row = 0; row < grid->rowCount(); ++row) cells << grid->item(row, column)->text();
    return cells;
  }

  // The journal on, before the browser takes it as on.
  static const TSysOption& Journaling(test::TestApplication& application) {
    application.Context().SysOption.SaveDoorlockRecord = true;
    return application.Context().SysOption;
  }

  MessageBoxRecorder boxes_;
  test::TestApplication application_;
  Desk desk_{application_.Context(), application_.Kind()};
  TMainForm form_{desk_};
  JournalBrowser browser_{application_.Context().RecordStore, Journaling(application_),
                          application_.Context().LocalClock};
};

TEST_F(RecordViewsTest, TheJournalShowsIssuedCardsNewestFirstFilteredByRoomAndDay) {
  Issue("08", "王先生");
  Issue("09", "李女士");
  Issue("08", "张先生");
  TJournalForm journal(browser_);

  EXPECT_EQ(Column(journal, 0), (QStringList{"010208", "010209", "010208"}));
  EXPECT_EQ(Column(journal, 1), (QStringList{"张先生", "李女士", "王先生"}));
  EXPECT_EQ(journal.JournalGrid->item(0, 2)->text(), QStringLiteral("2008-08-18 14:00:00"));
  EXPECT_EQ(journal.JournalGrid->item(0, 3)->text(), QStringLiteral("2008-08-20 12:00:00"));
  EXPECT_EQ(Column(journal, 4), (QStringList{"3", "2", "1"}));

  journal.RoomFilterTxt->setText(QStringLiteral("0209"));
  journal.QueryBtn->click();
  EXPECT_EQ(Column(journal, 1), QStringList{QStringLiteral("李女士")});
  // A room typed with SQL's pattern characters matches nothing rather than everything.
  journal.RoomFilterTxt->setText(QStringLiteral("%"));
  journal.QueryBtn->click();
  EXPECT_EQ(journal.JournalGrid->rowCount(), 0);

  journal.RoomFilterTxt->clear();
  journal.FromFilterTxt->setText(QStringLiteral("2000-01-01"));
  journal.ToFilterTxt->setText(QStringLiteral("2000-01-01"));
  journal.QueryBtn->click();
  EXPECT_EQ(journal.JournalGrid->rowCount(), 0);
  EXPECT_EQ(journal.PageLbl->text(), QStringLiteral("没有记录"));
  journal.ToFilterTxt->clear();  // from that day on
  journal.QueryBtn->click();
  EXPECT_EQ(journal.JournalGrid->rowCount(), 3);
  EXPECT_THAT(boxes_.Shown(), IsEmpty());

  journal.FromFilterTxt->setText(QStringLiteral("yesterday"));
  journal.QueryBtn->click();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(
      boxes_.Shown()[0].text,
      QStringLiteral("'yesterday' is not a valid date and time\n“发卡日期”要填写日期和时间，如 "
                     "2026-12-09 14:00:00，现在是“yesterday”。"));
  EXPECT_EQ(journal.JournalGrid->rowCount(), 3);  // left as it was
  journal.FromFilterTxt->clear();

  // By card number and by guest; a click on a header sorts by its column, a second turns it.
  journal.CardNoFilterTxt->setText(QStringLiteral("2"));
  journal.QueryBtn->click();
  EXPECT_EQ(Column(journal, 1), QStringList{QStringLiteral("李女士")});
  journal.CardNoFilterTxt->clear();
  journal.GuestFilterTxt->setText(QStringLiteral("先生"));
  journal.QueryBtn->click();
  EXPECT_EQ(Column(journal, 4), (QStringList{"3", "1"}));
  journal.GuestFilterTxt->clear();
  journal.QueryBtn->click();
  journal.JournalGrid->horizontalHeader()->sectionClicked(1);
  // Pinyin where Qt's collator has it (ICU), code point order otherwise, and the page says so.
  if (QCollator(QLocale(QLocale::Chinese, QLocale::China))
          .compare(QStringLiteral("李"), QStringLiteral("张")) < 0) {
    EXPECT_EQ(Column(journal, 1), (QStringList{"李女士", "王先生", "张先生"}));
    EXPECT_TRUE(
        journal.PageLbl->text().endsWith(QStringLiteral("（客人：页内按拼音，页与页之间按编码）")));
  } else {
    EXPECT_EQ(Column(journal, 1), (QStringList{"张先生", "李女士", "王先生"}));
    EXPECT_TRUE(
        journal.PageLbl->text().endsWith(QStringLiteral("（客人按编码排序，本机没有拼音排序）")));
  }
  journal.JournalGrid->horizontalHeader()->sectionClicked(4);
  EXPECT_EQ(Column(journal, 4), (QStringList{"3", "2", "1"}));
  journal.JournalGrid->horizontalHeader()->sectionClicked(4);
  EXPECT_EQ(Column(journal, 4), (QStringList{"1", "2", "3"}));
  EXPECT_EQ(journal.PageLbl->text(), QStringLiteral("第 1/1 页，共 3 条"));
  EXPECT_FALSE(journal.NextPageBtn->isEnabled());
}

// The window's other searches, pages and export are wired to the browser, and the desk's
// journal stays beside the main window, one at a time.
TEST_F(RecordViewsTest, TheJournalsSearchesPagesAndExportAreWiredAndItIsNotModal) {
  Issue("08", "王先生", "2008-08-18", "2008-08-20");
  Issue("09", "李女士", "2008-09-01", "2008-09-03");
  TJournalForm journal(browser_);
  journal.StayFromTxt->setText(QStringLiteral("2008/8/19"));
  journal.StayToTxt->setText(QStringLiteral("2008.8.19"));
  journal.QueryBtn->click();
  EXPECT_EQ(Column(journal, 1), QStringList{QStringLiteral("王先生")});
  journal.StayFromTxt->clear();
  journal.StayToTxt->clear();
  // The calendar beside a day field fills it with the day clicked.
  auto* pick = journal.FromFilterTxt->findChild<QAction*>(QStringLiteral("FromFilterTxtCalendar"));
  ASSERT_NE(pick, nullptr);
  pick->trigger();
  auto* calendar = journal.FromFilterTxt->findChild<QCalendarWidget*>();
  ASSERT_NE(calendar, nullptr);
  emit calendar->clicked(QDate(2008, 8, 18));
  EXPECT_EQ(journal.FromFilterTxt->text(), QStringLiteral("2008-08-18"));
  journal.FromFilterTxt->clear();
  journal.FailuresOnlyBox->setChecked(true);
  journal.QueryBtn->click();
  EXPECT_EQ(journal.JournalGrid->rowCount(), 0);
  journal.FailuresOnlyBox->setChecked(false);
  journal.QueryBtn->click();
  EXPECT_EQ(journal.PageNoTxt->text(), QStringLiteral("1"));
  EXPECT_FALSE(journal.LastPageBtn->isEnabled());
  EXPECT_FALSE(journal.FirstPageBtn->isEnabled());
  journal.PageNoTxt->setText(QStringLiteral("7"));
  journal.GoToPageBtn->click();
  EXPECT_EQ(journal.PageLbl->text(), QStringLiteral("第 1/1 页，共 2 条"));

  const std::string file = application_.File("export.csv");
  journal.ChooseExportFile = [&] { return QString::fromStdString(file); };
  journal.ExportBtn->click();
  EXPECT_EQ(journal.ExportLbl->text().toStdString(), "已导出 2 条：" + file);
  std::ifstream csv(file, std::ios::binary);
  std::string first;
  std::getline(csv, first);
  EXPECT_EQ(first, "\xEF\xBB\xBF房间,客人,起始时间,结束时间,卡号,复制,发卡时间,结果\r");
  journal.ChooseExportFile = [&] { return QString::fromStdString(application_.File("no/x.csv")); };
  journal.ExportBtn->click();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_TRUE(boxes_.Shown()[0].text.startsWith(QStringLiteral("导出文件无法写入：")))
      << boxes_.Shown()[0].text.toStdString();

  int journals = 0;
  bool modal = true;
  ModalScript script;
  script.Then<TJournalForm>([&](TJournalForm& open) {
    modal = open.isModal() || QApplication::activeModalWidget() != nullptr;
    // Asked for again while open: the open one comes forward, no second one.
    desk_.Run(DeskCommand::Journal, form_);
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (dynamic_cast<TJournalForm*>(window) != nullptr && window->isVisible()) ++journals;
    }
    open.reject();
  });
  desk_.Run(DeskCommand::Journal, form_);
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(modal);
  EXPECT_EQ(journals, 1);
}

// The desk's journal window reads the card on the simulated encoder: the last one written.
TEST_F(RecordViewsTest, TheRoomViewListsTheRoomsCardsAndFindsTheCardOnTheEncoderAmongThem) {
  Issue("08", "赵先生");  // expired long ago
  Issue("08", "王先生", Day(-1), Day(2));
  Issue("09", "张先生", Day(-1), Day(2));
  Issue("08", "李女士", Day(-1), Day(2));  // the card left on the encoder
  QStringList cards, shutOut;
  QString check;
  ModalScript script;
  script.Then<TJournalForm>([&](TJournalForm& journal) {
    journal.RoomKeyTxt->setText(QStringLiteral("010208"));
    journal.RoomCardsBtn->click();
    cards = Column(journal, 0, journal.RoomGrid);
    shutOut = Column(journal, 7, journal.RoomGrid);
    journal.CheckCardBtn->click();
    check = journal.CheckLbl->text();
    journal.reject();
  });
  desk_.Run(DeskCommand::Journal, form_);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(cards, (QStringList{"4", "2"}));
  EXPECT_EQ(shutOut, (QStringList{"", "已被后发的卡取代"}));
  EXPECT_TRUE(check.startsWith(QStringLiteral("此卡在列表中：第 1 张（卡号 4，李女士，")))
      << check.toStdString();
  EXPECT_THAT(boxes_.Shown(), IsEmpty());
}

TEST_F(RecordViewsTest, AJournalThatCannotBeReadIsSaidInRedInsteadOfNoRecords) {
  test::WriteFileBytes(application_.File("Broken.mdb"), std::string(8192, '\x5a'));
  TDoorlockRecordManager store(application_.File("Broken.mdb"), application_.Context().Log);
  JournalBrowser browser(store, application_.Context().SysOption,
                         application_.Context().LocalClock);
  TJournalForm journal(browser);
  EXPECT_TRUE(journal.NoticeLbl->isVisibleTo(&journal));
  EXPECT_THAT(journal.NoticeLbl->text().toStdString(),
              ::testing::AllOf(::testing::StartsWith("发卡记录无法读取（"),
                               ::testing::HasSubstr("file is not a database")));
  EXPECT_TRUE(journal.NoticeLbl->styleSheet().contains(QStringLiteral("#c00000")));
  EXPECT_EQ(journal.PageLbl->text(), QString());
  journal.RoomKeyTxt->setText(QStringLiteral("010208"));
  journal.RoomCardsBtn->click();
  EXPECT_TRUE(journal.RoomNoticeLbl->styleSheet().contains(QStringLiteral("#c00000")));
  EXPECT_FALSE(journal.CheckCardBtn->isEnabled());
}

TEST_F(RecordViewsTest, TheJournalReadsWhileRequestsAreBeingServed) {
  constexpr int kCards = 40;
  std::atomic<int> answered{0};
  std::thread desk([&] {
    for (int i = 0; i < kCards; ++i) {
      test::LoopbackClient client(application_.Port());
      client.SendFrame(IssueRequest("08", "王先生"));
      if (client.ReadResponse().has_value()) ++answered;
    }
  });
  TJournalForm journal(browser_);
  int seen = 0;
  while (answered < kCards) {
    journal.Query();
    EXPECT_GE(journal.JournalGrid->rowCount(), seen) << "rows vanished";
    seen = journal.JournalGrid->rowCount();
  }
  desk.join();
  journal.Query();
  EXPECT_EQ(journal.JournalGrid->rowCount(), kCards);
  EXPECT_THAT(boxes_.Shown(), IsEmpty()) << "the reader was kept out by the writer";
}

TEST_F(RecordViewsTest, WithWriteLogOffTheLogViewSaysSoInsteadOfOpeningBlank) {
  TSysOption off("Option.ini");
  off.WriteLog = false;
  TLogViewForm view(application_.Context().Log.FileName() + ".none", LogViewNotice(off));
  EXPECT_EQ(view.LogTxt->toPlainText(),
            QStringLiteral("日志没有写入：Option.ini 的 [SysOption] WriteLog=0。要写日志，把它改为 "
                           "1，然后重新启动 keydesk。"));
  off.WriteLog = true;
  EXPECT_EQ(LogViewNotice(off), "");
}

TEST_F(RecordViewsTest, TheLogViewShowsTheDaysLogAndFollowsNewLines) {
  TLogFile& log = application_.Context().Log;
  log.Write(AnsiFromUtf8("第一行"));
  TLogViewForm view(log.FileName());
  EXPECT_TRUE(view.LogTxt->isReadOnly());
  EXPECT_THAT(view.LogTxt->toPlainText().toStdString(), ::testing::EndsWith(" 第一行"));

  log.Write(AnsiFromUtf8("第二行"));
  view.Follow();
  const QStringList lines = view.LogTxt->toPlainText().split(QLatin1Char('\n'));
  // The start's line about the card library, then the two.
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" 第二行")));

  // Moved away and begun anew: the view starts over with the new file.
  std::filesystem::rename(log.FileName(), log.FileName() + ".old");
  log.Write(AnsiFromUtf8("新文件"));
  view.Follow();
  EXPECT_THAT(view.LogTxt->toPlainText().toStdString(), ::testing::EndsWith(" 新文件"));
  EXPECT_EQ(view.LogTxt->toPlainText().split(QLatin1Char('\n')).size(), 1);
}

}  // namespace
}  // namespace keydesk
