#include "session/credential_staging.h"

#include <gtest/gtest.h>

#include "launcher/catalogue_hosts.h"
#include "launcher/run_state.h"
#include "launcher/service_catalogue.h"
#include "tests/support/fake_platform.h"

namespace {

class StageCredentialsTest : public testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        Ticket.UserName = "ivanov";
        Ticket.Password = "S3cret!";
        ResolveProfile("VELSO_8");
    }
};

TEST_F(StageCredentialsTest, NewWindowsReplacesTheStoredCredential)
{
    for (int version : {6, 10}) {
        fake::State().Calls.clear();
        fake::State().WindowsMajorVersion = version;
        StageCredentials();
        const std::vector<std::string> expected = {
            "run cmdkey [ /delete:termsrv/" LAUNCHER_HOST_A "]",
            "run cmdkey [ /generic:termsrv/" LAUNCHER_HOST_A " /user:ivanov /pass:S3cret!]"};
        EXPECT_EQ(fake::State().Calls, expected) << "version " << version;
        EXPECT_FALSE(ManualCredentials);
    }
}

TEST_F(StageCredentialsTest, OldOrUnknownWindowsShowsTheCredentialsInstead)
{
    for (int version : {5, 0, -1}) {
        fake::Reset();
        Ticket.UserName = "ivanov";
        Ticket.Password = "S3cret!";
        fake::State().WindowsMajorVersion = version;
        StageCredentials();
        const std::vector<std::string> expected = {
            "box Удаленное подключение [Для подключения используйте имя пользователя - ivanov и пароль S3cret!]"};
        EXPECT_EQ(fake::State().Calls, expected) << "version " << version;
        EXPECT_TRUE(ManualCredentials);
    }
}

TEST_F(StageCredentialsTest, ValuesWithSpacesStayOneArgument)
{
    Ticket.UserName = "Иван Иванов";
    Ticket.Password = "two words";
    StageCredentials();
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
