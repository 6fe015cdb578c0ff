#pragma once

#include <windows.h>

#include "core/log_pane.h"

namespace keydesk {

// The log pane of the main window: a multi-line edit box that the listener's start and stop
// lines are added to. Main thread only.
class TInfoMemo final : public LogPane {
 public:
  explicit TInfoMemo(HWND edit) : edit_(edit) {}
  void AddLine(const std::string& line) override;

 private:
  HWND edit_;
};

}  // namespace keydesk
