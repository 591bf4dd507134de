// The few operating-system services the launcher's logic needs. The Windows
// build links platform/win32; unit tests link a recording fake instead.
// All strings are 8-bit text in the system ANSI code page, passed unconverted.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// What the process does before the launcher's own code runs: reads the
// Windows version once.
void StartUp();

// Full path of the running executable, as the OS reports it into a buffer of
// 261 characters (a longer path arrives cut to that length).
std::string ExecutablePath();

// Major version of Windows, read once at program start; 0 if the query failed.
int WindowsMajorVersion();

// The current user's desktop folder exactly as the shell reports it; empty
// when the shell cannot tell.
std::string DesktopFolder();

// File operations report 0 for success or the OS error code of the failure.
using FileHandle = void*;
unsigned long CreateTextFile(const std::string& path, FileHandle& file);
unsigned long WriteToFile(FileHandle file, const std::string& bytes);
unsigned long CloseFile(FileHandle file);
unsigned long RemoveFile(const std::string& path);

// Starts a program through the shell without a window and returns once it has
// ended; the one way the launcher starts programs. A program that cannot be
// started returns at once; its exit code is not reported.
void RunHiddenAndWait(const std::string& program, const std::string& parameters);

// A modal information box with no owner window; returns when it is closed.
void ShowInformationBox(const std::string& caption, const std::string& text);

// Offset of a code address from the start of the executable's image.
std::uint32_t CodeOffsetInModule(const void* codeAddress);

// The run-time's report of an unhandled error ("Application Error" box),
// then the end of the process with exit code 1. Takes a plain C string so
// that it can report a failed allocation without making one.
[[noreturn]] void ReportFatalErrorAndExit(const char* text);

}  // namespace platform
