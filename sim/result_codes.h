// The result codes of the simulated encoder's Write_ and Read_ functions.
#pragma once

namespace keydesk::sim {

enum ResultCode : int {
  kOk = 0,
  kNoCard = 1,        // read: there is no card file
  kNoBlock = 2,       // read: the card holds no such block
  kBadArgument = 3,   // a null out pointer, or a power-switch type other than 1 and 2
  kWrongLayout = 4,   // read: the power-switch block was written in the other layout
  kDamagedCard = 5,   // read: the card file cannot be read or a stored value is malformed
  kWriteFailed = 6,   // write: the card file cannot be written
  kWrongAddress = 7,  // read: the lift block was written for other controller addresses
};

}  // namespace keydesk::sim
