#include "ui/about_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/desk.h"
#include "ui/form_style.h"
#include "ui/pictures.h"

namespace keydesk {

TAboutForm::TAboutForm(const std::string& captionUtf8, const std::string& titleUtf8,
                       const std::string& memoUtf8, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("TAboutForm"));
  setWindowTitle(QString::fromStdString(captionUtf8));
  setFont(DialogFont());
  setFixedSize(413, 262);

  picture = new QLabel(this);
  picture->setPixmap(AboutPicture());
  picture->setFixedSize(132, 238);
  lblAppTitle = new QLabel(QString::fromStdString(titleUtf8), this);
  lblAppTitle->setObjectName(QStringLiteral("lblAppTitle"));
  lblVersion = new QLabel(QString::fromUtf8(kAboutVersion), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblCopyright = new QLabel(QString::fromUtf8(kAboutCopyright), this);
  lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
  lblCompany = new QLabel(QString::fromUtf8(kAboutCompany), this);
  lblCompany->setObjectName(QStringLiteral("lblCompany"));
  mmo = new QPlainTextEdit(this);
  mmo->setObjectName(QStringLiteral("mmo"));
  mmo->setFixedSize(245, 125);
  // Read-only but enabled, so that its text reads black and can be copied for a support call.
  mmo->setReadOnly(true);
  mmo->setPlainText(QString::fromStdString(memoUtf8));
  // Its scroll bar shows only with something to scroll.
  mmo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  btnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(6);
  texts->addWidget(lblAppTitle);
  texts->addWidget(lblVersion);
  texts->addWidget(lblCopyright);
  texts->addWidget(lblCompany);
  texts->addSpacing(4);
  texts->addWidget(mmo);
  texts->addStretch(1);
  texts->addWidget(btnOK, 0, Qt::AlignRight);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 12, 12, 12);
  layout->addWidget(picture, 0, Qt::AlignTop);
  layout->addSpacing(12);
  layout->addLayout(texts, 1);

  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace keydesk
