#include "tools/mint/roster_check.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "tools/mint/cp1251.h"
#include "tools/mint/file_name.h"
#include "tools/mint/launcher_view.h"

namespace {

using Diagnostics = std::vector<Diagnostic>;

std::string ConversionMessage(const ConversionProblem& problem)
{
    if (problem.InvalidUtf8) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(problem.Character[0]));
        return std::string("is not UTF-8 text (byte ") + byte +
               "); save the roster as UTF-8, not in the Windows Cyrillic code page";
    }
    return "contains \"" + problem.Character + "\" (" + UnicodeName(problem.CodePoint) +
           "), which code page 1251 lacks; the launcher would read \"?\" in its place";
}

// Converts a field to code page 1251 and checks that it can stand in a file
// name; adds an error and returns false when it cannot.
bool ConvertField(const CsvField& field, const std::string& name, std::string& ansi, Diagnostics& diagnostics)
{
    ConversionProblem problem;
    ansi = Utf8ToCp1251(field.Text, problem);
    std::string message;
    if (problem.InvalidUtf8)
        message = ConversionMessage(problem);
    else
        message = FieldCharacterProblem(field.Text);
    if (message.empty() && problem.Found)
        message = ConversionMessage(problem);
    if (message.empty())
        return true;
    AddError(diagnostics, field.Line, name, message);
    return false;
}

bool CheckProduct(const CsvField& field, std::string& ansi, Diagnostics& diagnostics)
{
    if (!ConvertField(field, "product", ansi, diagnostics))
        return false;
    if (ansi.empty()) {
        AddError(diagnostics, field.Line, "product", "is empty");
        return false;
    }
    if (CatalogueRowNumber(ansi) != 0)
        return true;
    const std::string hint = NearMissHint(ansi);
    AddError(diagnostics, field.Line, "product",
             "unknown product code \"" + field.Text + "\"; " +
                 (hint.empty() ? "launcher-mint --catalogue lists the codes" : hint));
    return false;
}

// Spaces are legal, and the launcher quotes such values for cmdkey, but they
// are easy to add by mistake and hard to see.
void WarnAboutSpaces(const CsvField& field, const std::string& name, const std::string& ansi,
                     Diagnostics& diagnostics)
{
    if (ansi.front() == ' ')
        AddWarning(diagnostics, field.Line, name, "begins with a space; check that it is meant");
    else if (ansi.back() == ' ')
        AddWarning(diagnostics, field.Line, name, "ends with a space; check that it is meant");
    else if (ansi.find(' ') != std::string::npos)
        AddWarning(diagnostics, field.Line, name,
                   "contains a space; the launcher quotes it for cmdkey, but check that it is meant");
    if (ansi.find('\xA0') != std::string::npos)
        AddWarning(diagnostics, field.Line, name, "contains a no-break space (U+00A0), which only looks like a space");
}

bool CheckCredential(const CsvField& field, const std::string& name, std::string& ansi, Diagnostics& diagnostics)
{
    if (!ConvertField(field, name, ansi, diagnostics))
        return false;
    if (ansi.empty()) {
        AddError(diagnostics, field.Line, name, "is empty");
        return false;
    }
    WarnAboutSpaces(field, name, ansi, diagnostics);
    return true;
}

// The launcher itself must read the name back into exactly these fields and
// accept it; the checks above are meant to guarantee that.
bool LauncherAccepts(const std::string& name, const std::string& product, const std::string& user,
                     const std::string& password)
{
    const LauncherView view = ReadAsLauncher(name);
    return view.Usable && view.Parsed.ProductCode == product && view.Parsed.UserName == user &&
           view.Parsed.Password == password;
}

class RosterChecker {
public:
    RosterChecker(int maxNameLength, const NameLimit& nameLimit, RosterCheck& check)
        : maxNameLength_(maxNameLength), nameLimit_(nameLimit), check_(check)
    {
    }

    void CheckRow(const RosterRow& row)
    {
        std::string product, user, password, copy;
        Diagnostics& diagnostics = check_.Diagnostics;
        bool fieldsOk = CheckProduct(row.Product, product, diagnostics);
        fieldsOk = CheckCredential(row.User, "user", user, diagnostics) && fieldsOk;
        fieldsOk = CheckCredential(row.Password, "password", password, diagnostics) && fieldsOk;
        fieldsOk = ConvertField(row.Copy, "copy", copy, diagnostics) && fieldsOk;
        if (fieldsOk)
            CheckName(row.Line, CopyName(product, user, password, copy), product, user, password);
    }

private:
    void CheckName(int line, const std::string& ansiName, const std::string& product, const std::string& user,
                   const std::string& password)
    {
        std::string problem = FileNameProblem(ansiName, maxNameLength_);
        const std::string name = Cp1251ToUtf8(ansiName);
        if (problem.empty())
            problem = NameLimitProblem(name, nameLimit_);
        if (!problem.empty())
            return AddError(check_.Diagnostics, line, "file name", problem);
        if (!LauncherAccepts(ansiName, product, user, password))
            return AddError(check_.Diagnostics, line, "file name", "the launcher would not read these fields back");
        // Windows does not tell file names apart by letter case.
        const auto earlier = namesSeen_.emplace(Cp1251Lower(ansiName), check_.Copies.size());
        if (!earlier.second) {
            const PlannedCopy& first = check_.Copies[earlier.first->second];
            return AddError(check_.Diagnostics, line, "file name",
                            "line " + std::to_string(first.Line) + " makes a copy of the same name" +
                                (first.AnsiName == ansiName ? "" : " (Windows ignores letter case in file names)"));
        }
        check_.Copies.push_back(PlannedCopy{line, name, ansiName});
    }

    const int maxNameLength_;
    const NameLimit nameLimit_;
    RosterCheck& check_;
    std::map<std::string, std::size_t> namesSeen_;  // lower-case name to index in Copies
};

}  // namespace

bool RosterCheck::HasErrors() const
{
    return std::any_of(Diagnostics.begin(), Diagnostics.end(), [](const Diagnostic& d) { return d.IsError; });
}

std::string CopyName(const std::string& product, const std::string& user, const std::string& password,
                     const std::string& copy)
{
    return product + "$" + user + "$" + password + "$" + copy + ".exe";
}

RosterCheck CheckRoster(const std::string& csvText, int maxNameLength, const NameLimit& nameLimit)
{
    RosterCheck check;
    const std::vector<RosterRow> rows = ReadRosterRows(csvText, check.Diagnostics);
    RosterChecker checker(maxNameLength, nameLimit, check);
    for (const RosterRow& row : rows)
        checker.CheckRow(row);
    return check;
}
