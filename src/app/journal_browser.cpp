#include "app/journal_browser.h"

#include <algorithm>

#include "app/journal_export.h"
#include "app/record_views.h"
#include "platform/code_page.h"
#include "platform/paths.h"

namespace keydesk {

JournalBrowser::JournalBrowser(RecordStore& store, const TSysOption& options, const Clock& clock,
                               CardReader reader)
    : store_(store),
      kept_(JournalKept(options, store)),
      rooms_(store, kept_, clock, std::move(reader)) {
  filter_.Limit = kPageRows;
}

void JournalBrowser::Read(const JournalFilter& filter) {
  JournalPage page;
  read_ = ReadForOperator(
      kept_, store_, [&] { page = store_.ReadJournalPage(filter); }, notice_);
  // A store that cannot be read leaves an empty page: rows of an earlier read beside its
  // notice would pass for what it holds.
  filter_ = filter;
  if (filter.Sort == JournalSort::Guest && nameOrder_) {
    const auto before = [this](const JournalRow& a, const JournalRow& b) {
      return filter_.Ascending ? nameOrder_(a.GuestName, b.GuestName)
                               : nameOrder_(b.GuestName, a.GuestName);
    };
    std::stable_sort(page.Rows.begin(), page.Rows.end(), before);
  }
  page_ = std::move(page);
}

void JournalBrowser::ReadAt(int64_t offset) {
  JournalFilter filter = filter_;
  filter.Offset = static_cast<int>(offset);
  Read(filter);
}

void JournalBrowser::Find(const Search& search) {
  JournalFilter filter = filter_;
  filter.CardNo = search.CardNo;
  filter.Guest = search.Guest;
  filter.Room = search.Room;
  filter.From = search.From;
  filter.To = search.To;
  filter.FailuresOnly = search.FailuresOnly;
  filter.StayFrom = search.StayFrom;
  filter.StayTo = search.StayTo;
  filter.Offset = 0;
  Read(filter);
}

bool JournalBrowser::HasNextPage() const {
  return filter_.Offset + static_cast<int64_t>(page_.Rows.size()) < page_.Total;
}

void JournalBrowser::NextPage() {
  if (HasNextPage()) ReadAt(filter_.Offset + kPageRows);
}

void JournalBrowser::PreviousPage() {
  if (HasPreviousPage()) ReadAt(filter_.Offset > kPageRows ? filter_.Offset - kPageRows : 0);
}

void JournalBrowser::FirstPage() { GoToPage(1); }

void JournalBrowser::LastPage() { GoToPage(PageCount()); }

void JournalBrowser::GoToPage(int64_t number) {
  // By the count of the last read; rows journaled since show on the pages after it.
  const int64_t page = std::clamp<int64_t>(number, 1, std::max<int64_t>(PageCount(), 1));
  ReadAt((page - 1) * kPageRows);
}

void JournalBrowser::SortBy(int column) {
  if (column < 0 || column >= static_cast<int>(kJournalColumns.size())) return;
  JournalFilter filter = filter_;
  const auto sort = static_cast<JournalSort>(column);
  // The first click on a column: times and numbers newest or highest first, texts A to Z.
  filter.Ascending = sort == filter.Sort
                         ? !filter.Ascending
                         : !(sort == JournalSort::IssueTime || sort == JournalSort::LastCheckIn ||
                             sort == JournalSort::CheckOut || sort == JournalSort::CardNo);
  filter.Sort = sort;
  filter.Offset = 0;
  Read(filter);
}

std::string JournalBrowser::PageText() const {
  if (!read_) return {};
  // Without a journal, an empty one says nothing of the cards issued.
  if (page_.Total == 0) return kept_ ? AnsiFromUtf8("没有记录") : std::string();
  std::string text = "第 " + std::to_string(PageNumber()) + "/" + std::to_string(PageCount()) +
                     " 页，共 " + std::to_string(page_.Total) + " 条";
  if (filter_.Sort == JournalSort::Guest) {
    text += nameOrder_ ? "（客人：页内按拼音，页与页之间按编码）"
                       : "（客人按编码排序，本机没有拼音排序）";
  }
  return AnsiFromUtf8(text);
}

std::string JournalBrowser::Export(const std::string& fileName) {
  JournalFilter all = filter_;
  all.Offset = 0;
  const int64_t rows = ExportJournalCsv(store_, all, fileName);
  return AnsiFromUtf8("已导出 " + std::to_string(rows) + " 条：") + AnsiFromPath(fileName);
}

}  // namespace keydesk
