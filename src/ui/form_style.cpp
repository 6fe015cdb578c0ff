#include "ui/form_style.h"

#include <QLineEdit>

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

}  // namespace keydesk
