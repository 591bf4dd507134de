#include "tools/mint/mint_cli.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/mint/copy_writer.h"
#include "tools/mint/explain.h"
#include "tools/mint/file_system.h"
#include "tools/mint/interruption.h"
#include "tools/mint/messages.h"
#include "tools/mint/roster_check.h"

namespace fs = std::filesystem;

namespace {

// Everything the command line can say, typed.
struct MintOptions {
    std::string Launcher;
    std::string Roster;
    std::string Out;
    bool Force = false;
    int MaxName = DefaultMaxNameLength;
    std::string Explain;
    bool Catalogue = false;
    bool Help = false;
    std::vector<std::string> Given;  // the options named, in order
};

struct UsageError {
    std::string Message;
};

int MaxNameValue(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 3 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = digits ? std::stoi(text) : 0;
    if (value < 12 || value > 255)
        throw UsageError{"--max-name must be a number from 12 to 255"};
    return value;
}

// One option: how it is written, what it sets, and its lines in --help.
struct Option {
    const char* Name;
    const char* Value;  // what --help calls its value; nullptr for a flag
    void (*Set)(MintOptions& options, const std::string& value);
    std::string Help;   // lines separated by "\n"
};

const std::vector<Option>& OptionTable()
{
    static const std::vector<Option> table = {
        {"--launcher", "EXE", [](MintOptions& o, const std::string& v) { o.Launcher = v; },
         "the launcher to copy; every copy has exactly its bytes"},
        {"--roster", "CSV", [](MintOptions& o, const std::string& v) { o.Roster = v; },
         "UTF-8 CSV file with the header product,user,password and\n"
         "optionally a fourth column copy: text that goes after the\n"
         "third \"$\", which the launcher ignores, such as \" (2)\""},
        {"--out", "DIR", [](MintOptions& o, const std::string& v) { o.Out = v; },
         "folder for the copies; made when missing (on POSIX only for\n"
         "its owner, as are the copies: their names hold passwords)"},
        {"--force", nullptr, [](MintOptions& o, const std::string&) { o.Force = true; },
         "replace copies of the same names in DIR"},
        {"--max-name", "N", [](MintOptions& o, const std::string& v) { o.MaxName = MaxNameValue(v); },
         "the longest file name allowed, in characters (default " + std::to_string(DefaultMaxNameLength) +
             ",\n"
             "at most 255); a copy must reach the launcher whole from a\n"
             "folder such as C:\\Users\\<20 characters>\\OneDrive\\Desktop\\"},
        {"--explain", "NAME", [](MintOptions& o, const std::string& v) { o.Explain = v; },
         "what the launcher does with a copy of this name; NAME may\n"
         "be a path: as for the launcher, only what follows the last\n"
         "\"\\\" or \":\" counts, and for convenience also \"/\""},
        {"--catalogue", nullptr, [](MintOptions& o, const std::string&) { o.Catalogue = true; },
         "the catalogue: row, product code, display name, alias,\n"
         "host, port, companion; separated by tabs"},
        {"--help", nullptr, [](MintOptions& o, const std::string&) { o.Help = true; }, "this text"},
    };
    return table;
}

const char* const Usage =
    "Usage:\n"
    "  launcher-mint --launcher EXE --roster CSV --out DIR [--force] [--max-name N]\n"
    "  launcher-mint --explain NAME\n"
    "  launcher-mint --catalogue\n"
    "  launcher-mint --help\n";

std::string OptionHelp()
{
    const std::size_t column = 19;  // "  --launcher EXE   " and the like
    std::string text;
    for (const Option& option : OptionTable()) {
        std::string line = std::string("  ") + option.Name + (option.Value ? std::string(" ") + option.Value : "");
        std::istringstream lines(option.Help);
        for (std::string helpLine; std::getline(lines, helpLine);) {
            line.resize(std::max(column, line.size() + 1), ' ');
            text += line + helpLine + "\n";
            line.clear();
        }
    }
    return text;
}

std::string Help()
{
    return "\n"
           "Makes one copy of the launcher per roster row, named\n"
           "  product$user$password$copy.exe\n"
           "which the launcher reads as its product, user name and password.\n"
           "\n" +
           OptionHelp() +
           "\n"
           "Every row is checked before anything is written; a roster with any error\n"
           "writes nothing. The copies are written into a staging folder inside DIR\n"
           "and then renamed into place; an interrupted run takes back what it did,\n"
           "and a staging folder left by a killed run is removed by the next run.\n"
           "\n"
           "Exit codes: 0 done; 1 errors in the roster or while writing, nothing\n"
           "written (--explain: the launcher would show the rename notice); 2 usage\n"
           "error; 128 + the signal's number when interrupted (130 for Ctrl+C).\n";
}

const Option* FindOption(const std::string& name)
{
    for (const Option& option : OptionTable()) {
        if (name == option.Name)
            return &option;
    }
    return nullptr;
}

// "--name value" and "--name=value"; a value may not be empty.
MintOptions ParseOptions(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError{"nothing to do"};
    MintOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        const std::string::size_type equals = name.find('=');
        const bool inlineValue = name.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        const Option* option = FindOption(name);
        if (!option || (!option->Value && inlineValue)) {
            throw UsageError{name.compare(0, 1, "-") == 0 ? "unknown option " + args[i]
                                                          : "unexpected argument \"" + args[i] + "\""};
        }
        if (std::find(options.Given.begin(), options.Given.end(), name) != options.Given.end())
            throw UsageError{name + " is given twice"};
        if (option->Value && !inlineValue) {
            if (i + 1 >= args.size())
                throw UsageError{name + " needs a value"};
            value = args[++i];
        }
        if (option->Value && value.empty())
            throw UsageError{name + " needs a value"};
        option->Set(options, value);
        options.Given.push_back(name);
    }
    return options;
}

void RequireAlone(const MintOptions& options, const std::string& option)
{
    if (options.Given.size() > 1)
        throw UsageError{option + " takes no other options"};
}

void Require(const std::string& value, const std::string& option)
{
    if (value.empty())
        throw UsageError{"missing " + option};
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream file(fs::u8path(path), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    bytes = content.str();
    return file.good() || file.eof();
}

bool ReadInputs(const MintOptions& options, std::string& launcher, std::string& roster, Messages& messages)
{
    if (!ReadWholeFile(options.Roster, roster)) {
        messages.Say("cannot read the roster " + Shown(options.Roster));
        return false;
    }
    if (!ReadWholeFile(options.Launcher, launcher)) {
        messages.Say("cannot read the launcher " + Shown(options.Launcher));
        return false;
    }
    if (launcher.compare(0, 2, "MZ") != 0) {
        messages.Say(Shown(options.Launcher) + " is not a Windows executable");
        return false;
    }
    return true;
}

int Mint(const MintOptions& options, std::ostream& out, Messages& messages)
{
    Require(options.Launcher, "--launcher");
    Require(options.Roster, "--roster");
    Require(options.Out, "--out");
    CopyRequest request;
    std::string roster;
    if (!ReadInputs(options, request.LauncherBytes, roster, messages))
        return 1;
    request.OutDir = fs::u8path(options.Out);
    const RosterCheck check = CheckRoster(roster, options.MaxName, OutputNameLimit(request.OutDir));
    for (const Diagnostic& diagnostic : check.Diagnostics)
        messages.Roster(options.Roster, diagnostic);
    if (check.HasErrors()) {
        messages.Say("nothing written");
        return 1;
    }
    request.Copies = check.Copies;
    request.Force = options.Force;
    request.StopSignal = InterruptionSignal;
    const WriteResult result = [&] {
        InterruptionsDeferred deferred;
        return WriteCopies(request, messages);
    }();
    if (result.Complete) {
        for (const PlannedCopy& copy : check.Copies)
            out << copy.Name << '\n';
        out << "copies written to " << options.Out << ": " << check.Copies.size() << '\n';
        return 0;
    }
    messages.Say(std::string(result.StopSignal ? "interrupted; " : "") +
                 (result.FolderAsBefore ? "nothing written" : "the output folder is not as it was: see above"));
    return result.StopSignal ? 128 + result.StopSignal : 1;
}

int Run(const std::vector<std::string>& args, std::ostream& out, Messages& messages)
{
    const MintOptions options = ParseOptions(args);
    if (options.Help) {
        out << Usage << Help();
        return 0;
    }
    if (!options.Explain.empty()) {
        RequireAlone(options, "--explain");
        return ExplainCopyName(options.Explain, out, messages);
    }
    if (options.Catalogue) {
        RequireAlone(options, "--catalogue");
        PrintCatalogue(out);
        return 0;
    }
    return Mint(options, out, messages);
}

}  // namespace

int RunMint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Messages messages(err);
    try {
        return Run(args, out, messages);
    } catch (const UsageError& error) {
        messages.Say(error.Message);
        messages.Append(std::string(Usage) + "Try launcher-mint --help.\n");
        return 2;
    } catch (const std::exception& failure) {
        // A file-system call that failed where nothing was written yet.
        messages.Say(failure.what());
        return 1;
    }
}
