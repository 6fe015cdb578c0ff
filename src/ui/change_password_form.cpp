#include "ui/change_password_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/desk.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"
#include "ui/message_box.h"
#include "ui/pictures.h"

namespace keydesk {

TChangePasswordForm::TChangePasswordForm(Desk& desk, QWidget* owner) : QDialog(owner), desk_(desk) {
  setObjectName(QStringLiteral("TChangePasswordForm"));
  setWindowTitle(QString::fromUtf8(kChangePasswordCaption));
  setFont(DialogFont());
  setFixedSize(346, 163);

  auto* picture = new QLabel(this);
  picture->setPixmap(KeyPicture(48));
  picture->setFixedSize(48, 48);
  auto* newLabel = new QLabel(QStringLiteral("新密码："), this);
  auto* confirmLabel = new QLabel(QStringLiteral("新密码确认："), this);
  edtPswd = new QLineEdit(this);
  edtPswd->setObjectName(QStringLiteral("edtPswd"));
  MaskEntry(*edtPswd);
  newLabel->setBuddy(edtPswd);
  edtConfirmPswd = new QLineEdit(this);
  edtConfirmPswd->setObjectName(QStringLiteral("edtConfirmPswd"));
  MaskEntry(*edtConfirmPswd);
  confirmLabel->setBuddy(edtConfirmPswd);
  btnOK = new QPushButton(QStringLiteral("确定"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("取消"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  auto* entries = new QGridLayout;
  entries->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
  entries->setColumnMinimumWidth(1, 8);
  entries->addWidget(newLabel, 0, 2);
  entries->addWidget(edtPswd, 0, 3);
  entries->addWidget(confirmLabel, 1, 2);
  entries->addWidget(edtConfirmPswd, 1, 3);
  entries->setColumnStretch(3, 1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(btnOK);
  buttonRow->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 18, 16, 14);
  layout->addLayout(entries);
  layout->addStretch(1);
  layout->addLayout(buttonRow);

  setTabOrder(edtPswd, edtConfirmPswd);
  setTabOrder(edtConfirmPswd, btnOK);
  setTabOrder(btnOK, btnCancel);
  connect(btnOK, &QPushButton::clicked, this, &TChangePasswordForm::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  edtPswd->setFocus();
}

void TChangePasswordForm::btnOKClick() {
  RunGuarded(this, [this] {
    if (const auto refusal =
            desk_.ChangePassword(ToAnsi(edtPswd->text()), ToAnsi(edtConfirmPswd->text()))) {
      MessageBox::Show(this, *refusal);
      return;
    }
    MessageBox::Show(this, kPasswordChanged);
    accept();
  });
}

}  // namespace keydesk
