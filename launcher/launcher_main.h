// The program's entry: reads the ticket from the executable's own name and
// either launches the session or asks the user not to rename the file.
#pragma once

#include <string>

// Returns the process's exit code: 0 after the rename notice or a finished
// run. (An I/O failure ends the process from inside with code 1.)
int LauncherMain(const std::string& executablePath);
