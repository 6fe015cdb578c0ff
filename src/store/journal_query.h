#pragma once

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
  };

  // Raises ConvertError for a day that is no date.
  JournalQuery(const JournalFilter& filter, const Dialect& dialect);

  std::string Where;                // " where ..." or empty
  std::vector<std::string> Values;  // UTF-8, in the parameters' order
  std::string OrderBy;              // " order by ..."
};

}  // namespace keydesk
