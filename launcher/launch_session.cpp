#include "launcher/launch_session.h"

#include "core/connection_file_text.h"
#include "launcher/connection_file.h"
#include "launcher/credential_staging.h"
#include "platform/platform.h"

int LaunchSession(const LaunchTicket& ticket, const CatalogueRow& row)
{
    StageCredentials(ticket, row.Profile.HostName, platform::WindowsMajorVersion());
    const std::string desktop = platform::DesktopFolder();
    WriteConnectionFile(desktop, row.Profile);
    // Quoted, so a desktop path with spaces reaches the client as one argument.
    platform::RunHiddenAndWait("mstsc", "\"" + ConnectionFilePath(desktop, row.Profile) + "\"");
    if (row.CompanionWanted) {
        // Only written once the session is over; the user opens it when needed.
        WriteConnectionFile(desktop, CompanionProfile());
    }
    return 0;
}
