#include "tools/mint/mint_cli.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/mint/copy_writer.h"
#include "tools/mint/explain.h"
#include "tools/mint/roster_check.h"

namespace fs = std::filesystem;

namespace {

const char* const Usage =
    "Usage:\n"
    "  launcher-mint --launcher EXE --roster CSV --out DIR [--force] [--max-name N]\n"
    "  launcher-mint --explain NAME\n"
    "  launcher-mint --catalogue\n"
    "  launcher-mint --help\n";

std::string Help()
{
    return "\n"
           "Makes one copy of the launcher per roster row, named\n"
           "  product$user$password$copy.exe\n"
           "which the launcher reads as its product, user name and password.\n"
           "\n"
           "  --launcher EXE   the launcher to copy; every copy has exactly its bytes\n"
           "  --roster CSV     UTF-8 CSV file with the header product,user,password and\n"
           "                   optionally a fourth column copy: text that goes after the\n"
           "                   third \"$\", which the launcher ignores, such as \" (2)\"\n"
           "  --out DIR        folder for the copies; made when missing\n"
           "  --force          replace copies of the same names in DIR\n"
           "  --max-name N     the longest file name allowed, in characters (default " +
           std::to_string(DefaultMaxNameLength) +
           ",\n"
           "                   at most 255); a copy must reach the launcher whole from a\n"
           "                   folder such as C:\\Users\\<20 characters>\\OneDrive\\Desktop\\\n"
           "  --explain NAME   what the launcher does with a copy of this name; NAME may\n"
           "                   be a path: as for the launcher, only what follows the last\n"
           "                   \"\\\" or \":\" counts, and for convenience also \"/\"\n"
           "  --catalogue      the catalogue: row, product code, display name, alias,\n"
           "                   host, port, companion; separated by tabs\n"
           "  --help           this text\n"
           "\n"
           "Every row is checked before anything is written; a roster with any error\n"
           "writes nothing. The copies are written into a staging folder inside DIR\n"
           "and then renamed into place.\n"
           "\n"
           "Exit codes: 0 done; 1 errors in the roster or while writing, nothing\n"
           "written (--explain: the launcher would show the rename notice); 2 usage\n"
           "error.\n";
}

const char* const ValueOptions[] = {"--launcher", "--roster", "--out", "--max-name", "--explain"};
const char* const FlagOptions[] = {"--force", "--catalogue", "--help"};

struct UsageError {
    std::string Message;
};

bool IsOneOf(const std::string& option, const char* const* first, const char* const* last)
{
    return std::find(first, last, option) != last;
}

// Option name to value ("" for flags); "--name value" and "--name=value".
std::map<std::string, std::string> ReadOptions(const std::vector<std::string>& args)
{
    std::map<std::string, std::string> options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        const std::string::size_type equals = name.find('=');
        const bool inlineValue = name.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        if (IsOneOf(name, std::begin(ValueOptions), std::end(ValueOptions))) {
            if (!inlineValue && i + 1 >= args.size())
                throw UsageError{name + " needs a value"};
            if (!inlineValue)
                value = args[++i];
        } else if (!IsOneOf(name, std::begin(FlagOptions), std::end(FlagOptions)) || inlineValue) {
            throw UsageError{name.compare(0, 1, "-") == 0 ? "unknown option " + args[i]
                                                          : "unexpected argument \"" + args[i] + "\""};
        }
        if (!options.emplace(name, value).second)
            throw UsageError{name + " is given twice"};
    }
    return options;
}

void RequireAlone(const std::map<std::string, std::string>& options, const std::string& option)
{
    if (options.size() > 1)
        throw UsageError{option + " takes no other options"};
}

std::string Required(const std::map<std::string, std::string>& options, const std::string& option)
{
    const auto found = options.find(option);
    if (found == options.end())
        throw UsageError{"missing " + option};
    if (found->second.empty())
        throw UsageError{option + " needs a value"};
    return found->second;
}

int MaxNameLength(const std::map<std::string, std::string>& options)
{
    const auto found = options.find("--max-name");
    if (found == options.end())
        return DefaultMaxNameLength;
    const std::string& text = found->second;
    const bool digits = !text.empty() && text.size() <= 3 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = digits ? std::stoi(text) : 0;
    if (value < 12 || value > 255)
        throw UsageError{"--max-name must be a number from 12 to 255"};
    return value;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream file(fs::u8path(path), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    bytes = content.str();
    return file.good() || file.eof();
}

bool ReadInputs(const std::string& launcherPath, const std::string& rosterPath, std::string& launcher,
                std::string& roster, std::ostream& err)
{
    if (!ReadWholeFile(rosterPath, roster)) {
        err << "launcher-mint: cannot read the roster \"" << rosterPath << "\"\n";
        return false;
    }
    if (!ReadWholeFile(launcherPath, launcher)) {
        err << "launcher-mint: cannot read the launcher \"" << launcherPath << "\"\n";
        return false;
    }
    if (launcher.compare(0, 2, "MZ") != 0) {
        err << "launcher-mint: \"" << launcherPath << "\" is not a Windows executable\n";
        return false;
    }
    return true;
}

int Mint(const std::map<std::string, std::string>& options, std::ostream& out, std::ostream& err)
{
    const std::string launcherPath = Required(options, "--launcher");
    const std::string rosterPath = Required(options, "--roster");
    const std::string outDir = Required(options, "--out");
    const int maxNameLength = MaxNameLength(options);
    CopyRequest request;
    std::string roster;
    if (!ReadInputs(launcherPath, rosterPath, request.LauncherBytes, roster, err))
        return 1;
    const RosterCheck check = CheckRoster(roster, maxNameLength);
    for (const Diagnostic& diagnostic : check.Diagnostics)
        err << FormatDiagnostic(rosterPath, diagnostic) << '\n';
    if (check.HasErrors()) {
        err << "launcher-mint: nothing written\n";
        return 1;
    }
    request.Copies = check.Copies;
    request.OutDir = fs::u8path(outDir);
    request.Force = options.count("--force") != 0;
    std::vector<std::string> errors;
    if (!WriteCopies(request, errors)) {
        for (const std::string& error : errors)
            err << "launcher-mint: " << error << '\n';
        err << "launcher-mint: nothing written\n";
        return 1;
    }
    for (const PlannedCopy& copy : check.Copies)
        out << copy.Name << '\n';
    out << "copies written to " << outDir << ": " << check.Copies.size() << '\n';
    return 0;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        throw UsageError{"nothing to do"};
    const std::map<std::string, std::string> options = ReadOptions(args);
    if (options.count("--help")) {
        out << Usage << Help();
        return 0;
    }
    if (options.count("--explain")) {
        RequireAlone(options, "--explain");
        return ExplainCopyName(options.at("--explain"), out, err);
    }
    if (options.count("--catalogue")) {
        RequireAlone(options, "--catalogue");
        PrintCatalogue(out);
        return 0;
    }
    return Mint(options, out, err);
}

}  // namespace

int RunMint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        return Run(args, out, err);
    } catch (const UsageError& error) {
        err << "launcher-mint: " << error.Message << "\n" << Usage << "Try launcher-mint --help.\n";
        return 2;
    }
}
