// The run for a usable ticket: credentials, connection file, the Remote
// Desktop client, and the companion file for the product that wants one.
#pragma once

#include "core/launch_ticket.h"
#include "core/service_catalogue.h"

// Returns the exit code of a finished run (0) once the client has closed.
int LaunchSession(const LaunchTicket& ticket, const CatalogueRow& row);
