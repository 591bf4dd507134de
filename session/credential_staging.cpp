#include "session/credential_staging.h"

#include <string>

#include "launcher/notice.h"
#include "launcher/run_state.h"
#include "platform/platform.h"
#include "session/hidden_process_runner.h"

std::string CmdkeyValue(const std::string& value)
{
    // A file name cannot hold a double quote, so quoting cannot be broken out of.
    if (value.find(' ') == std::string::npos)
        return value;
    return "\"" + value + "\"";
}

void StageCredentials()
{
    if (platform::WindowsMajorVersion() < 6) {
        ManualCredentials = true;
        ShowNotice("Для подключения используйте имя пользователя - " + Ticket.UserName + " и пароль " +
                   Ticket.Password);
    }
    if (ManualCredentials)
        return;
    const std::string target = "termsrv/" + Profile.HostName;
    // Drop whatever an earlier run stored for this host before storing anew.
    RunHiddenAndWait("cmdkey", " /delete:" + target);
    RunHiddenAndWait("cmdkey", " /generic:" + target + " /user:" + CmdkeyValue(Ticket.UserName) +
                                   " /pass:" + CmdkeyValue(Ticket.Password));
}
