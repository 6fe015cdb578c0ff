#pragma once

#include <cstdint>
#include <string>

namespace keydesk {

// The one interface through which the system reaches a member-card encoder and printer.
// The operations keep their established order, which differs from the door lock and
// hand-tag interfaces: options, open, close, an operation nothing calls, beep, then write,
// read, print. Every operation has a body that does nothing and reports failure, so a plain
// TBaseMember behaves as a device without an encoder. Texts are code page 936.
//
// The channel number selects the kind of card: -1 the hotel's own member card, 11 the
// alliance card; callers pass on whatever integer they were given.
//
// Devices must allow their operations to be called from several threads at once: PMS
// connections and the test dialog share the installed device.
class TBaseMember {
 public:
  // The channel of the hotel's own member card, passed when a request names none.
  static constexpr int32_t kHotelChannel = -1;
  // The channel of the alliance card.
  static constexpr int32_t kAllianceChannel = 11;

  virtual ~TBaseMember() = default;

  // Kept for drivers that bring a dialog of their own; the window shows the options that
  // keydesk knows itself (the desk asks the kind), so none of ours overrides it.
  virtual void ShowOptions() {}
  virtual bool OpenPort() { return false; }
  virtual bool ClosePort() { return false; }
  // Nothing in the system calls this operation; it keeps its place so that the ones after
  // it keep theirs.
  virtual void Reserved() {}
  virtual void Beep() {}

  // Writes a member card: its number and three further texts whose meaning is the device's.
  virtual bool WriteCard(const std::string& CardNo, const std::string& Text2,
                         const std::string& Text3, const std::string& Text4, int32_t Channel) {
    (void)CardNo, (void)Text2, (void)Text3, (void)Text4, (void)Channel;
    return false;
  }

  // Reads the card on the encoder. The caller empties the five out texts first; Flag is
  // passed through from the request (the test dialog passes false).
  virtual bool ReadCard(bool Flag, std::string& CardNo, std::string& Password,
                        std::string& ExpireDate, std::string& GuestName, std::string& Score,
                        int32_t Channel) {
    (void)Flag, (void)CardNo, (void)Password, (void)ExpireDate, (void)GuestName, (void)Score,
        (void)Channel;
    return false;
  }

  // Prints text for the card with that number.
  virtual bool PrintCard(const std::string& CardNo, const std::string& PrintText) {
    (void)CardNo, (void)PrintText;
    return false;
  }
};

}  // namespace keydesk
