// Whether a launch ticket is usable: the checks the launcher makes before it
// touches anything. Kept apart from the entry so the administrator's tool can
// give the very same verdict.
#pragma once

#include <string>

// The file-name part of a path: what follows the last "\" or ":".
std::string FileNamePart(const std::string& path);

// All four fields the run needs are present (the code slot holds the alias
// once the catalogue has matched).
bool TicketIsUsable();
