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

std::string FileNamePart(const std::string& path)
{
    const std::string::size_type separator = path.find_last_of("\\:");
    if (separator == std::string::npos)
        return path;
    return path.substr(separator + 1);
}

bool TicketIsUsable()
{
    return !Ticket.ProductCode.empty() && !Ticket.UserName.empty() && !Ticket.Password.empty() &&
           !Profile.DisplayName.empty();
}

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
