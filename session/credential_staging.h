// Makes the ticket's credentials available to the Remote Desktop client.
#pragma once

#include <string>

// Windows 6 and later: stores a generic credential for the profile's host
// with cmdkey. Older Windows: shows user name and password for manual entry.
void StageCredentials();

// A cmdkey argument value: as it is, or in double quotes when it holds a
// space, so it stays one argument.
std::string CmdkeyValue(const std::string& value);
