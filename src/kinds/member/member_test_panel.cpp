#include "kinds/member/member_test_panel.h"

#include <memory>

#include "kinds/card_test_entries.h"
#include "kinds/member/member_test_actions.h"
#include "platform/code_page.h"

namespace keydesk {

TestPanel MemberTestPanel(TBaseMember* member) {
  const auto actions = std::make_shared<MemberTestActions>(member);
  std::vector<PanelButton> buttons = {
      OutcomeButton("OpenPortBtn", "打开串口", [actions] { return actions->OpenPort(); }),
      BeepButton([actions] { actions->Beep(); }),
      OutcomeButton("ClosePortBtn", "关闭串口", [actions] { return actions->ClosePort(); }),
      {"ReadCardBtn",
       "读卡",
       {"CardNoEdit", "PasswordEdit"},
       [actions](const PanelEntries& entries) {
         MemberTestRead read;
         const bool succeeded = actions->ReadCard(EntryText(entries, "ChannelCmb"), read);
         return PanelResult{MemberTestActions::ReadOutcome(succeeded, read),
                            {{"CardNoEdit", read.CardNo}, {"PasswordEdit", read.Password}}};
       }},
      {"WriteCardBtn",
       "写卡",
       {},
       [actions](const PanelEntries& entries) {
         const std::string& cardNo = EntryText(entries, "CardNoEdit");
         const bool written = actions->WriteCard(cardNo, EntryText(entries, "ChannelCmb"));
         return PanelResult{MemberTestActions::WriteOutcome(written, cardNo), {}};
       }},
      OutcomeButton("PrintCardBtn", "打印卡", [actions] { return actions->PrintCard(); }),
  };
  std::vector<PanelEntry> entries = {
      {"ChannelCmb",
       "类型",
       PanelEntryKind::Choice,
       AnsiFromUtf8(MemberTestActions::kHotelCardItem),
       {MemberTestActions::kHotelCardItem, MemberTestActions::kAllianceCardItem}},
      {"CardNoEdit", "卡号", PanelEntryKind::Text, "", {}},
      {"PasswordEdit", "密码:", PanelEntryKind::Text, "", {}},
  };
  return TestPanel("TMemberTestForm", std::move(entries), std::move(buttons));
}

}  // namespace keydesk
