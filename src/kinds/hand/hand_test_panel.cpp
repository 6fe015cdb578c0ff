#include "kinds/hand/hand_test_panel.h"

#include <memory>

#include "kinds/card_test_entries.h"
#include "kinds/hand/hand_test_actions.h"
#include "kinds/service_context.h"
#include "kinds/test_listing.h"

namespace keydesk {
namespace {

// An operator trying the encoder wants to see which tag was read, written or erased.
PanelButton HandNoButton(const std::shared_ptr<HandTestActions>& actions,
                         const ServiceContext& context, const char* name, const char* caption,
                         const char* type, bool (HandTestActions::*call)(std::string&)) {
  return {
      name, caption, {"HandNoTxt"}, [actions, &context, caption, type, call](const PanelEntries&) {
        std::string handNo;
        const bool succeeded = ((*actions).*call)(handNo);
        ListTestOperation(context, type, {}, handNo, succeeded);
        return PanelResult{HandTestActions::Outcome(caption, succeeded, handNo),
                           {{"HandNoTxt", handNo}}};
      }};
}

}  // namespace

TestPanel HandTestPanel(TBaseHand* hand, const ServiceContext& context) {
  const auto actions = std::make_shared<HandTestActions>(hand, context.LocalClock);
  std::vector<PanelButton> buttons = {
      OutcomeButton("OpenPortBtn", "打开串口", [actions] { return actions->OpenPort(); }),
      BeepButton([actions] { actions->Beep(); }),
      OutcomeButton("ClosePortBtn", "关闭串口", [actions] { return actions->ClosePort(); }),
      HandNoButton(actions, context, "WriteCardBtn", "写卡", "IssueHand",
                   &HandTestActions::WriteCard),
      HandNoButton(actions, context, "ReadCardBtn", "读卡", "ReadHand", &HandTestActions::ReadCard),
      HandNoButton(actions, context, "EraseCardBtn", "销卡", "EraseHand",
                   &HandTestActions::EraseCard),
  };
  return TestPanel(
      "THandTestForm",
      CardTestEntries(actions->DefaultCheckIn(), actions->DefaultCheckOut(), "HandNoTxt"),
      std::move(buttons));
}

}  // namespace keydesk
