#include "launcher/launcher_main.h"

#include "launcher/launch_session.h"
#include "launcher/launch_ticket.h"
#include "launcher/notice.h"
#include "launcher/run_state.h"
#include "launcher/service_catalogue.h"
#include "platform/platform.h"

namespace {

// The line break is LF then CR, as the notice has always been shown.
const char* const RenameNotice = "Пожалуйста не переименовывайте файл!\n\rСкачайте файл заново.";

}  // namespace

void LauncherMain()
{
    Ticket = ParseLaunchTicket(FileNamePart(platform::ExecutablePath()));
    ResolveProfile(Ticket.ProductCode);
    if (!TicketIsUsable()) {
        ShowNotice(RenameNotice);
        platform::ExitProcessWith(0);
    }
    LaunchSession();
}
