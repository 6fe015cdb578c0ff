// The operator's views of the card journal and of the day's log, over a running service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <atomic>
#include <filesystem>
#include <thread>

#include "app/journal_browser.h"
#include "core/log_file.h"
#include "core/sys_option.h"
#include "loopback_client.h"
#include "message_box_recorder.h"
#include "platform/code_page.h"
#include "store/doorlock_record_manager.h"
#include "test_application.h"
#include "ui/journal_form.h"
#include "ui/log_view_form.h"
#include "ui/main_form.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string IssueRequest(const std::string& room, const std::string& guest) {
  return "<DoorRequest type=\"IssueCard\"><Ignored/><RegisterId>R1</RegisterId>"
         "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode><RoomNo>" +
         room + "</RoomNo><GuestName>" + guest +
         "</GuestName><CheckInDate>2008-08-18</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
         "<CheckOutDate>2008-08-20</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime>"
         "<IsCopy>False</IsCopy></DoorRequest>";
}

class RecordViewsTest : public ::testing::Test {
 protected:
  RecordViewsTest() { application_.Context().SysOption.SaveDoorlockRecord = true; }

  void Issue(const std::string& room, const std::string& guest) {
    test::LoopbackClient client(application_.Port());
    client.SendFrame(IssueRequest(room, guest));
    ASSERT_TRUE(client.ReadResponse().has_value());
  }
  // One column of the journal grid, top to bottom.
  static QStringList Column(const TJournalForm& journal, int column) {
    QStringList cells;
    for (int row = 0; row < journal.JournalGrid->rowCount(); ++row) {
      cells << journal.JournalGrid->item(row, column)->text();
    }
    return cells;
  }

  MessageBoxRecorder boxes_;
  test::TestApplication application_;
  Desk desk_{application_.Context(), application_.Kind()};
  TMainForm form_{desk_};
  JournalBrowser browser_{application_.Context().RecordStore};
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
  EXPECT_EQ(Column(journal, 1), (QStringList{"张先生", "李女士", "王先生"}));
  journal.JournalGrid->horizontalHeader()->sectionClicked(4);
  EXPECT_EQ(Column(journal, 4), (QStringList{"3", "2", "1"}));
  journal.JournalGrid->horizontalHeader()->sectionClicked(4);
  EXPECT_EQ(Column(journal, 4), (QStringList{"1", "2", "3"}));
  EXPECT_EQ(journal.PageLbl->text(), QStringLiteral("第 1/1 页，共 3 条"));
  EXPECT_FALSE(journal.NextPageBtn->isEnabled());
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
