#include "app/journal_export.h"

#include <exception>

#include "app/record_views.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Bytes gathered before each write.
constexpr size_t kBatchBytes = 64 * 1024;

template <typename Cells>
std::string CsvLine(const Cells& cells) {
  std::string line;
  for (const auto& cell : cells) {
    if (!line.empty()) line += ',';
    line += CsvField(cell);
  }
  return line + "\r\n";
}

[[noreturn]] void CannotWrite(const std::string& fileName) {
  RemoveFile(fileName);
  throw Error(AnsiFromUtf8("导出文件无法写入：") + AnsiFromPath(fileName));
}

}  // namespace

std::string CsvField(const std::string& utf8) {
  std::string text = utf8;
  if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) {
    text.insert(text.begin(), '\'');
  }
  const bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                      (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quoted) return text;
  std::string field = "\"";
  for (const char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
  return field + "\"";
}

int64_t ExportJournalCsv(RecordStore& store, const JournalFilter& filter,
                         const std::string& fileName) {
  if (!ReplaceWholeFile(fileName, std::string(kByteOrderMark) + CsvLine(kJournalColumns))) {
    CannotWrite(fileName);
  }
  std::string batch;
  int64_t rows = 0;
  bool written = true;
  const auto flush = [&] {
    written = AppendWholeBytes(fileName, batch);
    batch.clear();
  };
  try {
    store.ForEachJournalRow(filter, [&](const JournalRow& row) {
      std::array<std::string, kJournalColumns.size()> cells = JournalCells(row);
      for (std::string& cell : cells) cell = Utf8FromAnsi(cell);
      batch += CsvLine(cells);
      ++rows;
      if (batch.size() >= kBatchBytes) {
        flush();
        // Ends the reading: the rest could not be written either.
        if (!written) throw Error("");
      }
    });
    if (!batch.empty()) flush();
  } catch (const std::exception&) {
    if (!written) CannotWrite(fileName);
    RemoveFile(fileName);
    throw;
  }
  if (!written) CannotWrite(fileName);
  return rows;
}

}  // namespace keydesk
