#include "core/ticket_validation.h"

namespace {

bool FieldIsUsable(const std::string& field)
{
    return !field.empty() && field.find('?') == std::string::npos;
}

}  // namespace

bool TicketIsUsable(const LaunchTicket& ticket, const CatalogueRow* row)
{
    // The product code needs no "?" test: no catalogue code holds one.
    return row != nullptr && FieldIsUsable(ticket.UserName) && FieldIsUsable(ticket.Password);
}
