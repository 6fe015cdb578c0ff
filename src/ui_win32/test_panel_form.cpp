#include "ui_win32/test_panel_form.h"

#include <stdexcept>
#include <utility>

#include "app/desk.h"
#include "core/interface_kind.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

// Each panel's template, with the form's size in pixels.
struct PanelLayout {
  const char* Panel;
  int TemplateId;
  SIZE ClientSize;
};

constexpr PanelLayout kLayouts[] = {
    {"TDoorlockTestForm", IDD_TEST_PANEL(kDoorlockKind), {599, 394}},
    {"THandTestForm", IDD_TEST_PANEL(kHandKind), {599, 394}},
    {"TMemberTestForm", IDD_TEST_PANEL(kMemberKind), {441, 311}},
};

// The templates give a role the same control in every dialog that has it.
struct ControlName {
  const char* Name;
  int Id;
};

constexpr ControlName kControls[] = {
    {"OpenPortBtn", IDC_OPENPORT},
    {"beepBtn", IDC_BEEP},
    {"ClosePortBtn", IDC_CLOSEPORT},
    {"WriteCardBtn", IDC_WRITECARD},
    {"ReadCardBtn", IDC_READCARD},
    {"EraseCardBtn", IDC_ERASECARD},
    {"PrintCardBtn", IDC_PRINTCARD},
    {"RoomBuildingCodeTxt", IDC_ROOMBUILDINGCODE},
    {"RoomFloorCodeTxt", IDC_ROOMFLOORCODE},
    {"RoomNoTxt", IDC_ROOMNO},
    {"CheckInDateTimeTxt", IDC_CHECKIN},
    {"CheckOutDateTimeTxt", IDC_CHECKOUT},
    {"IsCopyCheckBox", IDC_ISCOPY},
    {"CardNoTxt", IDC_NUMBER},
    {"HandNoTxt", IDC_NUMBER},
    {"CardNoEdit", IDC_NUMBER},
    {"PasswordEdit", IDC_PASSWORD},
    {"ChannelCmb", IDC_CHANNEL},
};

const PanelLayout& LayoutOf(const TestPanel& panel) {
  for (const PanelLayout& layout : kLayouts) {
    if (panel.Name() == layout.Panel) return layout;
  }
  throw std::runtime_error("No dialog template for " + panel.Name());
}

}  // namespace

TestPanelForm::TestPanelForm(const TestPanel& panel)
    : Dialog(LayoutOf(panel).TemplateId, LayoutOf(panel).ClientSize, Placement::CentredOnOwner),
      panel_(panel) {}

int TestPanelForm::ControlOf(const std::string& name) {
  for (const ControlName& control : kControls) {
    if (name == control.Name) return control.Id;
  }
  throw std::runtime_error("No control for " + name);
}

void TestPanelForm::OnInit() {
  for (const PanelEntry& entry : panel_.Entries()) {
    const int id = ControlOf(entry.Name);
    if (entry.Kind == PanelEntryKind::Check) {
      SetItemUtf8(id, entry.Caption);
      SetChecked(id, entry.Text == "1");
      continue;
    }
    // The label stands just before its control in the template, where the dialog manager
    // looks for a control's label.
    SetWindowUtf8(GetWindow(Item(id), GW_HWNDPREV), entry.Caption);
    for (const std::string& choice : entry.Choices) {
      SendDlgItemMessageW(Handle(), id, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(WideFromUtf8(choice).c_str()));
    }
    SetItemText(id, entry.Text);
  }
  for (const PanelButton& button : panel_.Buttons()) {
    SetItemUtf8(ControlOf(button.Name), button.Caption);
  }
  if (!panel_.Buttons().empty()) SetFocus(Item(ControlOf(panel_.Buttons().front().Name)));
}

bool TestPanelForm::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  for (const PanelButton& button : panel_.Buttons()) {
    if (ControlOf(button.Name) != id) continue;
    Press(button);
    return true;
  }
  return false;
}

void TestPanelForm::OnCancel() {
  if (!busy_) End(IDCANCEL);
}

void TestPanelForm::Press(const PanelButton& button) {
  // Nothing of an earlier card stays on screen during the press.
  for (const std::string& name : button.Clears) SetItemText(ControlOf(name), {});
  SetItemText(IDC_RESULT, {});
  PanelEntries entries;
  for (const PanelEntry& entry : panel_.Entries()) {
    const int id = ControlOf(entry.Name);
    entries[entry.Name] =
        entry.Kind == PanelEntryKind::Check ? (Checked(id) ? "1" : "0") : ItemText(id);
  }
  std::atomic<bool> done{false};
  const HWND dialog = Handle();
  PanelResult result;
  SetBusy(true);
  try {
    PanelPress press(panel_, button.Name, std::move(entries), [&done, dialog] {
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
  for (const auto& [name, text] : result.Filled) SetItemText(ControlOf(name), text);
  tone_ = result.Tone;
  SetItemText(IDC_RESULT, result.Line);
}

COLORREF TestPanelForm::ToneColour(PanelTone tone) {
  switch (tone) {
    case PanelTone::Success:
      return RGB(0x00, 0x70, 0x00);
    case PanelTone::Failure:
      return RGB(0xC0, 0x00, 0x00);
    case PanelTone::Caution:
      return RGB(0xA0, 0x5A, 0x00);
    case PanelTone::Plain:
      break;
  }
  return GetSysColor(COLOR_BTNTEXT);
}

INT_PTR TestPanelForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_CTLCOLORSTATIC || tone_ == PanelTone::Plain ||
      GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_RESULT) {
    return 0;
  }
  // Failures red, as in the main window's list; done green; done but to be looked at amber.
  const auto context = reinterpret_cast<HDC>(wParam);
  SetTextColor(context, ToneColour(tone_));
  SetBkMode(context, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

void TestPanelForm::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) pressed_ = GetFocus();
  for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Button") == 0) EnableWindow(child, !busy);
  }
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
  if (busy) return;
  // Disabling the pressed button took the focus from the dialog, leaving Tab and Esc dead.
  // WM_NEXTDLGCTL rather than SetFocus, so that the dialog manager moves the default-button
  // look along. A control the clerk clicked meanwhile keeps the focus.
  const HWND focus = GetFocus();
  if (pressed_ != nullptr && IsChild(Handle(), pressed_) &&
      (focus == nullptr || !IsChild(Handle(), focus))) {
    SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pressed_), TRUE);
  }
}

void TestPanelForm::PumpUntil(const std::atomic<bool>& done) {
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
