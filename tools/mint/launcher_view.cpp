#include "tools/mint/launcher_view.h"

#include <vector>

#include "core/ticket_validation.h"
#include "tools/mint/cp1251.h"

namespace {

// Cyrillic letters (code page 1251) that a keyboard layout switch slips into
// a Latin code, and the Latin letters they look like.
const std::string CyrillicLookAlikes = "\xC0\xC2\xC5\xCA\xCC\xCD\xCE\xD0\xD1\xD2\xD5\xE0\xE5\xEE\xF0\xF1\xF3\xF5";
const std::string LatinLetters = "ABEKMHOPCTXaeopcyx";

std::string Trimmed(const std::string& text)
{
    const std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string WithLatinLookAlikes(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        const std::string::size_type i = CyrillicLookAlikes.find(c);
        if (i != std::string::npos)
            c = LatinLetters[i];
    }
    return out;
}

std::string Normalized(const std::string& code)
{
    return Cp1251Lower(WithLatinLookAlikes(Trimmed(code)));
}

// "a", "a and b", "a, b and c".
std::string Joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return out;
}

std::string Differences(const std::string& code, const std::string& catalogueCode)
{
    std::vector<std::string> differences;
    const std::string trimmed = Trimmed(code);
    if (trimmed != code)
        differences.push_back("surrounding spaces");
    const std::string latin = WithLatinLookAlikes(trimmed);
    if (latin != trimmed)
        differences.push_back("Cyrillic letters that look like Latin ones");
    if (latin != catalogueCode)
        differences.push_back("letter case");
    return Joined(differences);
}

// Counted from 1, as the catalogue lists its rows; 0 for none.
int RowNumber(const CatalogueRow* row)
{
    return row ? static_cast<int>(row - CatalogueRows()) + 1 : 0;
}

}  // namespace

int CatalogueRowNumber(const std::string& productCode)
{
    return RowNumber(FindCatalogueRow(productCode));
}

std::string NearMissHint(const std::string& productCode)
{
    for (int i = 0; i < CatalogueRowCount(); ++i) {
        const std::string catalogueCode = CatalogueRows()[i].ProductCode;
        if (catalogueCode != productCode && Normalized(productCode) == Normalized(catalogueCode))
            return "did you mean \"" + catalogueCode + "\"? It differs in " + Differences(productCode, catalogueCode);
    }
    return std::string();
}

LauncherView ReadAsLauncher(const std::string& fileName)
{
    LauncherView view;
    view.Parsed = ParseLaunchTicket(fileName);
    const CatalogueRow* const row = FindCatalogueRow(view.Parsed.ProductCode);
    if (row) {
        view.Profile = row->Profile;
        view.CompanionWanted = row->CompanionWanted;
    }
    view.Row = RowNumber(row);
    view.Usable = TicketIsUsable(view.Parsed, row);
    return view;
}
