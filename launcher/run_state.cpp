#include "launcher/run_state.h"

LaunchTicket Ticket;
ConnectionProfile Profile;
bool CompanionWanted = false;
bool ManualCredentials = false;

void ResetRunState()
{
    Ticket = LaunchTicket{};
    Profile = ConnectionProfile{};
    CompanionWanted = false;
    ManualCredentials = false;
}
