// The command line of launcher-mint.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// The longest copy name allowed by default, in characters. The launcher reads
// its own path through a 260-character buffer (259 and the NUL); 200 leaves
// 59 characters for the folder, enough for "C:\Users\" + a 20-character
// account name + "\OneDrive\Desktop\" (47 in all) or "\Downloads\" (40).
const int DefaultMaxNameLength = 200;

// args: the arguments after the program name, as UTF-8. Returns the exit
// code: 0 success, 1 the roster or the writing failed (nothing written) or,
// for --explain, the launcher would show the rename notice; 2 usage error;
// 128 + the signal's number when a signal stopped the writing.
int RunMint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
