#include "app/journal_browser.h"

#include "app/record_views.h"
#include "platform/code_page.h"

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
  page_ = std::move(page);
}

void JournalBrowser::Find(const Search& search) {
  JournalFilter filter = filter_;
  filter.CardNo = search.CardNo;
  filter.Guest = search.Guest;
  filter.Room = search.Room;
  filter.From = search.From;
  filter.To = search.To;
  filter.Offset = 0;
  Read(filter);
}

bool JournalBrowser::HasNextPage() const {
  return filter_.Offset + static_cast<int64_t>(page_.Rows.size()) < page_.Total;
}

void JournalBrowser::NextPage() {
  if (!HasNextPage()) return;
  JournalFilter filter = filter_;
  filter.Offset += kPageRows;
  Read(filter);
}

void JournalBrowser::PreviousPage() {
  if (!HasPreviousPage()) return;
  JournalFilter filter = filter_;
  filter.Offset = filter.Offset > kPageRows ? filter.Offset - kPageRows : 0;
  Read(filter);
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
  const int64_t pages = (page_.Total + kPageRows - 1) / kPageRows;
  const int64_t page = filter_.Offset / kPageRows + 1;
  return AnsiFromUtf8("第 " + std::to_string(page) + "/" + std::to_string(pages) + " 页，共 " +
                      std::to_string(page_.Total) + " 条");
}

}  // namespace keydesk
