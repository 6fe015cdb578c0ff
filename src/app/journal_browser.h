#pragma once

#include <cstdint>
#include <string>

#include "app/record_views.h"
#include "store/record_store.h"

namespace keydesk {

// What the journal window does, for both front ends: it finds rows by card number, guest,
// room and days of issue, shows them a page at a time with the total, and sorts them by any
// column. The windows only show the page and forward clicks. Texts are code page 936.
//
// Used on the main thread; reads the store beside the running service.
class JournalBrowser {
 public:
  static constexpr int kPageRows = 200;

  // What the operator typed; empty fields find everything.
  struct Search {
    std::string CardNo;
    std::string Guest;
    std::string Room;
    std::string From;  // a day, "yyyy-mm-dd" or as dates are typed
    std::string To;
  };

  // store must outlive the browser.
  explicit JournalBrowser(RecordStore& store) : store_(store) { filter_.Limit = kPageRows; }

  // Reads the first page of what the search finds, newest first unless a column was chosen.
  // Raises as RecordStore::ReadJournalPage (a day that is no date, a store that cannot be
  // read), and then leaves the page shown as it was.
  void Find(const Search& search);
  // The next and the previous page; nothing when there is none.
  void NextPage();
  void PreviousPage();
  // Sorts by the grid's column (kJournalColumns' order), from the first page: a column
  // chosen again turns its order round.
  void SortBy(int column);

  const JournalPage& Page() const { return page_; }
  bool HasNextPage() const;
  bool HasPreviousPage() const { return filter_.Offset > 0; }
  // "第 1/3 页，共 512 条" (or "没有记录").
  std::string PageText() const;
  int SortColumn() const { return static_cast<int>(filter_.Sort); }
  bool Ascending() const { return filter_.Ascending; }

 private:
  // Reads the filter's page; the page shown changes only when the read succeeds.
  void Read(const JournalFilter& filter);

  RecordStore& store_;
  JournalFilter filter_;
  JournalPage page_;
};

}  // namespace keydesk
