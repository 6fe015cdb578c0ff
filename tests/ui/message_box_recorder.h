#pragma once

#include <QString>
#include <vector>

#include "ui/message_box.h"

namespace keydesk::test {

// Answers every message box while it lives, remembering each one; Question boxes get the
// answer given. Restores the previous answerer when it goes.
class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(bool answer = true)
      : previous_(MessageBox::SetAnswerer([this, answer](const MessageBox::Shown& shown) {
          shown_.push_back(shown);
          return answer;
        })) {}
  ~MessageBoxRecorder() { MessageBox::SetAnswerer(previous_); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  const std::vector<MessageBox::Shown>& Shown() const { return shown_; }
  void Clear() { shown_.clear(); }

 private:
  MessageBox::Answerer previous_;
  std::vector<MessageBox::Shown> shown_;
};

}  // namespace keydesk::test
