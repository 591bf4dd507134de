// Whether a launch ticket is usable: the checks the launcher makes before it
// touches anything. The administrator's tool asks the same question, so both
// give the very same verdict.
#pragma once

#include "core/launch_ticket.h"
#include "core/service_catalogue.h"

// The product is in the catalogue (row is what FindCatalogueRow returned for
// it), user name and password are there, and no field holds a "?": that is
// what Windows makes of a character the ANSI code page lacks, so such a field
// is not what the name says and would store a wrong credential.
bool TicketIsUsable(const LaunchTicket& ticket, const CatalogueRow* row);
