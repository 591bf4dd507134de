// The launch ticket travels in the executable's file name:
// product code "$" user name "$" password "$" anything (usually ".exe").
#pragma once

#include <string>

struct LaunchTicket {
    std::string ProductCode;
    std::string UserName;
    std::string Password;
};

// Never fails: a field the name does not carry comes back empty.
LaunchTicket ParseLaunchTicket(const std::string& fileName);

// The file-name part of a path: what follows the last "\" or ":".
std::string FileNamePart(const std::string& path);
