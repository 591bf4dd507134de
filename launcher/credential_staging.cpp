#include "launcher/credential_staging.h"

#include "core/cmdkey_command.h"
#include "launcher/notice.h"
#include "platform/platform.h"

void StageCredentials(const LaunchTicket& ticket, const std::string& hostName, int windowsMajorVersion)
{
    const bool manualCredentials = windowsMajorVersion < 6;
    if (manualCredentials) {
        ShowNotice("Для подключения используйте имя пользователя - " + ticket.UserName + " и пароль " +
                   ticket.Password);
        return;
    }
    // Drop whatever an earlier run stored for this host before storing anew.
    platform::RunHiddenAndWait("cmdkey", CmdkeyDeleteParameters(hostName));
    platform::RunHiddenAndWait("cmdkey", CmdkeyStoreParameters(hostName, ticket.UserName, ticket.Password));
}
