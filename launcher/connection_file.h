// Writing the Remote Desktop connection file (".rdp") to the desktop.
#pragma once

#include <string>

#include "core/service_catalogue.h"

// Writes the profile's file into the desktop folder, replacing one of the
// same name. Any failure ends the run through the fatal-error report (exit
// code 1), and a file left half written is removed first. An empty desktop
// (the shell could not tell) fails the same way, before anything is touched.
void WriteConnectionFile(const std::string& desktop, const ConnectionProfile& profile);
