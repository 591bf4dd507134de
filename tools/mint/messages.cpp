#include "tools/mint/messages.h"

namespace {

const char* const Prefix = "launcher-mint: ";

}  // namespace

void Messages::Say(const std::string& text)
{
    err_ << Prefix << text << '\n';
}

void Messages::Warn(const std::string& text)
{
    err_ << Prefix << "warning: " << text << '\n';
}

void Messages::Roster(const std::string& rosterName, const Diagnostic& diagnostic)
{
    err_ << FormatDiagnostic(rosterName, diagnostic) << '\n';
}

void Messages::Append(const std::string& text)
{
    err_ << text;
}

std::string Shown(const std::string& utf8Path)
{
    return "\"" + utf8Path + "\"";
}
