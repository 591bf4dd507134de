// What a Remote Desktop connection file (".rdp") for a profile holds, and
// where it goes.
#pragma once

#include <string>

#include "core/service_catalogue.h"

// The profile's file in the given folder: folder, "\", display name and ".rdp".
std::string ConnectionFilePath(const std::string& folder, const ConnectionProfile& profile);

// The 56 lines for the profile, each ended by CR LF.
std::string ConnectionFileText(const ConnectionProfile& profile);
