// The journal window's rules without a window: pages, their text and the way back.
#include "app/journal_browser.h"

#include <gtest/gtest.h>

#include "core/log_file.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

// Every row is reachable: a page at a time, with the total.
TEST(JournalBrowserTest, EveryRowIsReachableAPageAtATime) {
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(TDoorlockRecordManager::CreateDatabase(dir.File("Client.mdb"), error)) << error;
  TSysOption options(dir.File("Option.ini"));
  test::FixedClock clock(test::MakeDateTime(2026, 12, 8, 9, 0));
  TLogFile log(dir.File("20261208.LOG"), options, clock);
  TDoorlockRecordManager store(dir.File("Client.mdb"), log);
  const int rows = JournalBrowser::kPageRows * 2 + 5;
  for (int i = 1; i <= rows; ++i) {
    store.AddIssueCardRecord("R", std::to_string(i), "010208", 1, DateTime(), DateTime(),
                             DateTime(), false, "G", clock.Now().AddMinutes(i));
  }
  JournalBrowser browser(store);
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

}  // namespace
}  // namespace keydesk
