#include "session/connection_file.h"

#include <cstdint>

#include "launcher/launcher_main.h"
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
    platform::ReportFatalErrorAndExit("Exception EInOutError in module " + FileNamePart(platform::ExecutablePath()) +
                                      " at " + address + ".\r\n" + message + "\r\n");
}

}  // namespace

std::string GetDesktopFolder()
{
    return platform::DesktopFolder();
}

std::string ConnectionFilePath(const std::string& folder)
{
    return folder + "\\" + Profile.DisplayName + ".rdp";
}

std::string ConnectionFileText(const ConnectionProfile& profile)
{
    const std::string lines[] = {
        "redirectclipboard:i:1",
        "redirectposdevices:i:0",
        "redirectprinters:i:1",
        "redirectcomports:i:0",
        "redirectsmartcards:i:0",
        "devicestoredirect:s:*",
        "drivestoredirect:s:*",
        "redirectdrives:i:1",
        "session bpp:i:24",
        "prompt for credentials on client:i:1",
        "span monitors:i:1",
        "use multimon:i:1",
        "remoteapplicationmode:i:1",
        "server port:i:" + profile.Port,
        "allow font smoothing:i:1",
        "promptcredentialonce:i:1",
        "authentication level:i:0",
        "gatewayusagemethod:i:2",
        "gatewayprofileusagemethod:i:0",
        "gatewaycredentialssource:i:0",
        "full address:s:" + profile.HostName,
        "alternate shell:s:||" + profile.AppAlias,
        "remoteapplicationprogram:s:||" + profile.AppAlias,
        "gatewayhostname:s:",
        "remoteapplicationname:s:" + profile.AppAlias,
        "remoteapplicationcmdline:s:",
        "screen mode id:i:2",
        "winposstr:s:0,3,0,0,800,600",
        "compression:i:1",
        "keyboardhook:i:2",
        "audiocapturemode:i:0",
        "videoplaybackmode:i:1",
        "connection type:i:7",
        "networkautodetect:i:1",
        "bandwidthautodetect:i:1",
        "displayconnectionbar:i:1",
        "enableworkspacereconnect:i:0",
        "disable wallpaper:i:0",
        "allow desktop composition:i:0",
        "disable full window drag:i:1",
        "disable menu anims:i:1",
        "disable themes:i:0",
        "disable cursor setting:i:0",
        "bitmapcachepersistenable:i:1",
        "audiomode:i:0",
        "autoreconnection enabled:i:1",
        "prompt for credentials:i:0",
        "negotiate security layer:i:1",
        "remoteapplicationicon:s:",
        "shell working directory:s:",
        "gatewaybrokeringtype:i:0",
        "use redirection server name:i:0",
        "rdgiskdcproxy:i:0",
        "kdcproxyname:s:",
        "desktopwidth:i:800",
        "desktopheight:i:600",
    };
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

void WriteConnectionFile()
{
    const std::string desktop = GetDesktopFolder();
    if (desktop.empty())
        RaiseInOutError(PathNotFound);
    const std::string path = ConnectionFilePath(desktop);
    if (path.size() > MaxPathLength)
        RaiseInOutError(PathNotFound);

    platform::FileHandle file = nullptr;
    if (const unsigned long code = platform::CreateTextFile(path, file))
        RaiseInOutError(code);
    // From here the file is ours: a failure removes it, so no half-written
    // connection file is left looking like a real one.
    if (const unsigned long code = platform::WriteToFile(file, ConnectionFileText(Profile))) {
        platform::CloseFile(file);
        platform::RemoveFile(path);
        RaiseInOutError(code);
    }
    if (const unsigned long code = platform::CloseFile(file)) {
        platform::RemoveFile(path);
        RaiseInOutError(code);
    }
}
