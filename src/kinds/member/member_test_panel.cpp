#include "kinds/member/member_test_panel.h"

#include <memory>

#include "kinds/card_test_entries.h"
#include "kinds/member/member_test_actions.h"
#include "kinds/service_context.h"
#include "kinds/test_listing.h"
#include "platform/code_page.h"

namespace keydesk {

TestPanel MemberTestPanel(TBaseMember* member, const ServiceContext& context) {
  const auto actions = std::make_shared<MemberTestActions>(member);
  std::vector<PanelButton> buttons = {
      OutcomeButton("OpenPortBtn", "打开串口", [actions] { return actions->OpenPort(); }),
      BeepButton([actions] { actions->Beep(); }),
      OutcomeButton("ClosePortBtn", "关闭串口", [actions] { return actions->ClosePort(); }),
      {"ReadCardBtn",
       "读卡",
       {"CardNoEdit", "PasswordEdit"},
       [actions, &context](const PanelEntries& entries) {
         MemberTestRead read;
         const bool succeeded = actions->ReadCard(EntryText(entries, "ChannelCmb"), read);
         ListTestOperation(context, "ReadMemberCard", {}, read.CardNo, succeeded);
         return PanelResult{MemberTestActions::ReadOutcome(succeeded, read),
                            {{"CardNoEdit", read.CardNo}, {"PasswordEdit", read.Password}}};
       }},
      {"WriteCardBtn",
       "写卡",
       {},
       [actions, &context](const PanelEntries& entries) {
         const std::string& cardNo = EntryText(entries, "CardNoEdit");
         const bool written = actions->WriteCard(cardNo, EntryText(entries, "ChannelCmb"));
         ListTestOperation(context, "WriteMemberCard", {}, cardNo, written);
         return PanelResult{MemberTestActions::WriteOutcome(written, cardNo), {}};
       }},
      OutcomeButton("PrintCardBtn", "打印卡",
                    [actions, &context] {
                      const bool printed = actions->PrintCard();
                      ListTestOperation(context, "PrintMemberCard", {},
                                        MemberTestActions::kPrintCardNo, printed);
                      return printed;
                    }),
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
