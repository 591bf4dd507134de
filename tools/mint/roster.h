// The roster: one row per launcher copy to make, as a UTF-8 CSV file with the
// columns product, user, password and optionally copy.
#pragma once

#include <string>
#include <vector>

#include "tools/mint/csv.h"

struct Diagnostic {
    bool IsError = true;  // false: a warning, which does not stop the minting
    int Line = 0;         // roster line, counted from 1
    std::string Field;    // a column name, or "roster", "header", "row", "file name"
    std::string Message;  // UTF-8
};

struct RosterRow {
    int Line = 0;
    CsvField Product;
    CsvField User;
    CsvField Password;
    CsvField Copy;  // empty when the roster has no such column
};

// The rows below the header, without blank lines. Problems of the file's
// shape (CSV syntax, header, number of fields) are added to diagnostics.
std::vector<RosterRow> ReadRosterRows(const std::string& csvText, std::vector<Diagnostic>& diagnostics);

void AddError(std::vector<Diagnostic>& diagnostics, int line, const std::string& field, const std::string& message);
void AddWarning(std::vector<Diagnostic>& diagnostics, int line, const std::string& field, const std::string& message);

// "users.csv:3: error: product: ..." — one line, without a line break.
std::string FormatDiagnostic(const std::string& rosterName, const Diagnostic& diagnostic);
