#pragma once

#include <string>
#include <vector>

#include "kinds/test_panel.h"

namespace keydesk {

// The room the door lock and hand-tag test dialogs open with: building, floor, room.
inline constexpr const char* kTestRoomBuildingCode = "00";
inline constexpr const char* kTestRoomFloorCode = "01";
inline constexpr const char* kTestRoomNo = "01";

// The entries that the door lock and hand-tag test dialogs share: the room's three codes,
// the stay, the copy box, and the number box named numberName ("CardNoTxt", "HandNoTxt").
std::vector<PanelEntry> CardTestEntries(const std::string& checkIn, const std::string& checkOut,
                                        const char* numberName);

// An entry's text; raises Error for a name the dialog did not send.
const std::string& EntryText(const PanelEntries& entries, const std::string& name);

}  // namespace keydesk
