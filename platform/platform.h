// The few operating-system services the launcher's logic needs. The Windows
// build links platform/win32; unit tests link a recording fake instead.
// All strings are 8-bit text in the system ANSI code page.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// What the process does before the launcher's own code runs: keeps DLLs
// planted beside the copy out of the process and reads the Windows version.
void StartUp();

// Full path of the running executable, as the OS reports it into a buffer of
// 261 characters (a longer path arrives cut to that length). A character the
// code page lacks arrives as "?", never as a look-alike.
std::string ExecutablePath();

// Major version of Windows, read once at program start; 0 if the query failed.
int WindowsMajorVersion();

// The current user's desktop folder as the shell reports it, or its short
// (8.3) form where the code page cannot spell it; empty when neither will do
// or the shell cannot tell.
std::string DesktopFolder();

// File operations report 0 for success or the OS error code of the failure.
using FileHandle = void*;
unsigned long CreateTextFile(const std::string& path, FileHandle& file);
unsigned long WriteToFile(FileHandle file, const std::string& bytes);
unsigned long CloseFile(FileHandle file);
unsigned long RemoveFile(const std::string& path);

// Starts a Windows tool, named by its bare name ("cmdkey"), from the system
// folder through the shell without a window and returns once it has ended;
// the one way the launcher starts programs. A program that cannot be started
// returns at once; its exit code is not reported.
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
