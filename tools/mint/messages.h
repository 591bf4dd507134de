// How launcher-mint speaks to the administrator on stderr: a roster problem
// as "users.csv:3: error: user: ..." (as compilers do, so editors jump to the
// line), everything else behind the one prefix "launcher-mint: ".
#pragma once

#include <ostream>
#include <string>

#include "tools/mint/roster.h"

class Messages {
public:
    explicit Messages(std::ostream& err) : err_(err) {}

    // "launcher-mint: <text>": errors, and what the tool did on its own.
    void Say(const std::string& text);
    // "launcher-mint: warning: <text>": worth a look, stops nothing.
    void Warn(const std::string& text);
    // "users.csv:3: error: user: ...", see FormatDiagnostic.
    void Roster(const std::string& rosterName, const Diagnostic& diagnostic);
    // Text that follows a message as it is, such as the usage summary.
    void Append(const std::string& text);

private:
    std::ostream& err_;
};

// A path as messages show it: in double quotes, as UTF-8.
std::string Shown(const std::string& utf8Path);
