#include "tools/mint/roster.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

const char* const ColumnNames[] = {"product", "user", "password", "copy"};
const int ColumnCount = 4;
const int RequiredColumnCount = 3;  // copy may be left out

// Where each column sits in the roster's records; -1 when absent.
struct ColumnLayout {
    int Index[ColumnCount] = {-1, -1, -1, -1};
    int FieldCount = 0;
};

std::string HeaderName(const std::string& text)
{
    std::string name = text;
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

int ColumnOf(const std::string& name)
{
    for (int i = 0; i < ColumnCount; ++i) {
        if (name == ColumnNames[i])
            return i;
    }
    return -1;
}

std::string UnknownColumnMessage(const std::string& text)
{
    std::string message = "unknown column \"" + text + "\"; the columns are product, user, password and optionally copy";
    if (text.find(';') != std::string::npos)
        message += ", separated by commas, not semicolons";
    return message;
}

ColumnLayout ReadHeader(const CsvRecord& header, std::vector<Diagnostic>& diagnostics)
{
    ColumnLayout layout;
    layout.FieldCount = static_cast<int>(header.Fields.size());
    for (int i = 0; i < layout.FieldCount; ++i) {
        const std::string& text = header.Fields[i].Text;
        const int column = ColumnOf(HeaderName(text));
        if (column < 0)
            AddError(diagnostics, header.Line, "header", UnknownColumnMessage(text));
        else if (layout.Index[column] >= 0)
            AddError(diagnostics, header.Line, "header", "column \"" + HeaderName(text) + "\" appears twice");
        else
            layout.Index[column] = i;
    }
    for (int column = 0; column < RequiredColumnCount; ++column) {
        if (layout.Index[column] < 0)
            AddError(diagnostics, header.Line, "header", std::string("missing column \"") + ColumnNames[column] + "\"");
    }
    return layout;
}

bool IsBlank(const CsvRecord& record)
{
    return std::all_of(record.Fields.begin(), record.Fields.end(),
                       [](const CsvField& field) { return field.Text.empty(); });
}

CsvField FieldOf(const CsvRecord& record, const ColumnLayout& layout, int column)
{
    const int index = layout.Index[column];
    if (index < 0)
        return CsvField{std::string(), record.Line};
    return record.Fields[index];
}

void AddRow(const CsvRecord& record, const ColumnLayout& layout, std::vector<RosterRow>& rows,
            std::vector<Diagnostic>& diagnostics)
{
    if (IsBlank(record))
        return;
    const int fieldCount = static_cast<int>(record.Fields.size());
    if (fieldCount != layout.FieldCount) {
        AddError(diagnostics, record.Line, "row",
                 "has " + std::to_string(fieldCount) + " fields, but the header has " +
                     std::to_string(layout.FieldCount));
        return;
    }
    rows.push_back(RosterRow{record.Line, FieldOf(record, layout, 0), FieldOf(record, layout, 1),
                             FieldOf(record, layout, 2), FieldOf(record, layout, 3)});
}

// The name of the column a syntax error sits in, as the header gives it.
std::string FieldOfSyntaxError(const CsvSyntaxError& error, const std::vector<CsvRecord>& records,
                               const ColumnLayout& layout)
{
    if (records.empty())
        return "header";
    for (int column = 0; column < ColumnCount; ++column) {
        if (layout.Index[column] == error.Column)
            return ColumnNames[column];
    }
    return "row";
}

// Notepad's and Excel's "Unicode" save: a UTF-16 byte-order mark, or, without
// one, ASCII text whose every other byte is NUL.
bool LooksLikeUtf16(const std::string& text)
{
    if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0)
        return true;
    return text.size() >= 2 && (text[0] == '\0') != (text[1] == '\0');
}

}  // namespace

void AddError(std::vector<Diagnostic>& diagnostics, int line, const std::string& field, const std::string& message)
{
    diagnostics.push_back(Diagnostic{true, line, field, message});
}

void AddWarning(std::vector<Diagnostic>& diagnostics, int line, const std::string& field, const std::string& message)
{
    diagnostics.push_back(Diagnostic{false, line, field, message});
}

std::vector<RosterRow> ReadRosterRows(const std::string& csvText, std::vector<Diagnostic>& diagnostics)
{
    // Read as UTF-8, such a file would only give errors full of NUL bytes.
    if (LooksLikeUtf16(csvText)) {
        AddError(diagnostics, 1, "roster", "saved as UTF-16; save as CSV UTF-8");
        return {};
    }
    CsvSyntaxError syntaxError;
    const std::vector<CsvRecord> records = ParseCsv(csvText, syntaxError);
    std::vector<RosterRow> rows;
    ColumnLayout layout;
    bool headerUsable = false;
    if (!records.empty()) {
        const std::size_t before = diagnostics.size();
        layout = ReadHeader(records.front(), diagnostics);
        headerUsable = diagnostics.size() == before;
    }
    // Without a usable header every row would only repeat its fault.
    for (std::size_t i = 1; headerUsable && i < records.size(); ++i)
        AddRow(records[i], layout, rows, diagnostics);
    if (syntaxError.Found)
        AddError(diagnostics, syntaxError.Line, FieldOfSyntaxError(syntaxError, records, layout), syntaxError.Message);
    else if (records.empty())
        AddError(diagnostics, 1, "header", "the roster is empty; its first line must be product,user,password");
    else if (rows.empty() && diagnostics.empty())
        AddError(diagnostics, records.front().Line, "header", "the roster has no rows below the header");
    return rows;
}

std::string FormatDiagnostic(const std::string& rosterName, const Diagnostic& diagnostic)
{
    return rosterName + ":" + std::to_string(diagnostic.Line) + ": " + (diagnostic.IsError ? "error" : "warning") +
           ": " + diagnostic.Field + ": " + diagnostic.Message;
}
