// The launch ticket travels in the executable's file name:
// product code "$" user name "$" password "$" anything (usually ".exe").
#pragma once

#include <string>

#include "launcher/run_state.h"

// Never fails: a field the name does not carry comes back empty.
LaunchTicket ParseLaunchTicket(const std::string& fileName);
