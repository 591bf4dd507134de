// The built-in catalogue of hosted products the launcher can open.
#pragma once

#include <string>

struct ConnectionProfile {
    std::string DisplayName;
    std::string AppAlias;
    std::string HostName;
    std::string Port;
};

struct CatalogueRow {
    const char* ProductCode;
    ConnectionProfile Profile;
    bool CompanionWanted;
};

// The rows in the order they are consulted.
const CatalogueRow* CatalogueRows();
int CatalogueRowCount();

// The first row whose code equals productCode byte for byte (no trimming, no
// case folding); null when there is none.
const CatalogueRow* FindCatalogueRow(const std::string& productCode);

// The second connection file written for the one product that asks for it.
const ConnectionProfile& CompanionProfile();
