#pragma once

#include <QDialog>
#include <vector>

class QPushButton;

namespace keydesk {

class SystemSettings;

// The 系统设置 dialog: one row per key of the system settings, a box named after the key (a
// check box for a switch). "确定" saves what changed and says what was saved, then closes; an
// entry that cannot be read is shown in the error box and the dialog stays as typed. "取消"
// changes nothing.
class TSettingsForm final : public QDialog {
 public:
  // settings must outlive the dialog.
  explicit TSettingsForm(SystemSettings& settings, QWidget* parent = nullptr);

  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void btnOKClick();

  SystemSettings& settings_;
  std::vector<QWidget*> entries_;  // one per field, in the fields' order
};

}  // namespace keydesk
