#include "ui_win32/system_settings_form.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/desk.h"
#include "app/system_settings.h"
#include "platform/wide_text_windows.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

// The layout in pixels: two columns of groups, each a column of captions and a column of
// entries; the help line and the buttons below them.
constexpr int kMargin = 12;
constexpr int kCaptionWidth = 272;
constexpr int kEntryWidth = 196;
constexpr int kColumnWidth = kCaptionWidth + kMargin + kEntryWidth;
constexpr int kRowHeight = 26;
constexpr int kEntryHeight = 21;
constexpr int kListHeight = 160;  // a drop-down list's, open
constexpr SIZE kButton{75, 25};

// The rows of each column: a row per field, one more above each group's first.
std::array<int, 2> ColumnRows(const std::vector<SettingField>& fields) {
  const size_t second = SecondColumnStart(fields);
  std::array<int, 2> rows{0, 0};
  for (size_t i = 0; i < fields.size(); ++i) {
    int& column = rows[i < second ? 0 : 1];
    column += i == 0 || i == second || fields[i].Group != fields[i - 1].Group ? 2 : 1;
  }
  return rows;
}

SIZE ClientSize(const std::vector<SettingField>& fields) {
  const std::array<int, 2> rows = ColumnRows(fields);
  return {kMargin * 3 + 2 * kColumnWidth,
          kMargin * 3 + (std::max(rows[0], rows[1]) + 1) * kRowHeight + kButton.cy};
}

constexpr int kHelpLine = IDC_SETTINGS - 1;

// A switch shows ticked for any value but "0", as the keys are read.
bool On(const SettingField& field) { return field.Value != "0"; }

}  // namespace

TSystemSettingsForm::TSystemSettingsForm(SystemSettings& settings)
    : Dialog(IDD_SYSTEM_SETTINGS, ClientSize(settings.Fields()), Placement::CentredOnOwner),
      settings_(settings) {}

int TSystemSettingsForm::ControlOf(size_t field) { return IDC_SETTINGS + static_cast<int>(field); }

HWND TSystemSettingsForm::Add(const wchar_t* className, const std::wstring& text, DWORD style,
                              int id, RECT area) {
  const bool edit = lstrcmpW(className, L"EDIT") == 0;
  const HWND control = CreateWindowExW(
      edit ? WS_EX_CLIENTEDGE : 0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style,
      area.left, area.top, area.right - area.left, area.bottom - area.top, Handle(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(Handle(), WM_GETFONT, 0, 0), FALSE);
  return control;
}

void TSystemSettingsForm::OnInit() {
  // Created in tab order: the fields from the top of the first column, then the buttons.
  const std::vector<SettingField>& fields = settings_.Fields();
  const size_t second = SecondColumnStart(fields);
  int left = kMargin;
  int row = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i == second) {
      left = kMargin * 2 + kColumnWidth;
      row = 0;
    }
    const int entryLeft = left + kCaptionWidth + kMargin;
    if (i == 0 || i == second || fields[i].Group != fields[i - 1].Group) {
      const int top = kMargin + row++ * kRowHeight;
      Add(L"STATIC", L"【" + WideFromUtf8(fields[i].Group) + L"】", SS_LEFT | SS_CENTERIMAGE, -1,
          {left, top, left + kColumnWidth, top + kEntryHeight});
    }
    const int top = kMargin + row++ * kRowHeight;
    const RECT entry{entryLeft, top, entryLeft + kEntryWidth, top + kEntryHeight};
    if (fields[i].Kind == SettingKind::Switch) {
      Add(L"BUTTON", WideFromUtf8(fields[i].Caption), BS_AUTOCHECKBOX | BS_NOTIFY | WS_TABSTOP,
          ControlOf(i), entry);
      SetChecked(ControlOf(i), On(fields[i]));
      continue;
    }
    Add(L"STATIC", WideFromUtf8(fields[i].Caption), SS_RIGHT | SS_CENTERIMAGE, -1,
        {left, top, left + kCaptionWidth, top + kEntryHeight});
    if (fields[i].Choices.empty()) {
      Add(L"EDIT", WideFromAnsi(fields[i].Value), ES_AUTOHSCROLL | WS_TABSTOP, ControlOf(i), entry);
      continue;
    }
    // Offered, and typed all the same.
    const HWND list =
        Add(L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
            ControlOf(i), {entry.left, entry.top, entry.right, top + kListHeight});
    for (const std::string& choice : fields[i].Choices) {
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromAnsi(choice).c_str()));
    }
    SetWindowTextW(list, WideFromAnsi(fields[i].Value).c_str());
  }
  // The help line of the field that has the focus, and the buttons.
  const SIZE client = ClientSize(fields);
  const int top = client.cy - kMargin - kButton.cy;
  const int helpTop = top - kRowHeight;
  Add(L"STATIC", L"", SS_LEFT | SS_CENTERIMAGE | SS_ENDELLIPSIS, kHelpLine,
      {kMargin, helpTop, client.cx - kMargin, helpTop + kEntryHeight});
  const int buttonsLeft = (client.cx - 2 * kButton.cx - kMargin) / 2;
  Add(L"BUTTON", L"确定", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK,
      {buttonsLeft, top, buttonsLeft + kButton.cx, top + kButton.cy});
  Add(L"BUTTON", L"取消", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL,
      {buttonsLeft + kButton.cx + kMargin, top, buttonsLeft + 2 * kButton.cx + kMargin,
       top + kButton.cy});
  SetFocus(GetNextDlgTabItem(Handle(), nullptr, FALSE));
}

bool TSystemSettingsForm::OnCommand(int id, int code) {
  const std::vector<SettingField>& fields = settings_.Fields();
  if (id >= ControlOf(0) && id < ControlOf(fields.size()) &&
      (code == EN_SETFOCUS || code == BN_SETFOCUS || code == CBN_SETFOCUS)) {
    SetDlgItemTextW(Handle(), kHelpLine, WideFromUtf8(fields[id - ControlOf(0)].Help).c_str());
    return true;
  }
  if (id != IDOK) return false;
  std::vector<std::string> entries;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].Kind != SettingKind::Switch) {
      entries.push_back(ItemText(ControlOf(i)));
    } else if (Checked(ControlOf(i)) == On(fields[i])) {
      // Left as it was: the key keeps its text, whichever number it was written as.
      entries.push_back(fields[i].Value);
    } else {
      entries.push_back(Checked(ControlOf(i)) ? "1" : "0");
    }
  }
  // A refused entry raises into an error box, and the dialog stays with what was typed.
  const std::string saved = settings_.Save(entries);
  MessageBoxes::Show(Handle(), {BoxIcon::Information, AnsiFromUtf8Text(kHintCaption), saved});
  End(IDOK);
  return true;
}

}  // namespace keydesk
