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
         const IssueOutcome outcome = actions->WriteCard(card);
         return PanelResult{.Line = DoorlockTestActions::WriteOutcome(outcome),
                            .Filled = {},
                            .Tone = ToneOf(outcome.Written)};
       }},
      {"ReadCardBtn",
       "读卡",
       {"CardNoTxt"},
       [actions](const PanelEntries&) {
         const DoorlockTestActions::CheckedRead read = actions->ReadCardChecked();
         return PanelResult{.Line = DoorlockTestActions::ReadOutcome(read),
                            .Filled = {{"CardNoTxt", std::to_string(read.CardNo)}},
                            .Tone = !read.Read                    ? PanelTone::Failure
                                    : !read.Check.Warning.empty() ? PanelTone::Caution
                                                                  : PanelTone::Success};
       }},
      {"EraseCardBtn",
       "销卡",
       {},
       [actions](const PanelEntries&) {
         const bool erased = actions->EraseCard();
         return PanelResult{DoorlockTestActions::EraseOutcome(erased), {}, ToneOf(erased)};
       }},
  };
  return TestPanel(
      "TDoorlockTestForm",
      CardTestEntries(actions->DefaultCheckIn(), actions->DefaultCheckOut(), "CardNoTxt"),
      std::move(buttons));
}

}  // namespace keydesk
