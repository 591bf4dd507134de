#include "launcher/launch_session.h"

#include "launcher/run_state.h"
#include "launcher/service_catalogue.h"
#include "platform/platform.h"
#include "session/connection_file.h"
#include "session/credential_staging.h"
#include "session/hidden_process_runner.h"

void LaunchSession()
{
    StageCredentials();
    WriteConnectionFile();
    // Quoted, so a desktop path with spaces reaches the client as one argument.
    RunHiddenAndWait("mstsc", "\"" + ConnectionFilePath(GetDesktopFolder()) + "\"");
    if (CompanionWanted) {
        // Only written once the session is over; the user opens it when needed.
        Profile = CompanionProfile();
        WriteConnectionFile();
    }
    platform::ExitProcessWith(0);
}
