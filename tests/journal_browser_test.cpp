// The journal window's rules without a window: pages, their text and the way back, any page in
// any order, the searches, the export; what it says when no journal is kept or the store
// cannot be read; the room view and its card check.
#include "app/journal_browser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/system_settings.h"
#include "core/log_file.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "room_cards_rows.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "store/issue_result.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class JournalBrowserTest : public ::testing::Test {
 protected:
  JournalBrowserTest() { options_.SaveDoorlockRecord = true; }

  void CreateDb() {
    std::string error;
    ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
  }
  std::vector<std::string> Column(const JournalBrowser& browser, size_t column) const {
    std::vector<std::string> cells;
    for (const JournalRow& row : browser.Page().Rows) {
      cells.push_back(Utf8FromAnsi(JournalCells(row)[column]));
    }
    return cells;
  }

  test::TempDir dir_;
  TSysOption options_{dir_.File("Option.ini")};
  test::FixedClock clock_{test::MakeDateTime(2026, 12, 8, 12, 0)};
  TLogFile log_{dir_.File("20261208.LOG"), options_, clock_};
  TDoorlockRecordManager store_{dir_.File("Client.mdb"), log_};
};

// Every row is reachable: a page at a time, with the total.
TEST_F(JournalBrowserTest, EveryRowIsReachableAPageAtATime) {
  CreateDb();
  const int rows = JournalBrowser::kPageRows * 2 + 5;
  for (int i = 1; i <= rows; ++i) {
    store_.AddIssueCardRecord("R", std::to_string(i), "010208", 1, DateTime(), DateTime(),
                              DateTime(), false, "G", clock_.Now().AddMinutes(i));
  }
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({});
  EXPECT_EQ(browser.Page().Rows.front().CardNo, std::to_string(rows));
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()), "第 1/3 页，共 405 条");
  EXPECT_FALSE(browser.HasPreviousPage());
  browser.NextPage();
  browser.NextPage();
  EXPECT_EQ(browser.Page().Rows.size(), 5u);
  EXPECT_EQ(browser.Page().Rows.back().CardNo, "1");
  EXPECT_FALSE(browser.HasNextPage());
  browser.NextPage();  // nothing beyond the last
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()), "第 3/3 页，共 405 条");
  browser.PreviousPage();
  EXPECT_EQ(browser.Page().Rows.front().CardNo, std::to_string(rows - JournalBrowser::kPageRows));
}

// Rows whose every column orders them differently: card numbers of one to three digits, starts
// and ends that run against the issue time, a copy every third row, results of every kind.
void AddVariedRows(TDoorlockRecordManager& store, DateTime now, int count) {
  const std::string results[] = {WrittenResult(), FailedResult("x"), "", RefusedResult("y"),
                                 InterruptedResult()};
  for (int i = 1; i <= count; ++i) {
    const int spread = (i * 7919) % count;
    store.AddIssueCardRecord("R", std::to_string(i), "0102" + std::to_string(spread % 17), 1,
                             now.AddMinutes(spread), now, now.AddMinutes(count - spread),
                             i % 3 == 0, AnsiFromUtf8("客人") + std::to_string(spread % 23),
                             now.AddMinutes(i), results[static_cast<size_t>(i % 5)]);
  }
}

std::vector<std::string> CardNumbers(const std::vector<JournalRow>& rows) {
  std::vector<std::string> numbers;
  for (const JournalRow& row : rows) numbers.push_back(row.CardNo);
  return numbers;
}

// Any page, in any order and either direction, holds the rows that the whole order has
// there, also a page of the far half, which is read backwards from the end.
TEST_F(JournalBrowserTest, AnyPageInAnyOrderIsThatPartOfTheWholeOrder) {
  CreateDb();
  const int rows = JournalBrowser::kPageRows * 2 + 50;
  AddVariedRows(store_, clock_.Now(), rows);
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({});
  for (int column = 0; column < static_cast<int>(kJournalColumns.size()); ++column) {
    for (int turn = 0; turn < 2; ++turn) {
      browser.SortBy(column);
      JournalFilter whole;
      whole.Sort = static_cast<JournalSort>(column);
      whole.Ascending = browser.Ascending();
      whole.Limit = rows;
      const std::vector<std::string> all = CardNumbers(store_.ReadJournal(whole));
      ASSERT_EQ(all.size(), static_cast<size_t>(rows));
      const auto part = [&](int page) {
        const auto begin = all.begin() + (page - 1) * JournalBrowser::kPageRows;
        return std::vector<std::string>(begin,
                                        std::min(begin + JournalBrowser::kPageRows, all.end()));
      };
      for (const int page : {2, 3, 1}) {
        browser.GoToPage(page);
        EXPECT_EQ(CardNumbers(browser.Page().Rows), part(page)) << column << " " << page;
      }
      browser.LastPage();
      EXPECT_EQ(browser.PageNumber(), 3);
      EXPECT_EQ(CardNumbers(browser.Page().Rows), part(3)) << column;
      browser.FirstPage();
      EXPECT_EQ(CardNumbers(browser.Page().Rows), part(1)) << column;
    }
  }
  browser.GoToPage(99);  // past the end: the last page
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()), "第 3/3 页，共 450 条");
  browser.GoToPage(0);
  EXPECT_EQ(browser.PageNumber(), 1);
}

TEST_F(JournalBrowserTest, DaysAreTakenAsTheyAreTypedOnAChineseWindows) {
  CreateDb();
  store_.AddIssueCardRecord("R", "1", "010208", 1, DateTime(), DateTime(), DateTime(), false, "G",
                            test::MakeDateTime(2026, 3, 1, 23, 59));
  store_.AddIssueCardRecord("R", "2", "010208", 1, DateTime(), DateTime(), DateTime(), false, "G",
                            test::MakeDateTime(2026, 3, 2, 0, 0));
  JournalBrowser browser(store_, options_, clock_);
  for (const char* day : {"2026-03-01", "2026/3/1", "2026.3.1", "2026/03/01"}) {
    browser.Find({.From = day, .To = day});
    EXPECT_EQ(CardNumbers(browser.Page().Rows), std::vector<std::string>{"1"}) << day;
  }
  EXPECT_THROW(browser.Find({.From = "2026/13/1"}), ConvertError);
  EXPECT_THROW(browser.Find({.StayTo = "2026.2.30"}), ConvertError);
  EXPECT_EQ(CardNumbers(browser.Page().Rows), std::vector<std::string>{"1"});  // as it was
}

// "只看失败" finds the rows the grid shows in red; a stay finds the rows whose stay lasts into
// the days asked for.
TEST_F(JournalBrowserTest, FailuresOnlyAndAStayFindTheirRows) {
  CreateDb();
  const auto day = [](int d, int h) { return test::MakeDateTime(2026, 12, d, h, 0); };
  const std::pair<std::string, int> rows[] = {{WrittenResult(), 1},     {WritingResult(), 2},
                                              {FailedResult("x"), 3},   {RefusedResult("y"), 4},
                                              {InterruptedResult(), 5}, {"", 6},
                                              {UnansweredResult(7), 7}, {DoubtfulResult("z"), 8}};
  for (const auto& [result, n] : rows) {
    // Card n's guest stays from day n at 14:00 to day n + 2 at 12:00.
    store_.AddIssueCardRecord("R", std::to_string(n), "010208", 1, day(n, 14), day(n, 14),
                              day(n + 2, 12), false, "G", clock_.Now().AddMinutes(n), result);
  }
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({.FailuresOnly = true});
  EXPECT_THAT(CardNumbers(browser.Page().Rows), ElementsAre("8", "7", "5", "4", "3"));
  for (const JournalRow& row : browser.Page().Rows) EXPECT_TRUE(JournalRowNeedsAttention(row));
  browser.Find({.StayFrom = "2026-12-05", .StayTo = "2026/12/6"});
  EXPECT_THAT(CardNumbers(browser.Page().Rows), ElementsAre("6", "5", "4", "3"));
  browser.Find({.FailuresOnly = true, .StayFrom = "2026-12-05", .StayTo = "2026-12-05"});
  EXPECT_THAT(CardNumbers(browser.Page().Rows), ElementsAre("5", "4", "3"));
}

// Where the front end has a pinyin order, a page sorted by guest follows it, and the page's
// text says that pages follow each other by code point; without one, that it is code point.
TEST_F(JournalBrowserTest, GuestsSortInThePlatformsOrderWithinAPageAndItIsSaid) {
  CreateDb();
  for (const char* guest : {"王五", "张三", "李四"}) {
    store_.AddIssueCardRecord("R", "1", "010208", 1, DateTime(), DateTime(), DateTime(), false,
                              AnsiFromUtf8(guest), clock_.Now());
  }
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({});
  browser.SortBy(1);
  EXPECT_THAT(Column(browser, 1), ElementsAre("张三", "李四", "王五"));  // 5F20 674E 738B
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()),
            "第 1/1 页，共 3 条（客人按编码排序，本机没有拼音排序）");
  const std::map<std::string, std::string> pinyin = {{AnsiFromUtf8("张三"), "zhang"},
                                                     {AnsiFromUtf8("李四"), "li"},
                                                     {AnsiFromUtf8("王五"), "wang"}};
  browser.SetNameOrder(
      [&](const std::string& a, const std::string& b) { return pinyin.at(a) < pinyin.at(b); });
  browser.SortBy(1);
  EXPECT_THAT(Column(browser, 1), ElementsAre("张三", "王五", "李四"));
  browser.SortBy(1);
  EXPECT_THAT(Column(browser, 1), ElementsAre("李四", "王五", "张三"));
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()),
            "第 1/1 页，共 3 条（客人：页内按拼音，页与页之间按编码）");
  browser.SortBy(6);
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()), "第 1/1 页，共 3 条");
}

// The export holds every row the search finds, in its order, as the grid shows them, and a
// spreadsheet takes no guest's name for a formula.
TEST_F(JournalBrowserTest, TheExportWritesTheSearchAsCsvInUtf8WithAByteOrderMark) {
  CreateDb();
  const DateTime now = clock_.Now();
  store_.AddIssueCardRecord("R", "1", "010208", 1, now, now, now.AddDays(1), false,
                            AnsiFromUtf8("王先生"), now, WrittenResult());
  store_.AddIssueCardRecord("R", "2", "010208", 1, now, now, now.AddDays(1), true,
                            "=HYPERLINK(\"x\")", now.AddMinutes(1), "");
  store_.AddIssueCardRecord("R", "3", "010309", 1, now, now, now.AddDays(1), false, "Smith, J",
                            now.AddMinutes(2), FailedResult("x"));
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({.Room = "0102"});
  const std::string file = dir_.File("journal.csv");
  EXPECT_EQ(Utf8FromAnsi(browser.Export(file)), "已导出 2 条：" + file);
  EXPECT_EQ(
      ReadWholeFile(file),
      "\xEF\xBB\xBF房间,客人,起始时间,结束时间,卡号,复制,发卡时间,结果\r\n"
      "010208,\"'=HYPERLINK(\"\"x\"\")\",2026-12-08 12:00:00,2026-12-09 12:00:00,2,是,"
      "2026-12-08 12:01:00,（旧记录，没有结果）\r\n"
      "010208,王先生,2026-12-08 12:00:00,2026-12-09 12:00:00,1,,2026-12-08 12:00:00,成功\r\n");
  browser.Find({.Guest = "Smith"});
  browser.Export(file);
  EXPECT_THAT(*ReadWholeFile(file), HasSubstr("\"Smith, J\""));

  // More rows than one write takes, all of them, beyond the page shown.
  AddVariedRows(store_, now, 1500);
  browser.Find({});
  EXPECT_EQ(Utf8FromAnsi(browser.Export(file)), "已导出 1503 条：" + file);
  const std::string all = *ReadWholeFile(file);
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 1504);

  const std::string nowhere = dir_.File("no folder/journal.csv");
  try {
    browser.Export(nowhere);
    ADD_FAILURE() << "exported into a folder that is not there";
  } catch (const Error& error) {
    EXPECT_EQ(Utf8FromAnsi(error.what()), "导出文件无法写入：" + nowhere);
  }
  EXPECT_FALSE(ReadWholeFile(nowhere).has_value());
}

// --- The grid: the validity written to the card, and each row's state -----------------------

TEST_F(JournalBrowserTest, TheStartColumnShowsAndSortsByTheStartWrittenToTheCard) {
  CreateDb();
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({});  // only a journal that is kept and read says that it has no row
  EXPECT_EQ(Utf8FromAnsi(browser.PageText()), "没有记录");
  EXPECT_EQ(browser.Notice().Text, "");
  const DateTime now = clock_.Now();
  // The later request's check-in is the earlier start: a copy card takes its room's start.
  store_.AddIssueCardRecord("R", "1", "010208", 1, now.AddHours(-5), now.AddHours(-6),
                            now.AddDays(1), false, "G", now, WrittenResult());
  store_.AddIssueCardRecord("R", "2", "010208", 1, now.AddHours(-6), now.AddHours(-1),
                            now.AddDays(1), true, "G", now.AddMinutes(1), InterruptedResult());
  store_.AddIssueCardRecord("R", "3", "010208", 1, now.AddHours(-4), now.AddHours(-4),
                            now.AddDays(1), false, "G", now.AddMinutes(2), "");
  browser.Find({});
  EXPECT_THAT(Column(browser, 2),
              ElementsAre("2026-12-08 08:00:00", "2026-12-08 06:00:00", "2026-12-08 07:00:00"));
  browser.SortBy(2);  // the latest start first
  EXPECT_THAT(Column(browser, 4), ElementsAre("3", "1", "2"));
  browser.SortBy(2);
  EXPECT_THAT(Column(browser, 4), ElementsAre("2", "1", "3"));

  EXPECT_THAT(Column(browser, 7),
              ElementsAre("中断：不知道卡是否写好，请读卡核对", "成功", "（旧记录，没有结果）"));
  std::vector<bool> marked;
  for (const JournalRow& row : browser.Page().Rows) marked.push_back(JournalRowNeedsAttention(row));
  EXPECT_THAT(marked, ElementsAre(true, false, false));
}

// --- What the window says instead of "没有记录" ------------------------------------------------

TEST_F(JournalBrowserTest, WithoutAJournalItSaysSoAndWhereItIsSwitchedOn) {
  options_.SaveDoorlockRecord = false;  // and no Client.mdb, as on a fresh install
  JournalBrowser browser(store_, options_, clock_);
  browser.Find({});
  // The switch named as the 系统设置 dialog shows it, and the key behind it.
  std::string caption;
  const SystemSettings settings(dir_.File("Option.ini"));
  for (const SettingField& field : settings.Fields()) {
    if (std::string_view(field.Key) == "SaveDoorlockRecord") caption = field.Caption;
  }
  ASSERT_FALSE(caption.empty());
  EXPECT_THAT(Utf8FromAnsi(browser.Notice().Text),
              AllOf(HasSubstr("“" + caption + "”"),
                    HasSubstr("[DoorlockOption] SaveDoorlockRecord=1"), Not(HasSubstr("mdb"))));
  EXPECT_FALSE(browser.Notice().Alarm);
  EXPECT_EQ(browser.PageText(), "");
  browser.Rooms().Show("020317");
  EXPECT_EQ(browser.Rooms().Notice().Text, browser.Notice().Text);
  EXPECT_FALSE(browser.Rooms().CanCheckCard());
}

TEST_F(JournalBrowserTest, AStoreThatCannotBeReadIsSaidInRedWithItsReason) {
  test::WriteFileBytes(dir_.File("Client.mdb"), std::string(8192, '\x5a'));
  JournalBrowser browser(store_, options_, clock_, [](int64_t&, TCardDetails&) { return true; });
  browser.Find({});
  EXPECT_TRUE(browser.Notice().Alarm);
  EXPECT_THAT(Utf8FromAnsi(browser.Notice().Text),
              AllOf(StartsWith("发卡记录无法读取（" + dir_.File("Client.mdb") + "）："),
                    HasSubstr("file is not a database")));
  EXPECT_EQ(browser.PageText(), "");
  browser.Rooms().Show("020317");
  EXPECT_TRUE(browser.Rooms().Notice().Alarm);
  EXPECT_FALSE(browser.Rooms().CanCheckCard());
  // A day that is no date is the clerk's to mend: raised, not taken for the store's fault.
  EXPECT_THROW(browser.Find({.From = "yesterday"}), ConvertError);
}

// --- The room view ---------------------------------------------------------------------------

TEST_F(JournalBrowserTest, TheRoomViewListsTheCardsThatOpenTheRoomNowAndChecksTheCardRead) {
  CreateDb();
  test::AddRoomCardRows(store_, clock_.Now());
  int64_t onEncoder = 1;
  bool readable = true;
  JournalBrowser browser(store_, options_, clock_, [&](int64_t& CardNo, TCardDetails& Details) {
    CardNo = onEncoder;
    Details.RoomNo = "17";
    return readable;
  });
  RoomCardsView& rooms = browser.Rooms();
  rooms.Show(" 020317 ");
  ASSERT_EQ(rooms.Cards().size(), 3u);  // which, the stores' tests say
  EXPECT_EQ(Utf8FromAnsi(rooms.Notice().Text),
            "房间 020317 在 2026-12-08 12:00:00 有 3 张卡能开门，其中 1 张已被后发的卡取代；"
            "另有 1 条旧记录没有结果，不知道卡能否开门");
  ASSERT_TRUE(rooms.CanCheckCard());

  const auto check = [&] {
    return Utf8FromAnsi(rooms.CheckPanel().Press(RoomCardsView::kCheckButton, {}).Line);
  };
  EXPECT_EQ(check(),
            "此卡在列表中：第 3 张（卡号 1，王先生，2026-12-07 06:00:00 至 2026-12-09 08:00:00，"
            "已被后发的卡取代）");
  onEncoder = 4;
  EXPECT_THAT(check(),
              AllOf(StartsWith("此卡在列表中：第 1 张（卡号 4，"), HasSubstr("，复制卡）")));
  onEncoder = 5;  // its write failed: it opens nothing
  EXPECT_EQ(check(), "此卡不在列表中：不是房间 020317 现在能开门的卡。\n读卡成功：卡号 5，房间 17");
  readable = false;
  EXPECT_EQ(check(), "读卡失败");
  rooms.Show("0203");
  EXPECT_EQ(Utf8FromAnsi(rooms.Notice().Text), "房间 0203 在 2026-12-08 12:00:00 没有能开门的卡");
}

}  // namespace
}  // namespace keydesk
