#pragma once

#include <string>

namespace keydesk {

class Clock;
class TBaseHand;

// The hand-tag test dialog's operations without the dialog: each calls the installed device
// directly, with no handler, no log line and no message.
//
// Used on the main thread; the device states its own thread-safety.
class HandTestActions {
 public:
  // hand is the installed device, null when there is none; it and clock must outlive the
  // actions.
  HandTestActions(TBaseHand* hand, const Clock& clock) : hand_(hand), clock_(clock) {}

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

  // The dialog's line after a button that gives a hand number back (code page 936).
  static std::string Outcome(const char* actionUtf8, bool succeeded, const std::string& HandNo);

 private:
  TBaseHand* hand_;
  const Clock& clock_;
};

}  // namespace keydesk
