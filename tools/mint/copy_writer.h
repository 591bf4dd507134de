// Writes the launcher copies all or nothing: every copy is first written into
// a staging folder inside the output folder, and only then renamed into place.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/mint/roster_check.h"

// Renames a file; throws std::filesystem::filesystem_error on failure.
using RenameFile = std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)>;

struct CopyRequest {
    std::string LauncherBytes;
    std::vector<PlannedCopy> Copies;
    std::filesystem::path OutDir;  // created when missing
    bool Force = false;            // replace copies that exist already
};

// When anything fails, returns false with one line per error and leaves the
// output folder as it was (or absent, if it was). A copy that exists already
// is an error unless request.Force is set.
bool WriteCopies(const CopyRequest& request, std::vector<std::string>& errors,
                 const RenameFile& rename = [](const std::filesystem::path& from, const std::filesystem::path& to) {
                     std::filesystem::rename(from, to);
                 });

// The staging folders start with this; one left behind by a crash may go.
extern const char* const StagingFolderPrefix;
