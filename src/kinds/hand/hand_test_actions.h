#pragma once

#include <string>

namespace keydesk {

struct AppContext;

// The hand-tag test dialog's operations without the dialog: each calls the installed device
// directly, with no handler, no log line and no message.
//
// Used on the main thread; the device states its own thread-safety.
class HandTestActions {
 public:
  explicit HandTestActions(AppContext& context) : context_(context) {}

  // The texts the dialog opens with: an hour before now, and two days after now. They are
  // shown only; no operation reads them.
  std::string DefaultCheckIn() const;
  std::string DefaultCheckOut() const;

  // The device's operations as they are; false when no device is installed.
  bool OpenPort();
  void Beep();
  bool ClosePort();
  // Each empties HandNo, then HandNo keeps whatever the device left in it, also after a
  // failure.
  bool WriteCard(std::string& HandNo);
  bool ReadCard(std::string& HandNo);
  bool EraseCard(std::string& HandNo);

 private:
  AppContext& context_;
};

}  // namespace keydesk
