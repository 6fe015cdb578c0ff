#pragma once

#include <QPlainTextEdit>

#include "core/log_pane.h"

namespace keydesk {

// The main window's log pane. Editable and without scroll bars, and nothing trims it: it
// only ever receives the listener's start and stop lines. Main thread only.
class TInfoMemo final : public QPlainTextEdit, public LogPane {
 public:
  explicit TInfoMemo(QWidget* parent = nullptr);

  void AddLine(const std::string& line) override;
};

}  // namespace keydesk
