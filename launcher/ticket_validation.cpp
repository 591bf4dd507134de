#include "launcher/ticket_validation.h"

#include "launcher/run_state.h"

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
