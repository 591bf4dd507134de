// The program's entry: reads the ticket from the executable's own name and
// either launches the session or asks the user not to rename the file.
#pragma once

#include "launcher/ticket_validation.h"

// Ends the process; never returns.
[[noreturn]] void LauncherMain();
