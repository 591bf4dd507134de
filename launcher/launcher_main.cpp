#include "launcher/launcher_main.h"

#include "core/launch_ticket.h"
#include "core/service_catalogue.h"
#include "core/ticket_validation.h"
#include "launcher/launch_session.h"
#include "launcher/notice.h"

namespace {

// The line break is LF then CR, as the notice has always been shown.
const char* const RenameNotice = "Пожалуйста не переименовывайте файл!\n\rСкачайте файл заново.";

}  // namespace

int LauncherMain(const std::string& executablePath)
{
    const LaunchTicket ticket = ParseLaunchTicket(FileNamePart(executablePath));
    const CatalogueRow* const row = FindCatalogueRow(ticket.ProductCode);
    if (!TicketIsUsable(ticket, row)) {
        ShowNotice(RenameNotice);
        return 0;
    }
    return LaunchSession(ticket, *row);
}
