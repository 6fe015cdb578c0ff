#include "ui_win32/journal_form.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/desk.h"
#include "platform/wide_text_windows.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

constexpr COLORREF kAttention = RGB(0xC0, 0, 0);

// Marks the journal's window, so that a second opening finds the first.
constexpr wchar_t kJournalProperty[] = L"keydesk.journal";

// The day fields and the buttons that open the calendar for them.
constexpr std::pair<int, int> kDayPickers[] = {{IDC_FROMPICK, IDC_FROMFILTER},
                                               {IDC_TOPICK, IDC_TOFILTER},
                                               {IDC_STAYFROMPICK, IDC_STAYFROM},
                                               {IDC_STAYTOPICK, IDC_STAYTO}};

// The controls that widen with the window.
constexpr int kWide[] = {IDC_EXPORTTEXT, IDC_JOURNALNOTICE, IDC_ROOMNOTICE, IDC_ROOMGRID,
                         IDC_CHECKTEXT};

BOOL CALLBACK FindJournal(HWND window, LPARAM found) {
  if (GetPropW(window, kJournalProperty) == nullptr || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

int CompareNames(const std::wstring& a, const std::wstring& b) {
  return CompareStringEx(L"zh-CN", 0, a.c_str(), -1, b.c_str(), -1, nullptr, nullptr, 0);
}

// The Windows locale's order of Chinese names, where it is pinyin (the default sort of
// Chinese (PRC)); without that locale's data names compare by code point, which the probe
// finds ("李" comes before "张" in pinyin, after it by code).
JournalBrowser::NameOrder PinyinOrder() {
  if (CompareNames(L"\u674E", L"\u5F20") != CSTR_LESS_THAN) return {};
  return [](const std::string& a, const std::string& b) {
    return CompareNames(WideFromAnsi(a), WideFromAnsi(b)) == CSTR_LESS_THAN;
  };
}

std::string AskExportFile(HWND owner) {
  std::wstring name = WideFromUtf8("发卡记录.csv");
  std::vector<wchar_t> path(MAX_PATH, L'\0');
  std::copy(name.begin(), name.end(), path.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"CSV (*.csv)\0*.csv\0";
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return {};
  return AnsiFromWide(path.data());
}

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
    : Dialog(IDD_JOURNAL, kClientSize, Placement::CentredOnOwner), browser_(browser) {
  ChooseExportFile = [this] { return AskExportFile(Handle()); };
}

INT_PTR TJournalForm::ShowModal(HWND owner) {
  HWND open = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindJournal, reinterpret_cast<LPARAM>(&open));
  if (open != nullptr) {
    if (IsIconic(open)) ShowWindow(open, SW_RESTORE);
    SetForegroundWindow(open);
    return IDCANCEL;
  }
  return ShowAlongside(owner);
}

void TJournalForm::OnInit() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);
  SetPropW(Handle(), kJournalProperty, Handle());
  SetWindowUtf8(Handle(), kJournalCaption);
  browser_.SetNameOrder(PinyinOrder());
  RECT client{};
  GetClientRect(Handle(), &client);
  laidOut_ = {client.right, client.bottom};
  for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT area{};
    GetWindowRect(child, &area);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    placed_.push_back({child, GetDlgCtrlID(child), area});
  }
  AddColumns(Item(IDC_JOURNALGRID), kJournalColumns);
  AddColumns(Item(IDC_ROOMGRID), kRoomCardColumns);
  Browse([this] { browser_.Find({}); });
  ShowRoomCards();
  SetFocus(Item(IDC_CARDFILTER));
}

void TJournalForm::Query() {
  Browse([this] {
    const auto field = [this](int item) { return Trimmed(ItemText(item)); };
    browser_.Find({.CardNo = field(IDC_CARDFILTER),
                   .Guest = field(IDC_GUESTFILTER),
                   .Room = field(IDC_ROOMFILTER),
                   .From = field(IDC_FROMFILTER),
                   .To = field(IDC_TOFILTER),
                   .FailuresOnly = Checked(IDC_FAILURESONLY),
                   .StayFrom = field(IDC_STAYFROM),
                   .StayTo = field(IDC_STAYTO)});
  });
}

void TJournalForm::GoToPage() {
  const std::string typed = Trimmed(ItemText(IDC_PAGENO));
  // The field takes digits only; a number too long for it is past the last page.
  if (typed.empty()) return;
  const int64_t page = typed.size() > 12 ? INT64_MAX : std::stoll(typed);
  Browse([this, page] { browser_.GoToPage(page); });
}

void TJournalForm::Export() {
  const std::string file = ChooseExportFile();
  if (file.empty()) return;
  SetItemText(IDC_EXPORTTEXT, {});
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  RunGuarded(Handle(), [&] { SetItemText(IDC_EXPORTTEXT, browser_.Export(file)); });
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void TJournalForm::PickDay(int field) {
  if (calendar_ == nullptr) {
    calendar_ =
        CreateWindowExW(0, MONTHCAL_CLASSW, L"", WS_CHILD | WS_BORDER, 0, 0, 0, 0, Handle(),
                        reinterpret_cast<HMENU>(IDC_CALENDAR), GetModuleHandleW(nullptr), nullptr);
  }
  if (IsWindowVisible(calendar_) && calendarField_ == field) {
    ShowWindow(calendar_, SW_HIDE);
    return;
  }
  calendarField_ = field;
  RECT size{};
  SendMessageW(calendar_, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&size));
  RECT below{};
  GetWindowRect(Item(field), &below);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&below), 2);
  SetWindowPos(calendar_, HWND_TOP, below.left, below.bottom, size.right - size.left,
               size.bottom - size.top, SWP_SHOWWINDOW);
}

void TJournalForm::PickedDay() {
  SYSTEMTIME day{};
  SendMessageW(calendar_, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
  SetItemText(calendarField_, text);
  ShowWindow(calendar_, SW_HIDE);
  SetFocus(Item(calendarField_));
}

void TJournalForm::Layout(int width, int height) {
  if (placed_.empty()) return;
  const int dx = width - laidOut_.cx;
  const int dy = height - laidOut_.cy;
  LONG gridBottom = 0;
  for (const Placed& placed : placed_) {
    if (placed.Id == IDC_JOURNALGRID) gridBottom = placed.Area.bottom;
  }
  for (const Placed& placed : placed_) {
    RECT area = placed.Area;
    if (placed.Id == IDC_JOURNALGRID) {
      area.right += dx;
      area.bottom += dy;
    } else if (area.top >= gridBottom) {
      OffsetRect(&area, 0, dy);
    }
    if (std::find(std::begin(kWide), std::end(kWide), placed.Id) != std::end(kWide)) {
      area.right += dx;
    }
    MoveWindow(placed.Control, area.left, area.top, area.right - area.left, area.bottom - area.top,
               TRUE);
  }
}

bool TJournalForm::OnCommand(int id, int /*code*/) {
  if (busy_) return true;
  for (const auto& [picker, field] : kDayPickers) {
    if (id == picker) {
      PickDay(field);
      return true;
    }
  }
  switch (id) {
    case IDOK:
      // Enter in the page field goes to that page; elsewhere it searches.
      if (GetFocus() == Item(IDC_PAGENO)) {
        GoToPage();
      } else {
        Query();
      }
      return true;
    case IDC_PREVPAGE:
      Browse([this] { browser_.PreviousPage(); });
      return true;
    case IDC_NEXTPAGE:
      Browse([this] { browser_.NextPage(); });
      return true;
    case IDC_FIRSTPAGE:
      Browse([this] { browser_.FirstPage(); });
      return true;
    case IDC_LASTPAGE:
      Browse([this] { browser_.LastPage(); });
      return true;
    case IDC_GOTOPAGE:
      GoToPage();
      return true;
    case IDC_EXPORT:
      Export();
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
  if (message == WM_SIZE) {
    Layout(LOWORD(lParam), HIWORD(lParam));
    return 0;
  }
  if (message == WM_GETMINMAXINFO && !placed_.empty()) {
    // No smaller than the template laid it out.
    RECT frame{0, 0, laidOut_.cx, laidOut_.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
    auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
    limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
    return TRUE;
  }
  if (message == WM_DESTROY) {
    RemovePropW(Handle(), kJournalProperty);
    return 0;
  }
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
  if (header->idFrom == IDC_CALENDAR && header->code == MCN_SELECT) {
    PickedDay();
    return TRUE;
  }
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
  SetItemText(IDC_PAGENO,
              browser_.Page().Total > 0 ? std::to_string(browser_.PageNumber()) : std::string());
  ShowPaging();
}

void TJournalForm::ShowPaging() {
  EnableWindow(Item(IDC_PREVPAGE), browser_.HasPreviousPage());
  EnableWindow(Item(IDC_FIRSTPAGE), browser_.HasPreviousPage());
  EnableWindow(Item(IDC_NEXTPAGE), browser_.HasNextPage());
  EnableWindow(Item(IDC_LASTPAGE), browser_.HasNextPage());
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
  for (const int id : {IDOK, IDC_EXPORT, IDC_FIRSTPAGE, IDC_PREVPAGE, IDC_NEXTPAGE, IDC_LASTPAGE,
                       IDC_GOTOPAGE, IDC_ROOMCARDS, IDC_CHECKCARD}) {
    EnableWindow(Item(id), !busy);
  }
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  if (busy) return;
  ShowPaging();
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
