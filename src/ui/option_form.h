#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace keydesk {

class SharedOption;
struct TOptionEntries;

// The door lock options dialog. Opens filled from the options; "确定" takes every control
// into them, saves them and asks for a restart; "取消" changes nothing.
class TOptionForm final : public QDialog {
 public:
  TOptionForm(SharedOption& option, QWidget* parent = nullptr);

  QComboBox* cbbPortNameCmb;
  QComboBox* cbbLockTypeNameCmb;
  QComboBox* cbbPowerSwitchType;
  QLineEdit* edtSectorNoEdit;
  QLineEdit* edtHotelPW;
  QLineEdit* edtClientIdEdit;
  QLineEdit* edtPSSectorNo;
  QLineEdit* edtPSPassword;
  QLineEdit* edtPubDoorEdit;
  QLineEdit* edtBeginAddr;
  QLineEdit* edtEndAddr;
  QLineEdit* edtMaxLiftAddr;
  // After writing a card, read it back; a card that differs counts as not written.
  QCheckBox* chkVerifyAfterWrite;
  QLineEdit* edtLiftData;
  QLabel* lblLiftDataNote;
  QPushButton* btnOKBtn;
  QPushButton* btnCancelBtn;

 private:
  void FormShow();
  void btnOKBtnClick();
  TOptionEntries Entries() const;

  SharedOption& option_;
};

}  // namespace keydesk
