#include "kinds/hand/hand_test_panel.h"

#include <memory>

#include "kinds/card_test_entries.h"
#include "kinds/hand/hand_test_actions.h"

namespace keydesk {
namespace {

// An operator trying the encoder wants to see which tag was read, written or erased.
PanelButton HandNoButton(const std::shared_ptr<HandTestActions>& actions, const char* name,
                         const char* caption, bool (HandTestActions::*call)(std::string&)) {
  return {name, caption, {"HandNoTxt"}, [actions, caption, call](const PanelEntries&) {
            std::string handNo;
            const bool succeeded = ((*actions).*call)(handNo);
            return PanelResult{HandTestActions::Outcome(caption, succeeded, handNo),
                               {{"HandNoTxt", handNo}}};
          }};
}

}  // namespace

TestPanel HandTestPanel(TBaseHand* hand, const Clock& clock) {
  const auto actions = std::make_shared<HandTestActions>(hand, clock);
  std::vector<PanelButton> buttons = {
      OutcomeButton("OpenPortBtn", "打开串口", [actions] { return actions->OpenPort(); }),
      BeepButton([actions] { actions->Beep(); }),
      OutcomeButton("ClosePortBtn", "关闭串口", [actions] { return actions->ClosePort(); }),
      HandNoButton(actions, "WriteCardBtn", "写卡", &HandTestActions::WriteCard),
      HandNoButton(actions, "ReadCardBtn", "读卡", &HandTestActions::ReadCard),
      HandNoButton(actions, "EraseCardBtn", "销卡", &HandTestActions::EraseCard),
  };
  return TestPanel(
      "THandTestForm",
      CardTestEntries(actions->DefaultCheckIn(), actions->DefaultCheckOut(), "HandNoTxt"),
      std::move(buttons));
}

}  // namespace keydesk
