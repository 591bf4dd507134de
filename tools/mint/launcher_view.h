// A copy's name seen as the launcher sees it, through the launcher's own
// parser, catalogue and validation; and, where the catalogue has no row for
// a code, which code was probably meant.
#pragma once

#include <string>

#include "core/launch_ticket.h"
#include "core/service_catalogue.h"

struct LauncherView {
    LaunchTicket Parsed;        // the fields as the name carries them
    ConnectionProfile Profile;  // empty unless a catalogue row matched
    bool CompanionWanted = false;
    bool Usable = false;        // false: the launcher shows the rename notice
    int Row = 0;                // catalogue row, counted from 1; 0 for none
};

// What the launcher makes of a file name (code page 1251, without folder).
LauncherView ReadAsLauncher(const std::string& fileName);

// The row the launcher selects for this code (the first with exactly these
// bytes), counted from 1; 0 when no row has it.
int CatalogueRowNumber(const std::string& productCode);

// For a code the catalogue lacks (code page 1251 text): the catalogue code it
// differs from only in letter case, surrounding spaces or Cyrillic letters
// that look like Latin ones, and how; empty when there is no such code.
std::string NearMissHint(const std::string& productCode);
