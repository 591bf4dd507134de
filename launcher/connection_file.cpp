#include "launcher/connection_file.h"

#include <cstdint>

#include "core/connection_file_text.h"
#include "core/launch_ticket.h"
#include "platform/platform.h"

namespace {

// What the file record of the launcher can hold; longer paths are refused
// rather than cut to a different name.
const std::string::size_type MaxPathLength = 259;

// The OS code for a path that does not lead anywhere usable.
const unsigned long PathNotFound = 3;

std::string InOutErrorMessage(unsigned long code)
{
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    default:
        return "I/O error " + std::to_string(code);
    }
}

// Eight upper-case hexadecimal digits, as the report shows code addresses;
// by hand rather than through printf, which would bring the C library's whole
// formatter into the executable for this one number.
std::string HexDigits(std::uint32_t value)
{
    std::string digits(8, '0');
    for (std::string::size_type index = digits.size(); index-- > 0; value >>= 4)
        digits[index] = "0123456789ABCDEF"[value & 0xF];
    return digits;
}

// Reports the failure at the caller's code address and ends the run; kept
// out of line so the return address is the failing check's.
[[noreturn]] __attribute__((noinline)) void RaiseInOutError(unsigned long code)
{
    std::string message = InOutErrorMessage(code);
    if (message.back() != '.')
        message += '.';
    const std::string address = HexDigits(platform::CodeOffsetInModule(__builtin_return_address(0)));
    const std::string report = "Exception EInOutError in module " + FileNamePart(platform::ExecutablePath()) + " at " +
                               address + ".\r\n" + message + "\r\n";
    platform::ReportFatalErrorAndExit(report.c_str());
}

}  // namespace

void WriteConnectionFile(const std::string& desktop, const ConnectionProfile& profile)
{
    if (desktop.empty())
        RaiseInOutError(PathNotFound);
    const std::string path = ConnectionFilePath(desktop, profile);
    if (path.size() > MaxPathLength)
        RaiseInOutError(PathNotFound);

    platform::FileHandle file = nullptr;
    if (const unsigned long code = platform::CreateTextFile(path, file))
        RaiseInOutError(code);
    // From here the file is ours: a failure removes it, so no half-written
    // connection file is left looking like a real one.
    if (const unsigned long code = platform::WriteToFile(file, ConnectionFileText(profile))) {
        platform::CloseFile(file);
        platform::RemoveFile(path);
        RaiseInOutError(code);
    }
    if (const unsigned long code = platform::CloseFile(file)) {
        platform::RemoveFile(path);
        RaiseInOutError(code);
    }
}
