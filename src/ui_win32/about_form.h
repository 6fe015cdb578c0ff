#pragma once

#include <string>

#include "ui_win32/dialog.h"

namespace keydesk {

// The about box: the interface's title, the version, the maker, beside a picture.
class TAboutForm final : public Dialog {
 public:
  static constexpr SIZE kClientSize{413, 262};

  // The caption, title and memo as the desk gives them, UTF-8.
  TAboutForm(std::string caption, std::string title, std::string memo = {});

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  const std::string caption_;
  const std::string title_;
  const std::string memo_;
};

}  // namespace keydesk
