#include "ui_win32/message_box.h"

#include <utility>

#include "platform/wide_text_windows.h"
#include "ui_win32/window_text.h"

namespace keydesk {
namespace {

// Main thread only, like the boxes themselves.
struct BoxSettings {
  MessageBoxes::Answerer answerer;
  std::string title = "keydesk";
};

BoxSettings& Settings() {
  static BoxSettings settings;
  return settings;
}

UINT IconStyle(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information:
      return MB_ICONINFORMATION | MB_OK;
    case BoxIcon::Error:
      return MB_ICONERROR | MB_OK;
    case BoxIcon::Question:
      return MB_ICONQUESTION | MB_YESNO;
    case BoxIcon::None:
      break;
  }
  return MB_OK;
}

}  // namespace

bool MessageBoxes::Show(HWND owner, const Shown& shown) {
  if (const Answerer& answerer = Settings().answerer) return answerer(shown);
  const int answer = MessageBoxW(owner, WideFromAnsi(shown.Text).c_str(),
                                 WideFromAnsi(shown.Caption).c_str(), IconStyle(shown.Icon));
  return answer == IDOK || answer == IDYES;
}

bool MessageBoxes::Show(HWND owner, const BoxMessage& message) {
  return Show(owner,
              {message.Icon, AnsiFromUtf8Text(message.Caption), AnsiFromUtf8Text(message.Text)});
}

void MessageBoxes::Plain(HWND owner, const std::string& text) {
  Show(owner, {BoxIcon::None, ApplicationTitle(), text});
}

void MessageBoxes::Error(HWND owner, const std::exception& error) {
  Show(owner, {BoxIcon::Error, ApplicationTitle(), error.what()});
}

void MessageBoxes::SetApplicationTitle(std::string title) { Settings().title = std::move(title); }

const std::string& MessageBoxes::ApplicationTitle() { return Settings().title; }

MessageBoxes::Answerer MessageBoxes::SetAnswerer(Answerer answerer) {
  return std::exchange(Settings().answerer, std::move(answerer));
}

}  // namespace keydesk
