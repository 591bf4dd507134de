#include "core/launch_ticket.h"

namespace {

// Takes the text before the next "$" and consumes it with the "$". Without a
// "$" the field is empty and nothing is consumed, so every later field is
// empty too: each field must be closed by its own "$".
std::string TakeField(std::string& rest)
{
    const std::string::size_type dollar = rest.find('$');
    if (dollar == std::string::npos)
        return std::string();
    std::string field = rest.substr(0, dollar);
    rest.erase(0, dollar + 1);
    return field;
}

}  // namespace

LaunchTicket ParseLaunchTicket(const std::string& fileName)
{
    std::string rest = fileName;
    LaunchTicket ticket;
    ticket.ProductCode = TakeField(rest);
    ticket.UserName = TakeField(rest);
    ticket.Password = TakeField(rest);
    return ticket;
}

std::string FileNamePart(const std::string& path)
{
    const std::string::size_type separator = path.find_last_of("\\:");
    if (separator == std::string::npos)
        return path;
    return path.substr(separator + 1);
}
