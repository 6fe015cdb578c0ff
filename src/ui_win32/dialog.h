#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace keydesk {

// A dialog from a template of keydesk.rc, modal or shown beside its owner. The template gives the
// controls and their tab order; the dialog sets its client area to its exact size in pixels and
// places itself. Errors raised by a handler are shown in an error box and the dialog keeps running.
// Main thread only.
class Dialog {
 public:
  enum class Placement { CentredOnScreen, CentredOnOwner };

  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog until it ends; returns what it ended with (IDOK, IDCANCEL).
  INT_PTR ShowModal(HWND owner);
  // Shows the dialog until it ends without disabling its owner, which goes on taking input
  // meanwhile: the call runs the thread's messages itself, and returns IDCANCEL also when the
  // run ends (WM_QUIT, passed on) or the owner is destroyed.
  INT_PTR ShowAlongside(HWND owner);

  int TemplateId() const { return templateId_; }
  HWND Handle() const { return handle_; }
  HWND Item(int id) const { return GetDlgItem(handle_, id); }
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& ansi);
  void SetItemUtf8(int id, const std::string& utf8);
  bool Checked(int id) const;
  void SetChecked(int id, bool checked);
  void End(INT_PTR result);
  // End was called: the dialog closes once its handler returns.
  bool Ended() const { return ended_; }

  // Called with every dialog once it shows, from inside its own message loop, before anyone
  // could act on it; a test drives the dialog from here instead of a person. Returns the hook
  // it replaces.
  using ShownHook = std::function<void(Dialog&)>;
  static ShownHook SetShownHook(ShownHook hook);

 protected:
  Dialog(int templateId, SIZE clientSize, Placement placement)
      : templateId_(templateId), clientSize_(clientSize), placement_(placement) {}

  virtual void OnInit() {}
  // A control's command; true when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
  // Esc, "取消", the close box or the system menu.
  virtual void OnCancel() { End(IDCANCEL); }
  // Any other message; a non-zero result is the dialog procedure's answer.
  virtual INT_PTR OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

 private:
  static INT_PTR CALLBACK Procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void FitControls();
  void Place();

  const int templateId_;
  const SIZE clientSize_;
  const Placement placement_;
  HWND handle_ = nullptr;
  HWND owner_ = nullptr;
  bool ended_ = false;
  bool alongside_ = false;
  INT_PTR result_ = IDCANCEL;
};

}  // namespace keydesk
