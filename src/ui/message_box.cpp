#include "ui/message_box.h"

#include <QMessageBox>
#include <utility>

#include "app/desk.h"

namespace keydesk {
namespace {

MessageBox::Answerer& CurrentAnswerer() {
  static MessageBox::Answerer answerer;
  return answerer;
}

}  // namespace

void MessageBox::Plain(QWidget* parent, const QString& caption, const QString& text) {
  Show(parent, {Icon::None, caption, text});
}

void MessageBox::Information(QWidget* parent, const QString& caption, const QString& text) {
  Show(parent, {Icon::Information, caption, text});
}

void MessageBox::Error(QWidget* parent, const QString& caption, const QString& text) {
  Show(parent, {Icon::Error, caption, text});
}

bool MessageBox::Question(QWidget* parent, const QString& caption, const QString& text) {
  return Show(parent, {Icon::Question, caption, text});
}

bool MessageBox::Show(QWidget* parent, const BoxMessage& message) {
  static constexpr Icon kIcons[] = {Icon::None, Icon::Information, Icon::Error, Icon::Question};
  return Show(parent, {kIcons[static_cast<int>(message.Icon)], QString::fromUtf8(message.Caption),
                       QString::fromUtf8(message.Text)});
}

MessageBox::Answerer MessageBox::SetAnswerer(Answerer answerer) {
  return std::exchange(CurrentAnswerer(), std::move(answerer));
}

bool MessageBox::Show(QWidget* parent, const Shown& shown) {
  if (const Answerer& answerer = CurrentAnswerer()) return answerer(shown);

  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  switch (shown.icon) {
    case Icon::None:
      break;
    case Icon::Information:
      icon = QMessageBox::Information;
      break;
    case Icon::Error:
      icon = QMessageBox::Critical;
      break;
    case Icon::Question:
      icon = QMessageBox::Question;
      buttons = QMessageBox::Yes | QMessageBox::No;
      break;
  }
  QMessageBox box(icon, shown.caption, shown.text, buttons, parent);
  const int answer = box.exec();
  return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

}  // namespace keydesk
