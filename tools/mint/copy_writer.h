// Writes the launcher copies all or nothing: every copy is first written into
// a staging folder inside the output folder, and only then renamed into place.
// The staging folder never outlives the run, unless the run is killed outright;
// the next run into the same folder then removes it first.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/mint/messages.h"
#include "tools/mint/roster_check.h"

// The renames and deletions that put copies in place and take them back; the
// tests make them fail. Each throws std::filesystem::filesystem_error.
struct FileOperations {
    std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)> Rename;
    std::function<void(const std::filesystem::path& file)> Remove;
};

FileOperations RealFileOperations();

struct CopyRequest {
    std::string LauncherBytes;
    std::vector<PlannedCopy> Copies;
    std::filesystem::path OutDir;  // made when missing
    bool Force = false;            // replace copies that exist already
    // Asked before each step: non-zero is the signal that asks the run to stop.
    std::function<int()> StopSignal = [] { return 0; };
};

struct WriteResult {
    bool Complete = false;       // every copy in place and nothing else left
    bool FolderAsBefore = true;  // when not complete: everything was undone
    int StopSignal = 0;          // the signal that stopped the run, if one did
};

// Says every problem, and everything it could not undo, through messages. A
// copy that exists already is an error unless request.Force is set; one that
// differs from a planned copy only in letter case is an error even then.
WriteResult WriteCopies(const CopyRequest& request, Messages& messages,
                        const FileOperations& operations = RealFileOperations());

// The staging folders are named this and a number.
extern const char* const StagingFolderPrefix;
