#pragma once

#include "kinds/test_panel.h"

namespace keydesk {

class TBaseMember;

// The member-card test dialog ("TMemberTestForm"): the port buttons, the channel list, and a
// card read, written and printed. member may be null (every call then fails); it must
// outlive the panel.
TestPanel MemberTestPanel(TBaseMember* member);

}  // namespace keydesk
