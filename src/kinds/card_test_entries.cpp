#include "kinds/card_test_entries.h"

#include "platform/errors.h"

namespace keydesk {

std::vector<PanelEntry> CardTestEntries(const std::string& checkIn, const std::string& checkOut,
                                        const char* numberName) {
  return {
      {"RoomBuildingCodeTxt", "楼号:", PanelEntryKind::Text, kTestRoomBuildingCode, {}},
      {"RoomFloorCodeTxt", "楼层:", PanelEntryKind::Text, kTestRoomFloorCode, {}},
      {"RoomNoTxt", "房号:", PanelEntryKind::Text, kTestRoomNo, {}},
      {"CheckInDateTimeTxt", "起始时间：", PanelEntryKind::Text, checkIn, {}},
      {"CheckOutDateTimeTxt", "到", PanelEntryKind::Text, checkOut, {}},
      {"IsCopyCheckBox", "复制", PanelEntryKind::Check, "0", {}},
      {numberName, "卡号", PanelEntryKind::Text, "", {}},
  };
}

const std::string& EntryText(const PanelEntries& entries, const std::string& name) {
  const auto found = entries.find(name);
  if (found == entries.end()) throw Error("No entry " + name);
  return found->second;
}

}  // namespace keydesk
