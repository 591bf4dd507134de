#include "core/cmdkey_command.h"

namespace {

std::string CredentialTarget(const std::string& hostName)
{
    return "termsrv/" + hostName;
}

}  // namespace

// Both parameter strings begin with a space, as cmdkey has always been given them.
std::string CmdkeyDeleteParameters(const std::string& hostName)
{
    return " /delete:" + CredentialTarget(hostName);
}

std::string CmdkeyStoreParameters(const std::string& hostName, const std::string& userName,
                                  const std::string& password)
{
    return " /generic:" + CredentialTarget(hostName) + " /user:" + CmdkeyValue(userName) +
           " /pass:" + CmdkeyValue(password);
}

std::string CmdkeyValue(const std::string& value)
{
    // A file name cannot hold a double quote, so quoting cannot be broken out of.
    if (value.find(' ') == std::string::npos)
        return value;
    return "\"" + value + "\"";
}
