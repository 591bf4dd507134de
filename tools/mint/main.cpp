// launcher-mint: makes and explains the per-user copies of the launcher.
#include <iostream>
#include <string>
#include <vector>

#include "tools/mint/interruption.h"
#include "tools/mint/mint_cli.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::string Utf8Of(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    return utf8;
}

}  // namespace

// The wide entry point gets names and paths whole whatever the system's code
// page; the tool works in UTF-8 and has the console show it.
int wmain(int argc, wchar_t** argv)
{
    SetConsoleOutputCP(CP_UTF8);
    CatchInterruptions();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8Of(argv[i]));
    const int exitCode = RunMint(args, std::cout, std::cerr);
    std::cout.flush();
    InterruptedRunCleanedUp();
    return exitCode;
}
#else
int main(int argc, char** argv)
{
    CatchInterruptions();
    return RunMint(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
#endif
