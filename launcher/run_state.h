// The launcher's run state: one instance for the process, shared by every
// step of the run.
#pragma once

#include <string>

struct LaunchTicket {
    // Holds the product code until the catalogue lookup, then the profile's
    // application alias.
    std::string ProductCode;
    std::string UserName;
    std::string Password;
};

struct ConnectionProfile {
    std::string DisplayName;
    std::string AppAlias;
    std::string HostName;
    std::string Port;
};

extern LaunchTicket Ticket;
extern ConnectionProfile Profile;
extern bool CompanionWanted;
extern bool ManualCredentials;

// Back to the empty state of a fresh start; for tests and the fuzzer, which
// run many launches in one process.
void ResetRunState();
