#include "ui_win32/about_form.h"

#include "app/desk.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TAboutForm::TAboutForm(std::string caption, std::string title)
    : Dialog(IDD_ABOUT, kClientSize, Placement::CentredOnScreen),
      caption_(std::move(caption)),
      title_(std::move(title)) {}

void TAboutForm::OnInit() {
  SetWindowUtf8(Handle(), caption_);
  SetItemUtf8(IDC_LBLAPPTITLE, title_);
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

}  // namespace keydesk
