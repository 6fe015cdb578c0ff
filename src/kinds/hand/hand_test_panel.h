#pragma once

#include "kinds/test_panel.h"

namespace keydesk {

class Clock;
class TBaseHand;

// The hand-tag test dialog ("THandTestForm"): the port buttons, and a tag read, written and
// erased, each showing the tag's number. The room and stay are shown only. hand may be null
// (every call then fails); it and clock must outlive the panel.
TestPanel HandTestPanel(TBaseHand* hand, const Clock& clock);

}  // namespace keydesk
