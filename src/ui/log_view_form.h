#pragma once

#include <QDialog>

#include "app/desk.h"

class QPlainTextEdit;
class QTimer;

namespace keydesk {

// The day's log, read-only and converted from code page 936, following the lines the
// service adds while it is open.
class TLogViewForm final : public QDialog {
 public:
  // notice, when not empty, stands above the log's lines (LogViewNotice).
  TLogViewForm(std::string logFileName, const std::string& notice = {}, QWidget* parent = nullptr);

  QPlainTextEdit* LogTxt;

  // Shows the lines added since the last look; a timer calls it, tests may too.
  void Follow();

 private:
  LogFollower follower_;
  QTimer* timer_;
};

}  // namespace keydesk
