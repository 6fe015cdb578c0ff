#pragma once

#include <atomic>
#include <string>

#include "kinds/test_panel.h"
#include "ui_win32/dialog.h"

namespace keydesk {

// A kind's test dialog: the panel's entries and buttons bound by name to the controls of the
// panel's template in keydesk.rc, which keeps each dialog's layout. A press runs off the main
// thread, so that the window keeps painting while a slow device works; meanwhile every button
// is disabled and the dialog cannot be closed, and afterwards the keyboard focus is back on
// the pressed button. The line below says what the last press did, in its tone's colour:
// green done, red failed, amber done but to be looked at.
class TestPanelForm final : public Dialog {
 public:
  // panel must outlive the dialog. Raises for a panel that no template lays out.
  explicit TestPanelForm(const TestPanel& panel);

  // The control that shows the panel's entry or button of that name; raises for a name that
  // no template has.
  static int ControlOf(const std::string& name);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void OnCancel() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  static COLORREF ToneColour(PanelTone tone);
  void Press(const PanelButton& button);
  void SetBusy(bool busy);
  void PumpUntil(const std::atomic<bool>& done);

  const TestPanel& panel_;
  bool busy_ = false;
  HWND pressed_ = nullptr;             // had the focus when the press began
  PanelTone tone_ = PanelTone::Plain;  // the last press's line's
};

}  // namespace keydesk
