#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/record_store.h"

namespace keydesk {

// The SQL of a journal page for both stores: only the conditions the filter asks for are
// written, so that each can use its index (a card number its own, days the issue time's),
// and every value is bound, never pasted into the text.
struct JournalQuery {
  // A store's spelling: how it finds a part of a text, names a parameter and orders rows
  // that are alike.
  struct Dialect {
    const char* Contains;             // "instr({column}, {value}) > 0" with the two marked
    std::string (*Parameter)(int n);  // the n-th parameter, from 1
    const char* RowOrder;             // "rowid" or "Id"
    // The rows the clerk must look at: IssueResult neither empty nor null nor one of the two
    // marked, {lo} before {hi} byte by byte.
    const char* Attention;
  };

  // Raises ConvertError for a day that is no date.
  JournalQuery(const JournalFilter& filter, const Dialect& dialect);

  std::string Where;                // " where ..." or empty
  std::vector<std::string> Values;  // UTF-8, in the parameters' order
  std::string OrderBy;              // " order by ..."
  std::string ReversedOrderBy;      // the same order turned round
};

// Where a page lies, read from the nearer end of its order: a page in the far half is read
// in the reversed order and its rows turned back, so that no read skips more than half of
// what the filter finds, even through an index.
struct JournalWindow {
  int64_t Offset = 0;
  int64_t Limit = 0;
  bool Reversed = false;
};
JournalWindow NearerEnd(int64_t total, int64_t offset, int64_t limit);

// A day as the operator types it ("2025-03-01", "2025/3/1", "2025.3.1", or a date and time)
// as stored times begin, "yyyy-mm-dd". Raises ConvertError naming label for a day that is no
// date.
std::string JournalDay(const std::string& typed, const char* label);

}  // namespace keydesk
