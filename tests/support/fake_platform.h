// A recording stand-in for the platform layer: every call is logged in order,
// files live in memory, and failures can be arranged per operation.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fake {

// Thrown where the real platform ends the process from inside: the fatal-error
// report.
struct ProcessEnded {
    int ExitCode;
};

struct Platform {
    // What the fake reports.
    std::string ExecutablePath = "C:\\Users\\user\\Downloads\\launcher.exe";
    int WindowsMajorVersion = 10;
    std::string DesktopFolder = "C:\\Users\\user\\Desktop";
    // Where in the image every code address is said to lie.
    std::uint32_t CodeOffset = 0x1A2B;

    // Arranged failures: the OS error code an operation fails with (0: none).
    unsigned long CreateError = 0;
    unsigned long WriteError = 0;
    unsigned long CloseError = 0;
    // Which file operation fails: the n-th create (1-based); 0 means every one.
    int FailingCreate = 0;

    // What happened.
    std::vector<std::string> Calls;
    std::map<std::string, std::string> Files;
    std::string FatalReport;
};

// The one instance the platform functions work on; Reset() before each run.
Platform& State();
void Reset();

// Runs the launcher entry on the fake's executable path and returns its exit
// code, recorded as the last call ("exit N") unless the fatal report ended it.
int RunLauncher();

}  // namespace fake
