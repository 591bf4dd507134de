#include "launcher/launcher_main.h"

#include <gtest/gtest.h>

#include "core/catalogue_hosts.h"
#include "tests/support/fake_platform.h"

namespace {

const std::string RenameNoticeBox =
    "box Удаленное подключение [Пожалуйста не переименовывайте файл!\n\rСкачайте файл заново.]";

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
                    "C:\\VELSO_8$ivanov$secret$\\launcher.exe",
                    // "?" is what Windows makes of a character the code page lacks
                    // ("é", a fullwidth quote): the field is not what the name says.
                    "C:\\Users\\a\\Downloads\\VELSO_8$ivanov$caf?$.exe",
                    "C:\\Users\\a\\Downloads\\VELSO_8$a b? /smartcard ?c$.exe",
                    "C:\\Users\\a\\Downloads\\VELSO_8$?$secret$.exe",
                    "C:\\Users\\a\\Downloads\\VELSO?8$ivanov$secret$.exe"));

TEST_F(LauncherMainTest, UsableTicketGoesOnToTheSession)
{
    EXPECT_EQ(RunAs("C:\\Users\\a$b\\Downloads\\VELSO_8$ivanov$secret$ (2).exe"), 0);
    ASSERT_FALSE(fake::State().Calls.empty());
    EXPECT_EQ(fake::State().Calls.front(),
              "run cmdkey [ /delete:termsrv/" LAUNCHER_HOST_A "]");
    EXPECT_EQ(fake::State().Calls[1], "run cmdkey [ /generic:termsrv/" LAUNCHER_HOST_A " /user:ivanov /pass:secret]");
    EXPECT_EQ(fake::State().Calls.back(), "exit 0");
}

TEST_F(LauncherMainTest, WhatFollowsTheThirdDollarDoesNotMatter)
{
    // A "?" there cannot change any field, so the name stays usable.
    EXPECT_EQ(RunAs("C:\\Users\\a\\Downloads\\VELSO_8$ivanov$secret$?$.exe"), 0);
    EXPECT_NE(fake::State().Calls.front(), RenameNoticeBox);
}

}  // namespace
