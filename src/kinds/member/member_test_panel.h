#pragma once

#include "kinds/test_panel.h"

namespace keydesk {

class TBaseMember;
struct ServiceContext;

// The member-card test dialog ("TMemberTestForm"): the port buttons, the channel list, and a
// card read, written and printed, each listed among the main window's operations. member
// may be null (every call then fails); it and context must outlive the panel.
TestPanel MemberTestPanel(TBaseMember* member, const ServiceContext& context);

}  // namespace keydesk
