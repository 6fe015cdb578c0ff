#pragma once

#include <string>

#include "doorlock/option.h"

namespace keydesk {

// The door lock options as the options dialog shows and takes them: every field as the
// text of its control, code page 936.
struct TOptionEntries {
  std::string PortName;
  std::string LockTypeName;
  std::string PowerSwitchTypeName;
  std::string SectorNo;
  std::string HotelPassword;
  std::string ClientID;
  std::string PowerSwitchSectorNo;
  std::string PowerSwitchPassword;
  std::string PubDoor;
  std::string BeginAddr;
  std::string EndAddr;
  std::string MaxLiftAddr;
  std::string LiftData;
  bool VerifyAfterWrite = false;
};

// The texts the dialog opens with: texts as stored, integers in decimal, ClientID as the
// unsigned decimal of its 32 bits.
TOptionEntries EntriesFromOption(const TOption& option);

// The options with the entries taken in. Every integer entry is checked before anything is
// taken, in the order the dialog reads them (BeginAddr, EndAddr, MaxLiftAddr, SectorNo,
// ClientID, PowerSwitchSectorNo): the first that is not an integer raises ConvertError
// "'%s' is not a valid integer value", so a bad entry never leaves half-changed options.
// ClientID is read as a 64-bit integer and keeps its low 32 bits; texts are taken as typed.
TOption OptionFromEntries(TOption option, const TOptionEntries& entries);

}  // namespace keydesk
