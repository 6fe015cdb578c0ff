#pragma once

#include <string>

namespace keydesk {

// A guest registration as the police system offers it. Texts are code page 936. The fields
// stand in the record's established order; IdCardTypeID and SalutationID are read by no
// one, since the response always carries identity card type 11 and derives the salutation
// from GenderID.
struct TGuest {
  std::string RoomNo;
  std::string EnterTime;
  std::string IdCardTypeID;  // not read
  std::string IdCardNo;
  std::string Name;
  std::string Nationality;
  std::string GenderID;      // must be the text of an integer
  std::string SalutationID;  // not read
  std::string CountryCode;
  std::string ProvinceCode;
  std::string Address;
  std::string Birthday;

  bool operator==(const TGuest&) const = default;
};

// The one interface through which the system reaches the police registration system. A
// plain TBasePolice has no guest to report.
//
// GetGuest is called from several threads at once (PMS connections and the Test command):
// implementations must allow that, and a record they return must stay valid and unchanged
// for as long as the police system lives, since callers read it without a lock.
class TBasePolice {
 public:
  virtual ~TBasePolice() = default;

  // Kept for drivers that bring a dialog of their own; the window shows the options that
  // keydesk knows itself (the desk asks the kind), so none of ours overrides it.
  virtual void ShowOptions() {}

  // The guest registration currently offered, owned by the police system; nullptr when
  // there is no guest to report.
  virtual const TGuest* GetGuest() { return nullptr; }
};

}  // namespace keydesk
