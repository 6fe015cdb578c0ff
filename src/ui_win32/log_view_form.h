#pragma once

#include <string>

#include "app/desk.h"
#include "ui_win32/dialog.h"

namespace keydesk {

// The day's log, read-only, following the lines the service adds while it is open.
class TLogViewForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{760, 460};

  // notice, when not empty, stands above the log's lines (LogViewNotice).
  explicit TLogViewForm(std::string logFileName, std::string notice = {});

  // Adds the lines written since the last look; a timer calls it every half second.
  void Follow();

 private:
  void OnInit() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  const std::string logFileName_;
  const std::string notice_;
  LogFollower follower_;
};

}  // namespace keydesk
