#include "kinds/doorlock/doorlock_test_panel.h"

#include <memory>

#include "kinds/card_test_entries.h"
#include "kinds/doorlock/doorlock_test_actions.h"

namespace keydesk {

TestPanel DoorlockTestPanel(DoorlockService& service) {
  const auto actions = std::make_shared<DoorlockTestActions>(service);
  std::vector<PanelButton> buttons = {
      OutcomeButton("OpenPortBtn", "打开串口", [actions] { return actions->OpenPort(); }),
      BeepButton([actions] { actions->Beep(); }),
      OutcomeButton("ClosePortBtn", "关闭串口", [actions] { return actions->ClosePort(); }),
      {"WriteCardBtn",
       "写卡",
       {},
       [actions](const PanelEntries& entries) {
         TestCardEntries card;
         card.RoomBuildingCode = EntryText(entries, "RoomBuildingCodeTxt");
         card.RoomFloorCode = EntryText(entries, "RoomFloorCodeTxt");
         card.RoomNo = EntryText(entries, "RoomNoTxt");
         card.CheckIn = EntryText(entries, "CheckInDateTimeTxt");
         card.CheckOut = EntryText(entries, "CheckOutDateTimeTxt");
         card.IsCopy = EntryText(entries, "IsCopyCheckBox") == "1";
         int64_t cardNo = 0;
         const bool written = actions->WriteCard(card, cardNo);
         return PanelResult{DoorlockTestActions::WriteOutcome(written, cardNo), {}};
       }},
      {"ReadCardBtn",
       "读卡",
       {"CardNoTxt"},
       [actions](const PanelEntries&) {
         // Zero unless the driver got as far as the card's number.
         int64_t cardNo = 0;
         TCardDetails details;
         const bool read = actions->ReadCardDetails(cardNo, details);
         std::string line = DoorlockTestActions::ReadOutcome(read, cardNo, details);
         const std::string journal = read ? actions->JournalText(cardNo) : std::string();
         if (!journal.empty()) line += "\n" + journal;
         return PanelResult{line, {{"CardNoTxt", std::to_string(cardNo)}}};
       }},
      {"EraseCardBtn",
       "销卡",
       {},
       [actions](const PanelEntries&) {
         return PanelResult{DoorlockTestActions::EraseOutcome(actions->EraseCard()), {}};
       }},
  };
  return TestPanel(
      "TDoorlockTestForm",
      CardTestEntries(actions->DefaultCheckIn(), actions->DefaultCheckOut(), "CardNoTxt"),
      std::move(buttons));
}

}  // namespace keydesk
