// The one way the launcher starts programs: through the shell, hidden, and
// waited for until they end.
#pragma once

#include <string>

// program is a bare name ("mstsc", "cmdkey") found by the shell's search.
// Neither a failed start nor the program's exit code is reported.
void RunHiddenAndWait(const std::string& program, const std::string& parameters);
