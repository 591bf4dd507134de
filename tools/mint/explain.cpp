#include "tools/mint/explain.h"

#include <algorithm>
#include <vector>

#include "core/service_catalogue.h"
#include "core/ticket_validation.h"
#include "tools/mint/cp1251.h"
#include "tools/mint/launcher_view.h"

namespace {

const char* const FieldNames[] = {"product code", "user name", "password"};

std::string Quoted(const std::string& ansi)
{
    return "\"" + Cp1251ToUtf8(ansi) + "\"";
}

void PrintLine(std::ostream& out, const std::string& label, const std::string& value)
{
    std::string padded = label + ":";
    padded.resize(std::max<std::size_t>(padded.size() + 1, 15), ' ');
    out << padded << value << '\n';
}

std::string FileNameOf(const std::string& nameOrPath)
{
    return FileNamePart(nameOrPath.substr(nameOrPath.find_last_of('/') + 1));
}

// What follows the third "$"; the launcher ignores it.
bool FindIgnoredRest(const std::string& ansi, std::string& rest)
{
    std::string::size_type pos = 0;
    for (int i = 0; i < 3; ++i) {
        pos = ansi.find('$', pos);
        if (pos == std::string::npos)
            return false;
        ++pos;
    }
    rest = ansi.substr(pos);
    return true;
}

void PrintFields(std::ostream& out, const std::string& ansi, const LaunchTicket& parsed)
{
    PrintLine(out, "Product code", Quoted(parsed.ProductCode));
    PrintLine(out, "User name", Quoted(parsed.UserName));
    PrintLine(out, "Password", Quoted(parsed.Password));
    std::string rest;
    if (FindIgnoredRest(ansi, rest))
        PrintLine(out, "Ignored", Quoted(rest) + " (after the third \"$\")");
}

void PrintProfile(std::ostream& out, const LauncherView& view)
{
    const ConnectionProfile& profile = view.Profile;
    PrintLine(out, "Catalogue row", std::to_string(view.Row) + " (" + CatalogueRows()[view.Row - 1].ProductCode + ")");
    PrintLine(out, "Display name", Quoted(profile.DisplayName) + ", the connection file " +
                                       Quoted(profile.DisplayName + ".rdp") + " on the desktop");
    PrintLine(out, "Host", profile.HostName);
    PrintLine(out, "Port", profile.Port);
    PrintLine(out, "Alias", Quoted(profile.AppAlias));
    const ConnectionProfile& companion = CompanionProfile();
    PrintLine(out, "Companion",
              view.CompanionWanted ? "yes: when the client has closed, " + Quoted(companion.DisplayName + ".rdp") +
                                         " follows (alias " + Quoted(companion.AppAlias) + ", host " +
                                         companion.HostName + ", port " + companion.Port + ")"
                                   : "no");
}

// Why one field came out empty, from how many "$" the name holds.
std::string EmptyFieldReason(int field, int dollars)
{
    const std::string name = FieldNames[field];
    if (dollars == 0)
        return "the name holds no \"$\", so all three fields are empty";
    if (dollars <= field) {
        return "the " + name + " is empty: no \"$\" closes it (the name holds only " + std::to_string(dollars) +
               " \"$\"" + (field == 2 ? "; the third \"$\" belongs after the password, before \".exe\")" : ")");
    }
    if (field == 0)
        return "the product code is empty: the name begins with \"$\"";
    return "the " + name + " is empty: two \"$\" follow each other";
}

std::vector<std::string> RenameNoticeReasons(const std::string& ansi, const LauncherView& view)
{
    const int dollars = static_cast<int>(std::count(ansi.begin(), ansi.end(), '$'));
    if (dollars == 0)
        return {EmptyFieldReason(0, 0)};
    std::vector<std::string> reasons;
    const LaunchTicket& parsed = view.Parsed;
    if (parsed.ProductCode.empty()) {
        reasons.push_back(EmptyFieldReason(0, dollars));
    } else if (view.Row == 0) {
        const std::string hint = NearMissHint(parsed.ProductCode);
        reasons.push_back("the product code " + Quoted(parsed.ProductCode) + " is not in the catalogue; " +
                          (hint.empty() ? "launcher-mint --catalogue lists the codes" : hint));
    }
    const std::string* const credentials[] = {&parsed.UserName, &parsed.Password};
    for (int field = 1; field <= 2; ++field) {
        const std::string& value = *credentials[field - 1];
        if (value.empty())
            reasons.push_back(EmptyFieldReason(field, dollars));
        else if (value.find('?') != std::string::npos)
            reasons.push_back("the " + std::string(FieldNames[field]) +
                              " holds \"?\": a character code page 1251 lacks, which would store a wrong credential");
    }
    return reasons;
}

void PrintSpaceNotes(std::ostream& out, const LaunchTicket& parsed)
{
    if (parsed.UserName.find(' ') != std::string::npos)
        PrintLine(out, "Note", "the user name holds a space; the launcher quotes it for cmdkey");
    if (parsed.Password.find(' ') != std::string::npos)
        PrintLine(out, "Note", "the password holds a space; the launcher quotes it for cmdkey");
}

void PrintVerdict(std::ostream& out, const std::string& ansi, const LauncherView& view)
{
    if (view.Usable) {
        PrintLine(out, "Result", "the launcher stores the credential for termsrv/" + view.Profile.HostName +
                                     ", writes " + Quoted(view.Profile.DisplayName + ".rdp") +
                                     " to the desktop and starts mstsc on it");
        PrintSpaceNotes(out, view.Parsed);
        return;
    }
    PrintLine(out, "Result", "the launcher shows the rename notice and exits with code 0; nothing else happens");
    for (const std::string& reason : RenameNoticeReasons(ansi, view))
        PrintLine(out, "Why", reason);
}

}  // namespace

int ExplainCopyName(const std::string& nameOrPath, std::ostream& out, Messages& messages)
{
    const std::string fileName = FileNameOf(nameOrPath);
    // The launcher's name arrives through the ANSI calls, where a character
    // code page 1251 lacks becomes "?" (never a look-alike letter), and it
    // refuses any field that holds "?"; so the launcher view gets the same.
    ConversionProblem problem;
    const std::string ansi = Utf8ToCp1251(fileName, problem);
    if (problem.InvalidUtf8) {
        messages.Say("the name is not UTF-8 text");
        return 2;
    }
    PrintLine(out, "File name", "\"" + fileName + "\"");
    if (problem.Found) {
        PrintLine(out, "Note", "\"" + problem.Character + "\" (" + UnicodeName(problem.CodePoint) +
                                   ") and any other character code page 1251 lacks reach the launcher as \"?\"");
    }
    const LauncherView view = ReadAsLauncher(ansi);
    PrintFields(out, ansi, view.Parsed);
    if (view.Row != 0)
        PrintProfile(out, view);
    PrintVerdict(out, ansi, view);
    return view.Usable ? 0 : 1;
}

void PrintCatalogue(std::ostream& out)
{
    for (int i = 0; i < CatalogueRowCount(); ++i) {
        const CatalogueRow& row = CatalogueRows()[i];
        out << i + 1 << '\t' << row.ProductCode << '\t' << Cp1251ToUtf8(row.Profile.DisplayName) << '\t'
            << Cp1251ToUtf8(row.Profile.AppAlias) << '\t' << row.Profile.HostName << '\t' << row.Profile.Port
            << '\t' << (row.CompanionWanted ? "companion" : "-") << '\n';
    }
}
