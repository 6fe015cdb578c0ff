#include "ui_win32/journal_form.h"

#include <algorithm>
#include <vector>

#include "app/desk.h"
#include "platform/wide_text_windows.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

constexpr COLORREF kAttention = RGB(0xC0, 0, 0);

// A filter without the blanks at its ends; no byte of a code page 936 character is that low.
std::string Trimmed(std::string text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
  return text;
}

template <size_t N>
void AddColumns(HWND grid, const std::array<const char*, N>& captions) {
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (size_t i = 0; i < N; ++i) {
    std::wstring caption = WideFromUtf8(captions[i]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    column.pszText = caption.data();
    SendMessageW(grid, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

template <size_t N>
void FillGrid(HWND grid, const std::vector<std::array<std::string, N>>& rows) {
  SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < N; ++c) {
      std::wstring text = WideFromAnsi(rows[r][c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = text.data();
      SendMessageW(grid, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  for (size_t c = 0; c < N; ++c) {
    SendMessageW(grid, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE_USEHEADER);
  }
}

}  // namespace

TJournalForm::TJournalForm(JournalBrowser& browser)
    : Dialog(IDD_JOURNAL, kClientSize, Placement::CentredOnOwner), browser_(browser) {}

void TJournalForm::OnInit() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  SetWindowUtf8(Handle(), kJournalCaption);
  AddColumns(Item(IDC_JOURNALGRID), kJournalColumns);
  AddColumns(Item(IDC_ROOMGRID), kRoomCardColumns);
  Browse([this] { browser_.Find({}); });
  ShowRoomCards();
  SetFocus(Item(IDC_CARDFILTER));
}

bool TJournalForm::OnCommand(int id, int /*code*/) {
  if (busy_) return true;
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
    case IDC_ROOMCARDS:
      RunGuarded(Handle(), [this] { browser_.Rooms().Show(ItemText(IDC_ROOMKEY)); });
      SetItemText(IDC_CHECKTEXT, {});
      ShowRoomCards();
      return true;
    case IDC_CHECKCARD:
      CheckCard();
      return true;
    default:
      return false;
  }
}

void TJournalForm::OnCancel() {
  // The dialog waits for the encoder before it closes.
  if (!busy_) End(IDCANCEL);
}

INT_PTR TJournalForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) {
    // A notice that the store cannot be read stands in red.
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    const bool alarm = (id == IDC_JOURNALNOTICE && browser_.Notice().Alarm) ||
                       (id == IDC_ROOMNOTICE && browser_.Rooms().Notice().Alarm);
    if (!alarm) return 0;
    const auto context = reinterpret_cast<HDC>(wParam);
    SetTextColor(context, kAttention);
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
  }
  if (message != WM_NOTIFY) return 0;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  const int grid = static_cast<int>(header->idFrom);
  if (grid != IDC_JOURNALGRID && grid != IDC_ROOMGRID) return 0;
  if (header->code == LVN_COLUMNCLICK && grid == IDC_JOURNALGRID && !busy_) {
    const int column = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
    Browse([this, column] { browser_.SortBy(column); });
    return TRUE;
  }
  if (header->code == NM_CUSTOMDRAW) {
    // A dialog answers a notification through its message result.
    SetWindowLongPtrW(Handle(), DWLP_MSGRESULT,
                      CustomDraw(grid, *reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam)));
    return TRUE;
  }
  return 0;
}

LRESULT TJournalForm::CustomDraw(int grid, const NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const size_t row = draw.nmcd.dwItemSpec;
  bool attention = false;
  if (grid == IDC_JOURNALGRID) {
    const std::vector<JournalRow>& rows = browser_.Page().Rows;
    attention = row < rows.size() && JournalRowNeedsAttention(rows[row]);
  } else {
    const std::vector<RoomCard>& cards = browser_.Rooms().Cards();
    attention = row < cards.size() && JournalRowNeedsAttention(cards[row].Row);
  }
  if (attention) const_cast<NMLVCUSTOMDRAW&>(draw).clrText = kAttention;
  return CDRF_DODEFAULT;
}

void TJournalForm::Browse(const std::function<void()>& step) {
  RunGuarded(Handle(), step);
  Show();
}

void TJournalForm::Show() {
  std::vector<std::array<std::string, kJournalColumns.size()>> cells;
  for (const JournalRow& row : browser_.Page().Rows) cells.push_back(JournalCells(row));
  FillGrid(Item(IDC_JOURNALGRID), cells);
  SetItemText(IDC_JOURNALNOTICE, browser_.Notice().Text);
  SetWindowTextW(Item(IDC_PAGETEXT), WideFromAnsi(browser_.PageText()).c_str());
  EnableWindow(Item(IDC_PREVPAGE), browser_.HasPreviousPage());
  EnableWindow(Item(IDC_NEXTPAGE), browser_.HasNextPage());
}

void TJournalForm::ShowRoomCards() {
  const RoomCardsView& rooms = browser_.Rooms();
  std::vector<std::array<std::string, kRoomCardColumns.size()>> cells;
  for (const RoomCard& card : rooms.Cards()) cells.push_back(RoomCardCells(card));
  FillGrid(Item(IDC_ROOMGRID), cells);
  SetItemText(IDC_ROOMNOTICE, rooms.Notice().Text);
  EnableWindow(Item(IDC_CHECKCARD), rooms.CanCheckCard());
}

void TJournalForm::CheckCard() {
  SetItemText(IDC_CHECKTEXT, {});
  const TestPanel panel = browser_.Rooms().CheckPanel();
  std::atomic<bool> done{false};
  const HWND dialog = Handle();
  PanelResult result;
  SetBusy(true);
  try {
    PanelPress press(panel, RoomCardsView::kCheckButton, {}, [&done, dialog] {
      done = true;
      // Wakes the pump; the window itself is touched on the main thread only.
      PostMessageW(dialog, WM_NULL, 0, 0);
    });
    PumpUntil(done);
    SetBusy(false);
    result = press.Take();
  } catch (...) {
    SetBusy(false);
    throw;
  }
  SetItemText(IDC_CHECKTEXT, result.Line);
}

void TJournalForm::SetBusy(bool busy) {
  busy_ = busy;
  for (const int id : {IDOK, IDC_PREVPAGE, IDC_NEXTPAGE, IDC_ROOMCARDS, IDC_CHECKCARD}) {
    EnableWindow(Item(id), !busy);
  }
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  if (busy) return;
  EnableWindow(Item(IDC_PREVPAGE), browser_.HasPreviousPage());
  EnableWindow(Item(IDC_NEXTPAGE), browser_.HasNextPage());
  EnableWindow(Item(IDC_CHECKCARD), browser_.Rooms().CanCheckCard());
  // Disabling the pressed button took the focus from the dialog, leaving Tab and Esc dead.
  if (GetFocus() == nullptr || !IsChild(Handle(), GetFocus())) {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_CHECKCARD)), TRUE);
  }
}

void TJournalForm::PumpUntil(const std::atomic<bool>& done) {
  MSG message;
  while (!done) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The run is ending; the press still has to come back first.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!IsDialogMessageW(Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace keydesk
