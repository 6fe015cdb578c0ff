#include "ui/check_password_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

#include "app/desk.h"
#include "ui/ansi_text.h"
#include "ui/form_style.h"
#include "ui/message_box.h"
#include "ui/pictures.h"

namespace keydesk {

TCheckPasswordForm::TCheckPasswordForm(Desk& desk, QWidget* owner) : QDialog(owner), desk_(desk) {
  setObjectName(QStringLiteral("TCheckPasswordForm"));
  setWindowTitle(QString::fromUtf8(kCheckPasswordCaption));
  setFont(DialogFont());
  setFixedSize(306, 140);

  auto* picture = new QLabel(this);
  picture->setPixmap(KeyPicture(32));
  picture->setFixedSize(32, 32);
  auto* label = new QLabel(QStringLiteral("密码："), this);
  edtPswd = new QLineEdit(this);
  edtPswd->setObjectName(QStringLiteral("edtPswd"));
  MaskEntry(*edtPswd);
  label->setBuddy(edtPswd);
  btnOK = new QPushButton(QStringLiteral("确定"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("取消"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  auto* entryRow = new QHBoxLayout;
  entryRow->addWidget(picture, 0, Qt::AlignTop);
  entryRow->addSpacing(8);
  entryRow->addWidget(label);
  entryRow->addWidget(edtPswd, 1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(btnOK);
  buttonRow->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 20, 16, 14);
  layout->addLayout(entryRow);
  layout->addStretch(1);
  layout->addLayout(buttonRow);

  connect(btnOK, &QPushButton::clicked, this, &TCheckPasswordForm::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  edtPswd->setFocus();
}

void TCheckPasswordForm::btnOKClick() {
  // A wrong entry, or one given while the wait after a wrong one runs, is answered.
  const std::optional<BoxText> refusal = desk_.CheckPassword(ToAnsi(edtPswd->text()));
  if (!refusal) {
    accept();
    return;
  }
  MessageBox::Show(this, refusal->Message());
  edtPswd->setFocus();
  // The entry stays, selected, so that typing again replaces it.
  edtPswd->selectAll();
}

}  // namespace keydesk
