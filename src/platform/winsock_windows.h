#pragma once

namespace keydesk {

// Starts Winsock, once for the process, kept until it ends; 0, or the failure's code.
int StartWinsock();

}  // namespace keydesk
