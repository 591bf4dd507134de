// The run-time's report of an unhandled error, shared by the platform layer
// and the C++ run-time support of the Windows build.
#pragma once

// "Application Error" box with the given text, then exit code 1. Takes a
// plain C string so that it can report a failed allocation without making one.
[[noreturn]] void ShowFatalErrorAndExit(const char* text);
