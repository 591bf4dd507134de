// Stand-in for a Windows tool the launcher starts (cmdkey, mstsc). It appends
// one line to the log named by STANDIN_LOG so a test can see exactly what
// arrived: the tool's name, the path of the file that ran (which copy of the
// tool was started: system32, syswow64, or one planted elsewhere), the raw
// command line and the argv the C runtime split from it. Fields are separated by tabs; a backslash is written as \\ and
// control bytes (tab and line breaks among them) as \xNN, so every byte
// survives and the record stays one line.
//
// <TOOL>_RELEASE (MSTSC_RELEASE for the client): wait until that file exists
// before exiting, at most STANDIN_TIMEOUT seconds (30 by default), so a test
// can look at the desktop while the "client" runs. The variable names the
// tool because both stand-ins inherit the launcher's environment.
#include <windows.h>

#include <cstdlib>
#include <string>

#if !defined(STANDIN_NAME) || !defined(STANDIN_RELEASE_VARIABLE)
#error "STANDIN_NAME and STANDIN_RELEASE_VARIABLE name the tool this stand-in plays"
#endif

namespace {

std::string Escaped(const char* text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        if (*c == '\\') {
            out += "\\\\";
        } else if (*c < 0x20 || *c == 0x7F) {
            out += "\\x";
            out += hex[*c >> 4];
            out += hex[*c & 0x0F];
        } else {
            out += static_cast<char>(*c);
        }
    }
    return out;
}

void AppendLine(const char* logPath, const std::string& line)
{
    const HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    // One write, so a reader polling the log never sees half a line.
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
}

bool FileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv)
{
    char image[MAX_PATH + 1] = "";
    GetModuleFileNameA(nullptr, image, sizeof image);
    std::string line = STANDIN_NAME;
    line += '\t';
    line += Escaped(image);
    line += '\t';
    line += Escaped(GetCommandLineA());
    for (int i = 0; i < argc; ++i) {
        line += '\t';
        line += Escaped(argv[i]);
    }
    line += '\n';

    if (const char* logPath = std::getenv("STANDIN_LOG"))
        AppendLine(logPath, line);

    if (const char* release = std::getenv(STANDIN_RELEASE_VARIABLE)) {
        const char* timeout = std::getenv("STANDIN_TIMEOUT");
        const DWORD limit = 1000u * static_cast<DWORD>(timeout ? std::atoi(timeout) : 30);
        const DWORD start = GetTickCount();
        while (!FileExists(release) && GetTickCount() - start < limit)
            Sleep(50);
    }
    return 0;
}
