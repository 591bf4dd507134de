#include "launcher/launch_session.h"

#include <gtest/gtest.h>

#include "core/catalogue_hosts.h"
#include "tests/support/fake_platform.h"

namespace {

class LaunchSessionTest : public testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    int RunAs(const std::string& fileName)
    {
        fake::State().ExecutablePath = "C:\\Users\\a\\Downloads\\" + fileName;
        return fake::RunLauncher();
    }
};

TEST_F(LaunchSessionTest, FullRunStagesWritesStartsTheClientAndExits)
{
    EXPECT_EQ(RunAs("VELSO_LM_Online$ivanov$secret$.exe"), 0);
    const std::string file = "C:\\Users\\user\\Desktop\\ВЕЛСО ЛМ Онлайн.rdp";
    const std::vector<std::string> expected = {
        "run cmdkey [ /delete:termsrv/" LAUNCHER_HOST_E "]",
        "run cmdkey [ /generic:termsrv/" LAUNCHER_HOST_E " /user:ivanov /pass:secret]",
        "create " + file,
        "write " + file,
        "close " + file,
        "run mstsc [\"" + file + "\"]",
        "exit 0"};
    EXPECT_EQ(fake::State().Calls, expected);
    EXPECT_EQ(fake::State().Files.size(), 1u);
}

TEST_F(LaunchSessionTest, CompanionFileFollowsOnlyAfterTheClientHasEnded)
{
    EXPECT_EQ(RunAs("VELSO_LM_CP_Online$ivanov$secret$.exe"), 0);
    const std::string companion = "C:\\Users\\user\\Desktop\\MSProject Online.rdp";
    const std::vector<std::string>& calls = fake::State().Calls;
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[calls.size() - 5], "run mstsc [\"C:\\Users\\user\\Desktop\\ВЕЛСО ЛМ Онлайн.rdp\"]");
    const std::vector<std::string> tail(calls.end() - 4, calls.end());
    const std::vector<std::string> expected = {"create " + companion, "write " + companion, "close " + companion,
                                               "exit 0"};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(fake::State().Files.count(companion), 1u);
    EXPECT_EQ(fake::State().Files.size(), 2u);
}

TEST_F(LaunchSessionTest, DesktopWithSpacesReachesTheClientAsOneQuotedPath)
{
    fake::State().DesktopFolder = "C:\\Documents and Settings\\Иван Иванов\\Рабочий стол";
    EXPECT_EQ(RunAs("VELSO_8$ivanov$secret$.exe"), 0);
    const std::vector<std::string>& calls = fake::State().Calls;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2],
              "run mstsc [\"C:\\Documents and Settings\\Иван Иванов\\Рабочий стол\\ВЕЛСО 8.rdp\"]");
}

TEST_F(LaunchSessionTest, FailedFileEndsTheRunBeforeTheClient)
{
    fake::State().CreateError = 5;
    EXPECT_EQ(RunAs("VELSO_LM_CP_Online$ivanov$secret$.exe"), 1);
    EXPECT_EQ(fake::State().Calls.back(), "fatal");
    for (const std::string& call : fake::State().Calls)
        EXPECT_EQ(call.find("run mstsc"), std::string::npos);
}

TEST_F(LaunchSessionTest, FailedCompanionFileComesAfterTheSession)
{
    fake::State().CreateError = 5;
    fake::State().FailingCreate = 2;
    EXPECT_EQ(RunAs("VELSO_LM_CP_Online$ivanov$secret$.exe"), 1);
    const std::vector<std::string>& calls = fake::State().Calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], "run mstsc [\"C:\\Users\\user\\Desktop\\ВЕЛСО ЛМ Онлайн.rdp\"]");
    EXPECT_EQ(calls.back(), "fatal");
    EXPECT_EQ(fake::State().Files.size(), 1u);
}

TEST_F(LaunchSessionTest, OldWindowsShowsCredentialsAndStillStartsTheClient)
{
    fake::State().WindowsMajorVersion = 5;
    EXPECT_EQ(RunAs("VELSO_8$ivanov$secret$.exe"), 0);
    const std::vector<std::string>& calls = fake::State().Calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(),
              "box Удаленное подключение [Для подключения используйте имя пользователя - ivanov и пароль secret]");
    for (const std::string& call : calls)
        EXPECT_EQ(call.find("run cmdkey"), std::string::npos);
    EXPECT_EQ(calls[calls.size() - 2], "run mstsc [\"C:\\Users\\user\\Desktop\\ВЕЛСО 8.rdp\"]");
}

}  // namespace
