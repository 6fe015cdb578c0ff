#pragma once

#include "ui_win32/dialog.h"

namespace keydesk {

class SystemSettings;

// The 系统设置 dialog, made from the settings' fields when it opens: a caption and an entry
// per field, a check box for a switch. "确定" saves what changed and says so, then closes; an
// entry the settings refuse is answered with an error box and the dialog stays as it was.
class TSystemSettingsForm final : public Dialog {
 public:
  // settings must outlive the dialog.
  explicit TSystemSettingsForm(SystemSettings& settings);

  // The control of the field at that place in SystemSettings::Fields.
  static int ControlOf(size_t field);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  HWND Add(const wchar_t* className, const std::wstring& text, DWORD style, int id, RECT area);

  SystemSettings& settings_;
};

}  // namespace keydesk
