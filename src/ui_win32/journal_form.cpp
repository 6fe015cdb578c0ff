#include "ui_win32/journal_form.h"

#include <algorithm>
#include <vector>

#include "platform/wide_text_windows.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

// A filter without the blanks at its ends; no byte of a code page 936 character is that low.
std::string Trimmed(std::string text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
  return text;
}

}  // namespace

TJournalForm::TJournalForm(JournalBrowser& browser)
    : Dialog(IDD_JOURNAL, kClientSize, Placement::CentredOnOwner), browser_(browser) {}

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
  Browse([this] { browser_.Find({}); });
  SetFocus(Item(IDC_CARDFILTER));
}

bool TJournalForm::OnCommand(int id, int /*code*/) {
  switch (id) {
    case IDOK:
      Browse([this] {
        const auto field = [this](int item) { return Trimmed(ItemText(item)); };
        browser_.Find({field(IDC_CARDFILTER), field(IDC_GUESTFILTER), field(IDC_ROOMFILTER),
                       field(IDC_FROMFILTER), field(IDC_TOFILTER)});
      });
      return true;
    case IDC_PREVPAGE:
      Browse([this] { browser_.PreviousPage(); });
      return true;
    case IDC_NEXTPAGE:
      Browse([this] { browser_.NextPage(); });
      return true;
    default:
      return false;
  }
}

INT_PTR TJournalForm::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam) {
  if (message != WM_NOTIFY) return 0;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->idFrom != IDC_JOURNALGRID) return 0;
  if (header->code == LVN_COLUMNCLICK) {
    const int column = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
    Browse([this, column] { browser_.SortBy(column); });
    return TRUE;
  }
  if (header->code == NM_CUSTOMDRAW) {
    // A dialog answers a notification through its message result.
    SetWindowLongPtrW(Handle(), DWLP_MSGRESULT,
                      CustomDraw(*reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam)));
    return TRUE;
  }
  return 0;
}

LRESULT TJournalForm::CustomDraw(const NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const std::vector<JournalRow>& rows = browser_.Page().Rows;
  const size_t row = draw.nmcd.dwItemSpec;
  // An attempt that wrote no card stands out: no card of it exists.
  if (row < rows.size() && JournalRowFailed(rows[row])) {
    const_cast<NMLVCUSTOMDRAW&>(draw).clrText = RGB(0xC0, 0, 0);
  }
  return CDRF_DODEFAULT;
}

void TJournalForm::Browse(const std::function<void()>& step) {
  RunGuarded(Handle(), step);
  Show();
}

void TJournalForm::Show() {
  const std::vector<JournalRow>& rows = browser_.Page().Rows;
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
  SetWindowTextW(Item(IDC_PAGETEXT), WideFromAnsi(browser_.PageText()).c_str());
  EnableWindow(Item(IDC_PREVPAGE), browser_.HasPreviousPage());
  EnableWindow(Item(IDC_NEXTPAGE), browser_.HasNextPage());
}

}  // namespace keydesk
