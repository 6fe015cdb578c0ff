#pragma once

#include <string>

namespace keydesk {

// The operator's log pane (the main window's InfoMemo, or standard output when running
// without a window). It shows only the listener's start and stop lines. Called on the main
// thread only.
class LogPane {
 public:
  virtual ~LogPane() = default;
  // line is code page 936 text.
  virtual void AddLine(const std::string& line) = 0;
};

}  // namespace keydesk
