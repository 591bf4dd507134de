// Comma-separated values as spreadsheets write them: quoted fields may hold
// commas, doubled quotes and line breaks; records end in CR LF or LF.
#pragma once

#include <string>
#include <vector>

struct CsvField {
    std::string Text;
    int Line = 0;  // where the field starts, counted from 1
};

struct CsvRecord {
    std::vector<CsvField> Fields;
    int Line = 0;
};

struct CsvSyntaxError {
    bool Found = false;
    int Line = 0;
    int Column = 0;  // 0-based index of the field in its record
    std::string Message;
};

// A leading UTF-8 byte-order mark is skipped. A final line break adds no
// empty record. On a syntax error the records read so far are returned.
std::vector<CsvRecord> ParseCsv(const std::string& text, CsvSyntaxError& error);
