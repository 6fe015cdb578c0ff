#include "ui/info_memo.h"

#include "ui/ansi_text.h"

namespace keydesk {

TInfoMemo::TInfoMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("InfoMemo"));
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TInfoMemo::AddLine(const std::string& line) { appendPlainText(FromAnsi(line)); }

}  // namespace keydesk
