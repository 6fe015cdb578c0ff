#include "ui_win32/option_form.h"

#include <array>

#include "kinds/doorlock/option_entries.h"
#include "ui_win32/message_box.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

// The note's dark colour.
constexpr COLORREF kNoteColour = RGB(0, 0, 128);

template <size_t N>
void FillList(HWND box, const std::array<const char*, N>& items) {
  for (const char* item : items) {
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(item).c_str()));
  }
}

// The entry that matches the stored name in any letter case, or none. An editable box keeps an
// unlisted name as its text, so that a freely typed name survives the next "确定".
template <size_t N>
void SelectName(HWND box, const std::array<const char*, N>& items, const std::string& name,
                bool editable) {
  const int index = ListIndexOf(items, name);
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (editable && index < 0) SetWindowAnsi(box, name);
}

// What the options' fields are shown in; the combo boxes are handled apart.
struct EditField {
  int id;
  std::string TOptionEntries::*entry;
};

constexpr std::array<EditField, 10> kEditFields = {{
    {IDC_SECTORNO, &TOptionEntries::SectorNo},
    {IDC_HOTELPW, &TOptionEntries::HotelPassword},
    {IDC_CLIENTID, &TOptionEntries::ClientID},
    {IDC_PSSECTORNO, &TOptionEntries::PowerSwitchSectorNo},
    {IDC_PSPASSWORD, &TOptionEntries::PowerSwitchPassword},
    {IDC_PUBDOOR, &TOptionEntries::PubDoor},
    {IDC_BEGINADDR, &TOptionEntries::BeginAddr},
    {IDC_ENDADDR, &TOptionEntries::EndAddr},
    {IDC_MAXLIFTADDR, &TOptionEntries::MaxLiftAddr},
    {IDC_LIFTDATA, &TOptionEntries::LiftData},
}};

}  // namespace

TOptionForm::TOptionForm(SharedOption& option)
    : Dialog(IDD_OPTIONS, kClientSize, Placement::CentredOnScreen), option_(option) {}

void TOptionForm::OnInit() {
  SetWindowUtf8(Handle(), kOptionFormCaption);
  FillList(Item(IDC_PORTNAME), kPortNames);
  FillList(Item(IDC_LOCKTYPENAME), kLockTypeNames);
  FillList(Item(IDC_POWERSWITCHTYPE), kPowerSwitchTypeNames);
  SetItemUtf8(IDC_VERIFYAFTERWRITE, kVerifyAfterWriteCaption);
  SetItemUtf8(IDC_LIFTDATANOTE, kLiftDataNote);
  FormShow();
  SetFocus(Item(IDC_PORTNAME));
}

void TOptionForm::FormShow() {
  const TOptionEntries entries = EntriesFromOption(option_.Get());
  SelectName(Item(IDC_PORTNAME), kPortNames, entries.PortName, false);
  SelectName(Item(IDC_LOCKTYPENAME), kLockTypeNames, entries.LockTypeName, false);
  SelectName(Item(IDC_POWERSWITCHTYPE), kPowerSwitchTypeNames, entries.PowerSwitchTypeName, true);
  for (const EditField& field : kEditFields) SetItemText(field.id, entries.*field.entry);
  SetChecked(IDC_VERIFYAFTERWRITE, entries.VerifyAfterWrite);
}

TOptionEntries TOptionForm::Entries() const {
  TOptionEntries entries;
  entries.PortName = ItemText(IDC_PORTNAME);
  entries.LockTypeName = ItemText(IDC_LOCKTYPENAME);
  entries.PowerSwitchTypeName = ItemText(IDC_POWERSWITCHTYPE);
  for (const EditField& field : kEditFields) entries.*field.entry = ItemText(field.id);
  entries.VerifyAfterWrite = Checked(IDC_VERIFYAFTERWRITE);
  return entries;
}

bool TOptionForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  btnOKBtnClick();
  return true;
}

void TOptionForm::btnOKBtnClick() {
  // A bad entry raises before anything is taken; the error box shows it and the dialog stays.
  SaveOptionEntries(option_, Entries());
  MessageBoxes::Show(Handle(), kOptionsSaved);
  End(IDOK);
}

INT_PTR TOptionForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_CTLCOLORSTATIC ||
      GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_LIFTDATANOTE) {
    return 0;
  }
  const auto context = reinterpret_cast<HDC>(wParam);
  SetTextColor(context, kNoteColour);
  SetBkMode(context, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace keydesk
