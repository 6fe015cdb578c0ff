#include "ui_win32/about_form.h"

#include "app/desk.h"
#include "ui_win32/resource_ids.h"
#include "ui_win32/window_text.h"

namespace keydesk {

TAboutForm::TAboutForm(std::string caption, std::string title, std::string memo)
    : Dialog(IDD_ABOUT, kClientSize, Placement::CentredOnScreen),
      caption_(std::move(caption)),
      title_(std::move(title)),
      memo_(std::move(memo)) {}

void TAboutForm::OnInit() {
  SetWindowUtf8(Handle(), caption_);
  SetItemUtf8(IDC_LBLAPPTITLE, title_);
  SetItemUtf8(IDC_LBLVERSION, kAboutVersion);
  SetItemUtf8(IDC_LBLCOPYRIGHT, kAboutCopyright);
  SetItemUtf8(IDC_LBLCOMPANY, kAboutCompany);
  // The edit control takes CR LF as its line break.
  std::string memo;
  for (const char c : memo_) memo += c == '\n' ? std::string("\r\n") : std::string(1, c);
  SetItemUtf8(IDC_MMO, memo);
  SetFocus(Item(IDOK));
}

bool TAboutForm::OnCommand(int id, int /*code*/) {
  if (id != IDOK) return false;
  End(IDOK);
  return true;
}

}  // namespace keydesk
