// Checks every roster row before anything is written, and names the copies.
#pragma once

#include <string>
#include <vector>

#include "tools/mint/file_name.h"
#include "tools/mint/roster.h"

// One launcher copy to write.
struct PlannedCopy {
    int Line = 0;
    std::string Name;      // UTF-8, for the file system
    std::string AnsiName;  // code page 1251, as the launcher reads it
};

struct RosterCheck {
    std::vector<PlannedCopy> Copies;  // complete only when there is no error
    std::vector<Diagnostic> Diagnostics;

    bool HasErrors() const;
};

// Product code, "$", user, "$", password, "$", copy suffix, ".exe": the
// launcher ignores everything after the third "$".
std::string CopyName(const std::string& product, const std::string& user, const std::string& password,
                     const std::string& copy);

// maxNameLength: the longest file name (in characters) that still reaches the
// launcher whole from an ordinary user folder. nameLimit: what the output
// folder's file system can store.
RosterCheck CheckRoster(const std::string& csvText, int maxNameLength, const NameLimit& nameLimit = NameLimit());
