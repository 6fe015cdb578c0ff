#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "ui_win32/dialog.h"
#include "ui_win32/message_box.h"
#include "ui_win32/window_text.h"

namespace keydesk::test {

// Drives the modal dialogs as a person would, through window messages: each step waits for a
// dialog of its template to show and acts on it from inside the dialog's own loop. A dialog
// that no step expects is recorded and cancelled, so that a wrong dialog fails the test
// instead of hanging it. Message boxes are recorded and answered OK.
class DialogScript {
 public:
  using Step = std::function<void(Dialog&)>;

  DialogScript() {
    previousHook_ = Dialog::SetShownHook([this](Dialog& dialog) { Shown(dialog); });
    previousAnswerer_ = MessageBoxes::SetAnswerer([this](const MessageBoxes::Shown& box) {
      boxes_.push_back(box);
      return true;
    });
  }
  ~DialogScript() {
    Dialog::SetShownHook(std::move(previousHook_));
    MessageBoxes::SetAnswerer(std::move(previousAnswerer_));
  }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  DialogScript& Then(int templateId, Step step) {
    steps_.push_back({templateId, std::move(step)});
    return *this;
  }

  bool Finished() const { return steps_.empty(); }
  const std::vector<int>& Unexpected() const { return unexpected_; }
  const std::vector<MessageBoxes::Shown>& Boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }

 private:
  void Shown(Dialog& dialog) {
    if (steps_.empty() || steps_.front().first != dialog.TemplateId()) {
      unexpected_.push_back(dialog.TemplateId());
      dialog.End(IDCANCEL);
      return;
    }
    Step step = std::move(steps_.front().second);
    steps_.pop_front();
    step(dialog);
  }

  std::deque<std::pair<int, Step>> steps_;
  std::vector<int> unexpected_;
  std::vector<MessageBoxes::Shown> boxes_;
  Dialog::ShownHook previousHook_;
  MessageBoxes::Answerer previousAnswerer_;
};

// What a person does to a control, as window messages.
inline void Type(Dialog& dialog, int id, const char* utf8) {
  SendMessageW(dialog.Item(id), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(WideFromUtf8(utf8).c_str()));
}
inline void Click(Dialog& dialog, int id) { SendMessageW(dialog.Item(id), BM_CLICK, 0, 0); }
// Esc in the dialog: the dialog's own loop turns it into its cancel command.
inline void PressEscape(Dialog& dialog) {
  PostMessageW(GetFocus() != nullptr ? GetFocus() : dialog.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
}
// The close box, or the system menu's close.
inline void CloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }
inline std::string Utf8Text(HWND window) { return Utf8FromAnsi(WindowAnsi(window)); }
inline std::string Utf8Item(const Dialog& dialog, int id) { return Utf8Text(dialog.Item(id)); }

}  // namespace keydesk::test
