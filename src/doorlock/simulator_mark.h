#pragma once

// The text that the simulated encoder library carries in its file, by which keydesk tells it
// from the vendor's: a front desk must never take the simulator for the real encoder.
#define KEYDESK_SIMULATOR_MARK "keydesk simulated encoder: it writes no real card"
