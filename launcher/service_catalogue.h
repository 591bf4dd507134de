// The built-in catalogue of hosted products the launcher can open.
#pragma once

#include <string>

#include "launcher/run_state.h"

struct CatalogueRow {
    const char* ProductCode;
    ConnectionProfile Profile;
    bool Companion;
};

// The rows in the order they are consulted.
const CatalogueRow* CatalogueRows();
int CatalogueRowCount();

// The second connection file written for the one product that asks for it.
const ConnectionProfile& CompanionProfile();

// Fills Profile (and CompanionWanted) from the first row whose code equals
// productCode byte for byte; an unknown code leaves the run state as it was.
void ResolveProfile(const std::string& productCode);
