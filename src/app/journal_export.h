#pragma once

#include <cstdint>
#include <string>

#include "store/record_store.h"

namespace keydesk {

// Writes every row the filter finds, in its order, to fileName (the file system's own text)
// as the journal grid shows them: CSV in UTF-8 with a byte order mark, so that a spreadsheet
// reads the Chinese right, the grid's captions as the first line, lines ending in CR LF.
// Rows are written as they are read, a batch at a time, never all held at once. Gives how
// many rows were written. Raises the store's Error when it cannot be read, and Error
// "导出文件无法写入：<file>" when the file cannot be written, which is then removed rather
// than left half written.
int64_t ExportJournalCsv(RecordStore& store, const JournalFilter& filter,
                         const std::string& fileName);

// One CSV field: quoted when it holds a comma, a quote, a line break or blanks at its ends;
// a text a spreadsheet would take for a formula (=, +, -, @ first) is kept a text by a "'"
// before it, since guest names come from the PMS.
std::string CsvField(const std::string& utf8);

}  // namespace keydesk
