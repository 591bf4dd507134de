#include "core/launch_ticket.h"

#include <gtest/gtest.h>

namespace {

struct TicketCase {
    const char* FileName;
    const char* ProductCode;
    const char* UserName;
    const char* Password;
};

void PrintTo(const TicketCase& c, std::ostream* out)
{
    *out << '"' << c.FileName << '"';
}

class ParseLaunchTicketTest : public testing::TestWithParam<TicketCase> {};

TEST_P(ParseLaunchTicketTest, SplitsTheFileName)
{
    const TicketCase& c = GetParam();
    const LaunchTicket ticket = ParseLaunchTicket(c.FileName);
    EXPECT_EQ(ticket.ProductCode, c.ProductCode);
    EXPECT_EQ(ticket.UserName, c.UserName);
    EXPECT_EQ(ticket.Password, c.Password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseLaunchTicketTest,
    testing::Values(
        TicketCase{"VELSO_8$ivanov$secret$.exe", "VELSO_8", "ivanov", "secret"},
        TicketCase{"launcher.exe", "", "", ""},
        TicketCase{"", "", "", ""},
        TicketCase{"VELSO_8$ivanov.exe", "VELSO_8", "", ""},
        // The password needs its own closing "$".
        TicketCase{"VELSO_8$ivanov$secret.exe", "VELSO_8", "ivanov", ""},
        // A browser's copy number after the last "$" leaves the fields alone.
        TicketCase{"VELSO_8$ivanov$secret$ (2).exe", "VELSO_8", "ivanov", "secret"},
        TicketCase{"VELSO_8$$secret$.exe", "VELSO_8", "", "secret"},
        TicketCase{"$ivanov$secret$.exe", "", "ivanov", "secret"},
        TicketCase{"$$$", "", "", ""},
        TicketCase{"VELSO 8$Ivan Ivanov$Se cr ET$.exe", "VELSO 8", "Ivan Ivanov", "Se cr ET"},
        TicketCase{"VELSO_8$ivanov$secret$more$fields$.exe", "VELSO_8", "ivanov", "secret"},
        TicketCase{"VELSO_8$иванов$пароль$.exe", "VELSO_8", "иванов", "пароль"}));

TEST(FileNamePartTest, TakesWhatFollowsTheLastSeparator)
{
    EXPECT_EQ(FileNamePart("C:\\Users\\a\\Desktop\\VELSO_8$u$p$.exe"), "VELSO_8$u$p$.exe");
    EXPECT_EQ(FileNamePart("C:VELSO_8$u$p$.exe"), "VELSO_8$u$p$.exe");
    EXPECT_EQ(FileNamePart("VELSO_8$u$p$.exe"), "VELSO_8$u$p$.exe");
    EXPECT_EQ(FileNamePart("\\\\server\\share$\\x$y$z$\\launcher.exe"), "launcher.exe");
    EXPECT_EQ(FileNamePart("C:\\folder\\"), "");
}

}  // namespace
