// The parameters the launcher hands to cmdkey to replace the stored
// credential for a Remote Desktop server.
#pragma once

#include <string>

// Removes what an earlier run stored for the host.
std::string CmdkeyDeleteParameters(const std::string& hostName);

// Stores the user name and password as a generic credential for the host.
std::string CmdkeyStoreParameters(const std::string& hostName, const std::string& userName,
                                  const std::string& password);

// A cmdkey argument value: as it is, or in double quotes when it holds a
// space, so it stays one argument.
std::string CmdkeyValue(const std::string& value);
