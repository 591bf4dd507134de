#include "core/connection_file_text.h"

std::string ConnectionFilePath(const std::string& folder, const ConnectionProfile& profile)
{
    return folder + "\\" + profile.DisplayName + ".rdp";
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
