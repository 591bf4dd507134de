// The Remote Desktop connection file (".rdp") on the user's desktop.
#pragma once

#include <string>

#include "launcher/run_state.h"

// The desktop folder as the shell reports it; empty when it cannot be had.
std::string GetDesktopFolder();

// The current profile's file in the given folder: folder, "\", display name
// and ".rdp".
std::string ConnectionFilePath(const std::string& folder);

// The 56 lines for the profile, each ended by CR LF.
std::string ConnectionFileText(const ConnectionProfile& profile);

// Writes the file for the current profile, replacing one of the same name.
// Any failure ends the run through the fatal-error report, and a file left
// half written is removed first.
void WriteConnectionFile();
