#pragma once

#include "kinds/test_panel.h"

namespace keydesk {

struct DoorlockService;

// The door lock test dialog ("TDoorlockTestForm"): the port buttons, a card written for the
// typed room and stay, read back with what the journal knows of it, and erased. service must
// outlive the panel.
TestPanel DoorlockTestPanel(DoorlockService& service);

}  // namespace keydesk
