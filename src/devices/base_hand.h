#pragma once

#include <string>

namespace keydesk {

// The one interface through which the system reaches a hand-tag encoder. The operations
// stand in the order of the door lock driver interface: options, open, beep, close, then
// write, read, erase. Every operation has a body that does nothing and reports failure, so
// a plain TBaseHand behaves as a device without an encoder. Texts are code page 936.
//
// The card operations give the hand number back in HandNo, which the caller empties first;
// no hand number is ever passed in. A device may leave a number there also when it reports
// failure.
//
// Devices must allow their operations to be called from several threads at once: PMS
// connections and the test dialog share the installed device.
class TBaseHand {
 public:
  virtual ~TBaseHand() = default;

  // Kept for drivers that bring a dialog of their own; the window shows the options that
  // keydesk knows itself (the desk asks the kind), so none of ours overrides it.
  virtual void ShowOptions() {}
  virtual bool OpenPort() { return false; }
  virtual void Beep() {}
  virtual bool ClosePort() { return false; }

  // Writes a new hand tag; HandNo receives its number.
  virtual bool WriteCard(std::string& HandNo) {
    (void)HandNo;
    return false;
  }

  // Reads the hand tag on the encoder.
  virtual bool ReadCard(std::string& HandNo) {
    (void)HandNo;
    return false;
  }

  // Erases the hand tag on the encoder; HandNo receives the number it carried.
  virtual bool EraseCard(std::string& HandNo) {
    (void)HandNo;
    return false;
  }
};

}  // namespace keydesk
