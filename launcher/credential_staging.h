// Makes the ticket's credentials available to the Remote Desktop client.
#pragma once

#include <string>

#include "core/launch_ticket.h"

// Windows 6 and later: stores a generic credential for the host with cmdkey.
// Older Windows (or a version that could not be read, 0): shows user name and
// password for manual entry instead.
void StageCredentials(const LaunchTicket& ticket, const std::string& hostName, int windowsMajorVersion);
