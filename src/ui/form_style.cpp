#include "ui/form_style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace keydesk {

QFont DialogFont() {
  QFont font;
  font.setFamilies(
      {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setPointSize(9);
  return font;
}

void MaskEntry(QLineEdit& entry) {
  entry.setEchoMode(QLineEdit::Password);
  // 42 is "*"; the style would otherwise choose a bullet.
  entry.setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

QPushButton* NamedButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QLineEdit* NamedEdit(QWidget* parent, const char* name, const char* text) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QLabel* CaptionLabel(QWidget* parent, const char* text) {
  return new QLabel(QString::fromUtf8(text), parent);
}

}  // namespace keydesk
