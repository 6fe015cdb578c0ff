#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/journal_notice.h"
#include "app/record_views.h"
#include "app/room_cards_view.h"
#include "store/record_store.h"

namespace keydesk {

class Clock;
class TSysOption;

// What the journal window does, for both front ends: it finds rows by card number, guest,
// room, days of issue, stay and failures only, shows them a page at a time with the total,
// goes to any page, sorts them by any column, and writes what the search finds to a CSV
// file; it says when no journal is kept or the store cannot be read; and its room view lists
// the cards that open a room now. The windows only show and forward clicks. Texts are code
// page 936.
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
    std::string From;  // a day, "2025-03-01", "2025/3/1" or "2025.3.1"
    std::string To;
    bool FailuresOnly = false;  // "只看失败": the rows shown in red
    std::string StayFrom;       // a stay lasting into this day or later
    std::string StayTo;         // a stay beginning on this day or earlier
  };

  // Whether a guest name comes before another (code page 936) in the platform's pinyin
  // order; empty where the platform has none.
  using NameOrder = std::function<bool(const std::string&, const std::string&)>;

  // store and clock must outlive the browser; options say whether this desk journals its
  // cards; reader reads the card on the encoder for the room view, empty without one.
  JournalBrowser(RecordStore& store, const TSysOption& options, const Clock& clock,
                 CardReader reader = {});

  // Reads the first page of what the search finds, newest first unless a column was chosen.
  // A store that cannot be read empties the page and the notice says why; a day that is no
  // date raises ConvertError and leaves the page shown as it was.
  void Find(const Search& search);
  // The next and the previous page; nothing when there is none.
  void NextPage();
  void PreviousPage();
  void FirstPage();
  void LastPage();
  // The page of that number, from 1; a number past either end goes to that end.
  void GoToPage(int64_t number);
  int64_t PageNumber() const { return filter_.Offset / kPageRows + 1; }
  int64_t PageCount() const { return (page_.Total + kPageRows - 1) / kPageRows; }
  // Sorts by the grid's column (kJournalColumns' order), from the first page: a column
  // chosen again turns its order round.
  void SortBy(int column);
  // The front end's pinyin order of guest names. The store sorts by code point, as no SQL
  // order of a million rows can take the platform's; with it, each page sorted by guest is
  // put in pinyin order, and PageText says that pages follow each other by code point.
  void SetNameOrder(NameOrder order) { nameOrder_ = std::move(order); }

  // Writes every row of the last search, in the order shown, to fileName (the file system's
  // own text) as CSV (see ExportJournalCsv), and gives the line to show afterwards. Raises
  // the store's Error, or Error when the file cannot be written.
  std::string Export(const std::string& fileName);
  const JournalPage& Page() const { return page_; }
  bool HasNextPage() const;
  bool HasPreviousPage() const { return filter_.Offset > 0; }
  // "第 1/3 页，共 512 条", and how guests are sorted when they are; "没有记录" only for a journal
  // that is kept and was read, and has no row the search finds; empty when the store could not be
  // read.
  std::string PageText() const;
  // Whether no journal is kept, or the store could not be read at the last step, and why.
  const JournalNotice& Notice() const { return notice_; }
  int SortColumn() const { return static_cast<int>(filter_.Sort); }
  bool Ascending() const { return filter_.Ascending; }

  RoomCardsView& Rooms() { return rooms_; }

 private:
  // Reads the filter's page; ConvertError leaves everything as it was.
  void Read(const JournalFilter& filter);
  void ReadAt(int64_t offset);

  RecordStore& store_;
  const bool kept_;
  JournalFilter filter_;
  JournalPage page_;
  bool read_ = false;  // the page shown was read from the store
  JournalNotice notice_;
  NameOrder nameOrder_;
  RoomCardsView rooms_;
};

}  // namespace keydesk
