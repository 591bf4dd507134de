#include "launcher/credential_staging.h"

#include <gtest/gtest.h>

#include "core/catalogue_hosts.h"
#include "core/cmdkey_command.h"
#include "tests/support/fake_platform.h"

namespace {

class StageCredentialsTest : public testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    LaunchTicket ticket{"VELSO8", "ivanov", "S3cret!"};
};

TEST_F(StageCredentialsTest, NewWindowsReplacesTheStoredCredential)
{
    for (int version : {6, 10}) {
        fake::State().Calls.clear();
        StageCredentials(ticket, LAUNCHER_HOST_A, version);
        const std::vector<std::string> expected = {
            "run cmdkey [ /delete:termsrv/" LAUNCHER_HOST_A "]",
            "run cmdkey [ /generic:termsrv/" LAUNCHER_HOST_A " /user:ivanov /pass:S3cret!]"};
        EXPECT_EQ(fake::State().Calls, expected) << "version " << version;
    }
}

TEST_F(StageCredentialsTest, OldOrUnknownWindowsShowsTheCredentialsInstead)
{
    for (int version : {5, 0, -1}) {
        fake::State().Calls.clear();
        StageCredentials(ticket, LAUNCHER_HOST_A, version);
        const std::vector<std::string> expected = {
            "box Удаленное подключение [Для подключения используйте имя пользователя - ivanov и пароль S3cret!]"};
        EXPECT_EQ(fake::State().Calls, expected) << "version " << version;
    }
}

TEST_F(StageCredentialsTest, ValuesWithSpacesStayOneArgument)
{
    ticket.UserName = "Иван Иванов";
    ticket.Password = "two words";
    StageCredentials(ticket, LAUNCHER_HOST_A, 10);
    ASSERT_EQ(fake::State().Calls.size(), 2u);
    EXPECT_EQ(fake::State().Calls[1],
              "run cmdkey [ /generic:termsrv/" LAUNCHER_HOST_A " /user:\"Иван Иванов\" /pass:\"two words\"]");
}

TEST(CmdkeyValueTest, QuotesOnlyValuesWithASpace)
{
    EXPECT_EQ(CmdkeyValue("ivanov"), "ivanov");
    EXPECT_EQ(CmdkeyValue("p@ss;w0rd&x"), "p@ss;w0rd&x");
    EXPECT_EQ(CmdkeyValue(" lead"), "\" lead\"");
    EXPECT_EQ(CmdkeyValue("a /pass:b"), "\"a /pass:b\"");
}

}  // namespace
