#include "ui_win32/about_form.h"

#include "app/about_texts.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TAboutForm::TAboutForm(int interfaceKind)
    : Dialog(IDD_ABOUT, kClientSize, Placement::CentredOnScreen), interfaceKind_(interfaceKind) {}

void TAboutForm::OnInit() {
  SetWindowUtf8(Handle(), AboutCaption(interfaceKind_).c_str());
  SetItemUtf8(IDC_LBLAPPTITLE, AboutTitle(interfaceKind_).c_str());
  SetItemUtf8(IDC_LBLVERSION, kAboutVersion);
  SetItemUtf8(IDC_LBLCOPYRIGHT, kAboutCopyright);
  SetItemUtf8(IDC_LBLCOMPANY, kAboutCompany);
  SetFocus(Item(IDOK));
}

bool TAboutForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  End(IDOK);
  return true;
}

void ShowAbout(int interfaceKind) {
  TAboutForm form(interfaceKind);
  form.ShowModal(nullptr);
}

}  // namespace keydesk
