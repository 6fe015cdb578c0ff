#include "ui/log_view_form.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/journal_browser.h"
#include "ui/ansi_text.h"
#include "ui/form_style.h"

namespace keydesk {

TLogViewForm::TLogViewForm(std::string logFileName, const std::string& notice, QWidget* parent)
    : QDialog(parent), follower_(logFileName), timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("TLogViewForm"));
  setWindowTitle(FromAnsi(LogViewCaption(logFileName)));
  setFont(DialogFont());
  resize(760, 460);
  LogTxt = new QPlainTextEdit(this);
  LogTxt->setObjectName(QStringLiteral("LogTxt"));
  LogTxt->setReadOnly(true);
  LogTxt->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LogTxt);
  if (!notice.empty()) LogTxt->appendPlainText(FromAnsi(notice));

  connect(timer_, &QTimer::timeout, this, &TLogViewForm::Follow);
  timer_->start(500);
  Follow();
}

void TLogViewForm::Follow() {
  const LogFollower::Lines lines = follower_.ReadNew();
  if (lines.Restarted) LogTxt->clear();
  if (lines.Text.empty()) return;
  QScrollBar* bar = LogTxt->verticalScrollBar();
  // Follow the end only when the operator has not scrolled up to read something.
  const bool atEnd = bar->value() == bar->maximum();
  QString text = FromAnsi(lines.Text);
  text.remove(QLatin1Char('\r'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  LogTxt->appendPlainText(text);
  if (atEnd) bar->setValue(bar->maximum());
}

}  // namespace keydesk
