#include "tools/mint/explain.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/catalogue_hosts.h"
#include "tools/mint/cp1251.h"
#include "tests/support/fake_platform.h"

namespace {

struct Explained {
    int ExitCode;
    std::string Out;
    std::string Err;
};

Explained Explain(const std::string& name)
{
    std::ostringstream out, err;
    Messages messages(err);
    const int exitCode = ExplainCopyName(name, out, messages);
    return Explained{exitCode, out.str(), err.str()};
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& label)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, label.size(), label) == 0)
            lines.push_back(line);
    }
    return lines;
}

TEST(ExplainTest, UsableNameShowsFieldsProfileAndTheRun)
{
    const Explained explained = Explain("C:\\Users\\a$b$c$\\Downloads\\VELSO_8$ivanov$secret$ (2).exe");
    EXPECT_EQ(explained.ExitCode, 0);
    EXPECT_EQ(explained.Out,
              u8"File name:     \"VELSO_8$ivanov$secret$ (2).exe\"\n"
              u8"Product code:  \"VELSO_8\"\n"
              u8"User name:     \"ivanov\"\n"
              u8"Password:      \"secret\"\n"
              u8"Ignored:       \" (2).exe\" (after the third \"$\")\n"
              u8"Catalogue row: 1 (VELSO_8)\n"
              u8"Display name:  \"ВЕЛСО 8\", the connection file \"ВЕЛСО 8.rdp\" on the desktop\n"
              u8"Host:          " LAUNCHER_HOST_A "\n"
              u8"Port:          3395\n"
              u8"Alias:         \"VELSO8\"\n"
              u8"Companion:     no\n"
              u8"Result:        the launcher stores the credential for termsrv/" LAUNCHER_HOST_A
              u8", writes \"ВЕЛСО 8.rdp\" to the desktop and starts mstsc on it\n");
    EXPECT_EQ(explained.Err, "");
}

TEST(ExplainTest, RenameNoticeNameShowsEveryReason)
{
    const Explained explained = Explain("velso_8$ivanov.exe");
    EXPECT_EQ(explained.ExitCode, 1);
    EXPECT_EQ(explained.Out,
              "File name:     \"velso_8$ivanov.exe\"\n"
              "Product code:  \"velso_8\"\n"
              "User name:     \"\"\n"
              "Password:      \"\"\n"
              "Result:        the launcher shows the rename notice and exits with code 0; nothing else happens\n"
              "Why:           the product code \"velso_8\" is not in the catalogue; did you mean \"VELSO_8\"? It "
              "differs in letter case\n"
              "Why:           the user name is empty: no \"$\" closes it (the name holds only 1 \"$\")\n"
              "Why:           the password is empty: no \"$\" closes it (the name holds only 1 \"$\"; the third "
              "\"$\" belongs after the password, before \".exe\")\n");
}

TEST(ExplainTest, CompanionRowNamesTheSecondFile)
{
    const Explained explained = Explain("VELSO_LM_CP_Online$u$p$.exe");
    EXPECT_EQ(explained.ExitCode, 0);
    EXPECT_EQ(LinesStartingWith(explained.Out, "Catalogue row:"),
              std::vector<std::string>{"Catalogue row: 8 (VELSO_LM_CP_Online)"});
    EXPECT_EQ(LinesStartingWith(explained.Out, "Companion:"),
              std::vector<std::string>{"Companion:     yes: when the client has closed, \"MSProject Online.rdp\" "
                                       "follows (alias \"MSProj\", host " LAUNCHER_HOST_E ", port 3397)"});
}

struct ReasonCase {
    const char* Name;
    std::string FileName;
    std::vector<std::string> Why;
};

class RenameNoticeReasonTest : public testing::TestWithParam<ReasonCase> {
protected:
    void SetUp() override { fake::Reset(); }
};

// The verdict must be the launcher's own: the same name run through the
// launcher (on the recording fake) must show the rename notice.
TEST_P(RenameNoticeReasonTest, GivesTheLaunchersVerdictAndWhy)
{
    const ReasonCase& c = GetParam();
    const Explained explained = Explain(c.FileName);
    EXPECT_EQ(explained.ExitCode, 1);
    std::vector<std::string> why;
    for (const std::string& line : LinesStartingWith(explained.Out, "Why:"))
        why.push_back(line.substr(15));
    EXPECT_EQ(why, c.Why);

    ConversionProblem problem;
    fake::State().ExecutablePath = "C:\\Users\\a\\Downloads\\" + Utf8ToCp1251(c.FileName, problem);
    fake::RunLauncher();
    ASSERT_FALSE(fake::State().Calls.empty());
    EXPECT_EQ(fake::State().Calls.front().compare(0, 4, "box "), 0);
    EXPECT_EQ(fake::State().Calls.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameNoticeReasonTest,
    testing::Values(
        ReasonCase{"NoDollar", "launcher.exe", {"the name holds no \"$\", so all three fields are empty"}},
        ReasonCase{"LeadingDollar", "$ivanov$secret$.exe", {"the product code is empty: the name begins with \"$\""}},
        ReasonCase{"PasswordNotClosed", "VELSO_8$ivanov$secret.exe",
                   {"the password is empty: no \"$\" closes it (the name holds only 2 \"$\"; the third \"$\" "
                    "belongs after the password, before \".exe\")"}},
        ReasonCase{"AdjacentDollars", "VELSO_8$$secret$.exe", {"the user name is empty: two \"$\" follow each other"}},
        ReasonCase{"EmptyPasswordBetweenDollars", "VELSO_8$ivanov$$.exe",
                   {"the password is empty: two \"$\" follow each other"}},
        ReasonCase{"TrailingSpaceInCode", "VELSO_8 $ivanov$secret$.exe",
                   {"the product code \"VELSO_8 \" is not in the catalogue; did you mean \"VELSO_8\"? It differs in "
                    "surrounding spaces"}},
        ReasonCase{"CyrillicLetterInCode", u8"VELSО_LM$ivanov$secret$.exe",
                   {u8"the product code \"VELSО_LM\" is not in the catalogue; did you mean \"VELSO_LM\"? It differs "
                    u8"in Cyrillic letters that look like Latin ones"}},
        ReasonCase{"UnknownCode", "VELSO_9$ivanov$secret$.exe",
                   {"the product code \"VELSO_9\" is not in the catalogue; launcher-mint --catalogue lists the "
                    "codes"}},
        // The alias of a row is not a product code.
        ReasonCase{"AliasInsteadOfCode", "VELSO8$ivanov$secret$.exe",
                   {"the product code \"VELSO8\" is not in the catalogue; launcher-mint --catalogue lists the "
                    "codes"}}),
    [](const testing::TestParamInfo<ReasonCase>& info) { return info.param.Name; });

struct PathCase {
    std::string Path;
    const char* FileName;
};

class ExplainPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(ExplainPathTest, OnlyTheFileNamePartCounts)
{
    const Explained explained = Explain(GetParam().Path);
    EXPECT_EQ(LinesStartingWith(explained.Out, "File name:"),
              std::vector<std::string>{std::string("File name:     \"") + GetParam().FileName + "\""});
}

INSTANTIATE_TEST_SUITE_P(Cases, ExplainPathTest,
                         testing::Values(PathCase{"C:\\x$y$z$\\VELSO_8$u$p$.exe", "VELSO_8$u$p$.exe"},
                                         PathCase{"C:VELSO_8$u$p$.exe", "VELSO_8$u$p$.exe"},
                                         PathCase{"/home/admin/a$b$c$/VELSO_8$u$p$.exe", "VELSO_8$u$p$.exe"},
                                         PathCase{"\\\\server\\share$\\VELSO_8$u$p$.exe", "VELSO_8$u$p$.exe"},
                                         PathCase{"C:\\Users\\", ""}));

TEST(ExplainTest, CharacterOutsideTheCodePageArrivesAsQuestionMark)
{
    const Explained explained = Explain(u8"VELSO_8$Łukasz$secret$.exe");
    EXPECT_EQ(explained.ExitCode, 1);
    EXPECT_EQ(LinesStartingWith(explained.Out, "Why:"),
              std::vector<std::string>{"Why:           the user name holds \"?\": a character code page 1251 lacks, "
                                       "which would store a wrong credential"});
    // Outside the macro, which would also quote it as plain text.
    const std::vector<std::string> note = {
        u8"Note:          \"Ł\" (U+0141) and any other character code page 1251 lacks reach the launcher as \"?\""};
    EXPECT_EQ(LinesStartingWith(explained.Out, "Note:"), note);
    EXPECT_EQ(LinesStartingWith(explained.Out, "User name:"),
              std::vector<std::string>{"User name:     \"?ukasz\""});
}

TEST(ExplainTest, SpacesInCredentialsAreNoted)
{
    const Explained explained = Explain("VELSO_8$Ivan Ivanov$two words$.exe");
    EXPECT_EQ(explained.ExitCode, 0);
    EXPECT_EQ(LinesStartingWith(explained.Out, "Note:"),
              (std::vector<std::string>{"Note:          the user name holds a space; the launcher quotes it for cmdkey",
                                        "Note:          the password holds a space; the launcher quotes it for cmdkey"}));
}

TEST(ExplainTest, NameThatIsNotUtf8IsRefused)
{
    const Explained explained = Explain("VELSO_8$\xC8\xE2\xE0\xED$p$.exe");
    EXPECT_EQ(explained.ExitCode, 2);
    EXPECT_EQ(explained.Out, "");
    EXPECT_EQ(explained.Err, "launcher-mint: the name is not UTF-8 text\n");
}

TEST(CatalogueListTest, ListsEveryRowInOrder)
{
    std::ostringstream out;
    PrintCatalogue(out);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], u8"1\tVELSO_8\tВЕЛСО 8\tVELSO8\t" LAUNCHER_HOST_A "\t3395\t-");
    EXPECT_EQ(lines[3], u8"4\tVELSO_NRT_Online\tВЕЛСО НРТ Онлайн\tВЕЛСО НРТ2016\t" LAUNCHER_HOST_C "\t3396\t-");
    EXPECT_EQ(lines[7], u8"8\tVELSO_LM_CP_Online\tВЕЛСО ЛМ Онлайн\tVELSO_LM\t" LAUNCHER_HOST_E "\t3397\tcompanion");
}

}  // namespace
