// The program's entry: reads the ticket from the executable's own name and
// either launches the session or asks the user not to rename the file.
#pragma once

#include <string>

// The file-name part of a path: what follows the last "\" or ":".
std::string FileNamePart(const std::string& path);

// All four fields the run needs are present (the code slot holds the alias
// once the catalogue has matched).
bool TicketIsUsable();

// Ends the process; never returns.
[[noreturn]] void LauncherMain();
