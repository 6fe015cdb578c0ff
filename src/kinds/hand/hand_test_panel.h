#pragma once

#include "kinds/test_panel.h"

namespace keydesk {

class TBaseHand;
struct ServiceContext;

// The hand-tag test dialog ("THandTestForm"): the port buttons, and a tag read, written and
// erased, each showing the tag's number and listed among the main window's operations. The
// room and stay are shown only. hand may be null (every call then fails); it and context
// must outlive the panel.
TestPanel HandTestPanel(TBaseHand* hand, const ServiceContext& context);

}  // namespace keydesk
