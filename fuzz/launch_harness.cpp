#include "fuzz/launch_harness.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/connection_file_text.h"
#include "core/service_catalogue.h"
#include "tests/support/fake_platform.h"

namespace harness {

namespace {

using CallList = std::vector<std::string>;

const std::string Caption = "Удаленное подключение";
const std::string RenameNotice = "Пожалуйста не переименовывайте файл!\n\rСкачайте файл заново.";
const std::string DownloadFolder = "C:\\Users\\user\\Downloads\\";
// The fake puts every failing check at this offset; the report shows it so.
const char* const ReportedOffset = "00001A2B";
// Stands in the expected trace for the storing cmdkey call, which is checked
// argument by argument instead.
const std::string StoreCredentialCall = "run cmdkey [<store credential>]";
const std::string StoreCredentialPrefix = "run cmdkey [ /generic:";

// The platforms a name is tried on: both sides of the Windows version test,
// a desktop path with spaces, and a file failure at every step of writing.
struct Setup {
    const char* Name;
    int WindowsMajorVersion;
    const char* DesktopFolder;
    unsigned long CreateError;
    int FailingCreate;  // which create fails (1-based); 0: every one
    unsigned long WriteError;
    unsigned long CloseError;
};

const Setup Setups[] = {
    {"Windows 10, nothing fails", 10, "C:\\Users\\user\\Desktop", 0, 0, 0, 0},
    {"Windows XP, desktop with spaces, file read-only", 5,
     "C:\\Documents and Settings\\Иван Петров\\Рабочий стол", 5, 0, 0, 0},
    {"Windows 6, disk full while writing", 6, "D:\\Desktop", 0, 0, 112, 0},
    {"Windows 10, closing fails", 10, "C:\\Users\\user\\Desktop", 0, 0, 0, 5},
    {"Windows 10, companion file locked", 10, "C:\\Users\\user\\Desktop", 32, 2, 0, 0},
};

// What the run is being checked for, printed when an invariant breaks.
const Setup* currentSetup = nullptr;
std::string currentPath;

std::string Printable(const std::string& bytes)
{
    std::string text;
    for (const unsigned char byte : bytes) {
        if (byte == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

void PrintCalls(const char* title, const CallList& calls)
{
    std::fprintf(stderr, "%s:\n", title);
    for (const std::string& call : calls)
        std::fprintf(stderr, "  %s\n", Printable(call).c_str());
}

[[noreturn]] void Fail(const std::string& what, const CallList& expected = {})
{
    std::fprintf(stderr, "\nBROKEN INVARIANT: %s\nsetup: %s\nexecutable: %s\n", what.c_str(), currentSetup->Name,
                 Printable(currentPath).c_str());
    if (!expected.empty())
        PrintCalls("expected calls", expected);
    PrintCalls("actual calls", fake::State().Calls);
    std::abort();
}

void Check(bool holds, const std::string& what)
{
    if (!holds)
        Fail(what);
}

// The ticket as the name reads: the file-name part of the path (after the
// last "\" or ":"), and in it three fields, each closed by its own "$".
struct ModelTicket {
    std::string FileName;
    std::string Fields[3];  // product code, user name, password
};

ModelTicket ReadTicket(const std::string& path)
{
    ModelTicket ticket;
    std::string::size_type nameStart = 0;
    for (std::string::size_type at = 0; at < path.size(); ++at)
        if (path[at] == '\\' || path[at] == ':')
            nameStart = at + 1;
    ticket.FileName = path.substr(nameStart);
    std::string::size_type fieldStart = 0;
    for (std::string& field : ticket.Fields) {
        const std::string::size_type dollar = ticket.FileName.find('$', fieldStart);
        if (dollar == std::string::npos)
            break;
        field = ticket.FileName.substr(fieldStart, dollar - fieldStart);
        fieldStart = dollar + 1;
    }
    return ticket;
}

int CatalogueRowOf(const std::string& productCode)
{
    for (int row = 0; row < CatalogueRowCount(); ++row)
        if (productCode == CatalogueRows()[row].ProductCode)
            return row;
    return -1;
}

// How the child's C run-time splits its command line into arguments: blanks
// separate outside double quotes, and the quotes themselves are dropped.
// (Backslashes before a quote escape it; no checked line has one.)
std::vector<std::string> Arguments(const std::string& commandLine)
{
    std::vector<std::string> arguments;
    std::string argument;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument)
                arguments.push_back(argument);
            argument.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"')
            quoted = !quoted;
        else
            argument += c;
    }
    if (inArgument)
        arguments.push_back(argument);
    return arguments;
}

// A value a Windows file name can carry and that the argument check covers:
// no double quote and no control character (both impossible in file names).
bool IsFileNameText(const std::string& value)
{
    for (const unsigned char byte : value)
        if (byte == '"' || byte < 0x20)
            return false;
    return true;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    Check(start == text.size(), "connection file does not end with CR LF");
    return lines;
}

// The connection file for a profile, checked once for its shape: 56 lines,
// each closed by CR LF with no other control byte, the profile's values in
// their five lines. Every file the launcher writes must equal it byte for
// byte, whatever the ticket's user name and password.
const std::string& ReferenceFile(const ConnectionProfile& profile)
{
    static std::map<std::string, std::string> checked;
    const std::string key = profile.DisplayName + '\n' + profile.AppAlias + '\n' + profile.HostName + '\n' + profile.Port;
    const auto known = checked.find(key);
    if (known != checked.end())
        return known->second;

    const std::string text = ConnectionFileText(profile);
    const std::vector<std::string> lines = SplitLines(text);
    Check(lines.size() == 56, "connection file has " + std::to_string(lines.size()) + " lines, not 56");
    for (const std::string& line : lines)
        for (const unsigned char byte : line)
            Check(byte >= 0x20, "stray control byte in connection file line: " + Printable(line));
    Check(lines[13] == "server port:i:" + profile.Port, "line 14 is " + Printable(lines[13]));
    Check(lines[20] == "full address:s:" + profile.HostName, "line 21 is " + Printable(lines[20]));
    Check(lines[21] == "alternate shell:s:||" + profile.AppAlias, "line 22 is " + Printable(lines[21]));
    Check(lines[22] == "remoteapplicationprogram:s:||" + profile.AppAlias, "line 23 is " + Printable(lines[22]));
    Check(lines[24] == "remoteapplicationname:s:" + profile.AppAlias, "line 25 is " + Printable(lines[24]));
    return checked.emplace(key, text).first->second;
}

std::string InOutErrorMessage(unsigned long code)
{
    switch (code) {
    case 5:
        return "File access denied.";
    default:
        return "I/O error " + std::to_string(code) + ".";
    }
}

struct Expectation {
    int ExitCode = 0;
    CallList Calls;
    std::map<std::string, std::string> Files;
    std::string FatalReport;
};

// What one run must do, step by step, on the given platform.
Expectation Expect(const Setup& setup, const ModelTicket& ticket, int row)
{
    Expectation expected;
    const std::string& userName = ticket.Fields[1];
    const std::string& password = ticket.Fields[2];
    // A "?" stands where Windows could not spell a character of the name.
    const auto usable = [](const std::string& field) { return !field.empty() && field.find('?') == std::string::npos; };
    if (row < 0 || !usable(userName) || !usable(password)) {
        expected.Calls = {"box " + Caption + " [" + RenameNotice + "]", "exit 0"};
        return expected;
    }
    const CatalogueRow& entry = CatalogueRows()[row];
    if (setup.WindowsMajorVersion < 6) {
        expected.Calls.push_back("box " + Caption + " [Для подключения используйте имя пользователя - " + userName +
                                 " и пароль " + password + "]");
    } else {
        expected.Calls.push_back("run cmdkey [ /delete:termsrv/" + entry.Profile.HostName + "]");
        expected.Calls.push_back(StoreCredentialCall);
    }

    int creates = 0;
    // Adds one file's operations; false when a failure ends the run there.
    const auto writes = [&](const ConnectionProfile& profile, const std::string& path) {
        expected.Calls.push_back("create " + path);
        ++creates;
        unsigned long error = 0;
        if (setup.CreateError && (setup.FailingCreate == 0 || setup.FailingCreate == creates)) {
            error = setup.CreateError;
        } else {
            expected.Calls.push_back("write " + path);
            expected.Calls.push_back("close " + path);
            error = setup.WriteError ? setup.WriteError : setup.CloseError;
            if (error)
                expected.Calls.push_back("remove " + path);
            else
                expected.Files[path] = ReferenceFile(profile);
        }
        if (!error)
            return true;
        expected.Calls.push_back("fatal");
        expected.ExitCode = 1;
        const std::string report = "Exception EInOutError in module " + ticket.FileName + " at " + ReportedOffset +
                                   ".\r\n" + InOutErrorMessage(error) + "\r\n";
        // The report reaches the box as a C string; a NUL (which no real
        // file name holds) ends it there.
        expected.FatalReport = report.c_str();
        return false;
    };

    const std::string file = std::string(setup.DesktopFolder) + "\\" + entry.Profile.DisplayName + ".rdp";
    if (!writes(entry.Profile, file))
        return expected;
    expected.Calls.push_back("run mstsc [\"" + file + "\"]");
    if (entry.CompanionWanted) {
        const ConnectionProfile& companion = CompanionProfile();
        if (!writes(companion, std::string(setup.DesktopFolder) + "\\" + companion.DisplayName + ".rdp"))
            return expected;
    }
    expected.Calls.push_back("exit 0");
    return expected;
}

// The storing cmdkey call must hand cmdkey exactly three arguments: the
// target, and the ticket's user name and password, whole, spaces included.
void CheckStoreCredential(const std::string& call, const ModelTicket& ticket, const std::string& host)
{
    const std::string opening = "run cmdkey [";
    const std::string parameters = call.substr(opening.size(), call.size() - opening.size() - 1);
    const std::string& userName = ticket.Fields[1];
    const std::string& password = ticket.Fields[2];
    const std::string start = " /generic:termsrv/" + host + " /user:";
    Check(parameters.compare(0, start.size(), start) == 0,
          "store call does not start with its target: " + Printable(parameters));
    if (!IsFileNameText(userName) || !IsFileNameText(password))
        return;
    const std::vector<std::string> expected = {"/generic:termsrv/" + host, "/user:" + userName, "/pass:" + password};
    if (Arguments(parameters) != expected)
        Fail("cmdkey would not see the ticket's values as three arguments: " + Printable(parameters));
}

// The trace with the storing cmdkey call checked and replaced by its stand-in,
// and a write split into several calls counted as one.
CallList NormalisedTrace(const ModelTicket& ticket, int row)
{
    CallList trace;
    for (const std::string& call : fake::State().Calls) {
        if (call.compare(0, StoreCredentialPrefix.size(), StoreCredentialPrefix) == 0) {
            CheckStoreCredential(call, ticket, CatalogueRows()[row < 0 ? 0 : row].Profile.HostName);
            trace.push_back(StoreCredentialCall);
        } else if (!(call.compare(0, 6, "write ") == 0 && !trace.empty() && trace.back() == call)) {
            trace.push_back(call);
        }
    }
    return trace;
}

}  // namespace

Reached RunAndCheck(const std::uint8_t* data, std::size_t size, bool everySetup)
{
    const std::string path = DownloadFolder + std::string(reinterpret_cast<const char*>(data), size);
    const ModelTicket ticket = ReadTicket(path);
    const int row = CatalogueRowOf(ticket.Fields[0]);
    Reached reached;

    // Every setup for every input would more than double the fuzzer's cost
    // per input for little gain: a mutation of one byte moves a name to
    // another setup, so each sees millions of names in a long run.
    unsigned byteSum = 0;
    for (std::size_t at = 0; at < size; ++at)
        byteSum += data[at];
    const std::size_t setupCount = sizeof Setups / sizeof Setups[0];
    const Setup* const picked = &Setups[1 + byteSum % (setupCount - 1)];

    for (const Setup& setup : Setups) {
        if (!everySetup && &setup != &Setups[0] && &setup != picked)
            continue;
        currentSetup = &setup;
        currentPath = path;
        fake::Reset();
        fake::Platform& platform = fake::State();
        platform.ExecutablePath = path;
        platform.WindowsMajorVersion = setup.WindowsMajorVersion;
        platform.DesktopFolder = setup.DesktopFolder;
        platform.CreateError = setup.CreateError;
        platform.FailingCreate = setup.FailingCreate;
        platform.WriteError = setup.WriteError;
        platform.CloseError = setup.CloseError;

        const int exitCode = fake::RunLauncher();
        const Expectation expected = Expect(setup, ticket, row);
        const CallList trace = NormalisedTrace(ticket, row);

        Check(exitCode == 0 || exitCode == 1, "exit code " + std::to_string(exitCode));
        if (trace != expected.Calls)
            Fail("the run's calls differ from the expected ones", expected.Calls);
        Check(exitCode == expected.ExitCode, "exit code " + std::to_string(exitCode) + ", expected " +
                                                 std::to_string(expected.ExitCode));
        Check(platform.FatalReport == expected.FatalReport, "fatal report " + Printable(platform.FatalReport) +
                                                                ", expected " + Printable(expected.FatalReport));
        if (platform.Files != expected.Files) {
            for (const auto& [name, bytes] : platform.Files)
                std::fprintf(stderr, "left on the desktop: %s (%zu bytes)\n", Printable(name).c_str(), bytes.size());
            Fail("the files left on the desktop differ from the expected ones");
        }
        if (expected.Calls.size() > 2)  // more than the rename notice
            reached.CatalogueRow = row;
        if (expected.Files.size() == 2)
            reached.CompanionFile = true;
    }
    return reached;
}

}  // namespace harness
