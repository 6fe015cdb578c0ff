#include "kinds/test_panel.h"

#include "kinds/test_outcome.h"
#include "platform/errors.h"

namespace keydesk {

const PanelButton& TestPanel::Button(const std::string& name) const {
  for (const PanelButton& button : buttons_) {
    if (button.Name == name) return button;
  }
  throw Error("No button " + name + " in " + name_);
}

PanelResult TestPanel::Press(const std::string& button, const PanelEntries& entries) const {
  return Button(button).Press(entries);
}

PanelButton OutcomeButton(const char* name, const char* captionUtf8, std::function<bool()> call) {
  return {name, captionUtf8, {}, [captionUtf8, call = std::move(call)](const PanelEntries&) {
            const bool succeeded = call();
            return PanelResult{TestOutcomeText(captionUtf8, succeeded), {}, ToneOf(succeeded)};
          }};
}

PanelButton BeepButton(std::function<void()> beep) {
  return {"beepBtn", "Beep", {}, [beep = std::move(beep)](const PanelEntries&) {
            beep();
            return PanelResult{TestDoneText("Beep"), {}};
          }};
}

}  // namespace keydesk
