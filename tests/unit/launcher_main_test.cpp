#include "launcher/launcher_main.h"

#include <gtest/gtest.h>

#include "launcher/run_state.h"
#include "tests/support/fake_platform.h"

namespace {

const std::string RenameNoticeBox =
    "box Удаленное подключение [Пожалуйста не переименовывайте файл!\n\rСкачайте файл заново.]";

TEST(FileNamePartTest, TakesWhatFollowsTheLastSeparator)
{
    EXPECT_EQ(FileNamePart("C:\\Users\\a\\Desktop\\VELSO_8$u$p$.exe"), "VELSO_8$u$p$.exe");
    EXPECT_EQ(FileNamePart("C:VELSO_8$u$p$.exe"), "VELSO_8$u$p$.exe");
    EXPECT_EQ(FileNamePart("VELSO_8$u$p$.exe"), "VELSO_8$u$p$.exe");
    EXPECT_EQ(FileNamePart("\\\\server\\share$\\x$y$z$\\launcher.exe"), "launcher.exe");
    EXPECT_EQ(FileNamePart("C:\\folder\\"), "");
}

class LauncherMainTest : public testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    int RunAs(const std::string& path)
    {
        fake::State().ExecutablePath = path;
        return fake::RunLauncher();
    }
};

class RenamedLauncherTest : public LauncherMainTest, public testing::WithParamInterface<const char*> {};

TEST_P(RenamedLauncherTest, ShowsTheRenameNoticeAndTouchesNothing)
{
    EXPECT_EQ(RunAs(GetParam()), 0);
    const std::vector<std::string> expected = {RenameNoticeBox, "exit 0"};
    EXPECT_EQ(fake::State().Calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    BrokenTickets, RenamedLauncherTest,
    testing::Values("C:\\Users\\a\\Downloads\\launcher.exe",
                    "C:\\Users\\a\\Downloads\\VELSO_8$ivanov$secret.exe",  // password not closed by "$"
                    "C:\\Users\\a\\Downloads\\velso_8$ivanov$secret$.exe",  // letter case differs
                    "C:\\Users\\a\\Downloads\\VELSO_8 $ivanov$secret$.exe",
                    "C:\\Users\\a\\Downloads\\VELSO_9$ivanov$secret$.exe",
                    "C:\\Users\\a\\Downloads\\VELSO_8$$secret$.exe",
                    "C:\\Users\\a\\Downloads\\$ivanov$secret$.exe",
                    // The ticket sits in a folder name, not in the file's own name.
                    "C:\\VELSO_8$ivanov$secret$\\launcher.exe"));

TEST_F(LauncherMainTest, UsableTicketGoesOnToTheSession)
{
    EXPECT_EQ(RunAs("C:\\Users\\a$b\\Downloads\\VELSO_8$ivanov$secret$.exe"), 0);
    ASSERT_FALSE(fake::State().Calls.empty());
    EXPECT_NE(fake::State().Calls.front(), RenameNoticeBox);
    EXPECT_EQ(Ticket.UserName, "ivanov");
    EXPECT_EQ(Ticket.Password, "secret");
    EXPECT_EQ(Profile.DisplayName, "ВЕЛСО 8");
}

}  // namespace
