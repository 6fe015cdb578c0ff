#include "ui_win32/journal_form.h"

#include <commctrl.h>

#include <vector>

#include "app/record_views.h"
#include "platform/conversions.h"
#include "platform/wide_text_windows.h"
#include "store/journal_reader.h"
#include "store/record_store.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TJournalForm::TJournalForm(RecordStore& store)
    : Dialog(IDD_JOURNAL, kClientSize, Placement::CentredOnOwner), store_(store) {}

void TJournalForm::OnInit() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  SetWindowUtf8(Handle(), kJournalCaption);
  const HWND grid = Item(IDC_JOURNALGRID);
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (size_t i = 0; i < kJournalColumns.size(); ++i) {
    std::wstring caption = WideFromUtf8(kJournalColumns[i]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    column.pszText = caption.data();
    SendMessageW(grid, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  Query();
  SetFocus(Item(IDC_ROOMFILTER));
}

bool TJournalForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  Query();
  return true;
}

void TJournalForm::Query() {
  JournalFilter filter;
  filter.Room = std::string(Trim(ItemText(IDC_ROOMFILTER)));
  filter.Day = std::string(Trim(ItemText(IDC_DAYFILTER)));
  // Raises before the grid changes, so a bad day leaves the rows on show.
  const std::vector<JournalRow> rows = store_.ReadJournal(filter);
  const HWND grid = Item(IDC_JOURNALGRID);
  SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  for (size_t r = 0; r < rows.size(); ++r) {
    const auto cells = JournalCells(rows[r]);
    for (size_t c = 0; c < cells.size(); ++c) {
      std::wstring text = WideFromAnsi(cells[c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      SendMessageW(grid, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  for (size_t c = 0; c < kJournalColumns.size(); ++c) {
    SendMessageW(grid, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE_USEHEADER);
  }
}

}  // namespace keydesk
