#pragma once

#include "store/postgres/connection_parameters.h"

namespace keydesk {

// Whether the connection may go to a server on another machine: on the way there a machine
// of the LAN could read the store and rewrite room times unless the server's certificate is
// verified. The local machine is a socket folder, localhost, 127.0.0.0/8 or ::1; a host that
// the string leaves to the environment (PGHOST, PGHOSTADDR) or to a service file is judged
// as the environment says, and as another machine where it says nothing either.
bool ReachesAnotherMachine(const ConnectionParameters& parameters);

}  // namespace keydesk
