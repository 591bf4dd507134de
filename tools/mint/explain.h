// Tells an administrator what the launcher does with a copy of a given name,
// and what the catalogue holds.
#pragma once

#include <ostream>
#include <string>

#include "tools/mint/messages.h"

// nameOrPath is UTF-8; only its file-name part counts: what follows the last
// "\" or ":" (as the launcher takes it) or "/" (which no Windows file name
// holds, so a path written with "/" works too). Prints the fields, the
// catalogue row and profile, and either how the run goes on or every reason
// for the rename notice. Returns the exit code: 0 when the launcher would
// start the session, 1 when it would show the rename notice, 2 when the name
// is not UTF-8 text.
int ExplainCopyName(const std::string& nameOrPath, std::ostream& out, Messages& messages);

// One line per catalogue row, in the order the launcher consults them.
void PrintCatalogue(std::ostream& out);
