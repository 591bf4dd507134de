#include "launcher/connection_file.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/catalogue_hosts.h"
#include "core/service_catalogue.h"
#include "tests/support/fake_platform.h"

namespace {

// A fixture file with its host placeholders replaced by the configured hosts.
std::string Golden(const std::string& name)
{
    std::ifstream in(FIXTURE_DIR + name, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::pair<std::string, std::string> hosts[] = {{"@HOST_A@", LAUNCHER_HOST_A},
                                                         {"@HOST_B@", LAUNCHER_HOST_B},
                                                         {"@HOST_E@", LAUNCHER_HOST_E}};
    for (const auto& [token, host] : hosts)
        for (auto at = text.find(token); at != std::string::npos; at = text.find(token))
            text.replace(at, token.size(), host);
    return text;
}

const ConnectionProfile& Velso8()
{
    return FindCatalogueRow("VELSO_8")->Profile;
}

int WriteAndReportExit(const ConnectionProfile& profile = Velso8())
{
    try {
        WriteConnectionFile(fake::State().DesktopFolder, profile);
    } catch (const fake::ProcessEnded& ended) {
        return ended.ExitCode;
    }
    return -1;  // returned normally
}

class ConnectionFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        fake::State().ExecutablePath = "C:\\Users\\a\\Downloads\\VELSO_8$ivanov$secret$.exe";
    }

    static std::string DesktopFile(const std::string& name) { return "C:\\Users\\user\\Desktop\\" + name; }
};

struct GoldenCase {
    const char* ProductCode;  // null: the companion profile
    const char* FileName;
    const char* Fixture;
};

void PrintTo(const GoldenCase& c, std::ostream* out)
{
    *out << c.Fixture;
}

class GoldenFileTest : public ConnectionFileTest, public testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenFileTest, WritesTheFixtureBytesUnderTheDisplayName)
{
    const ConnectionProfile& profile =
        GetParam().ProductCode ? FindCatalogueRow(GetParam().ProductCode)->Profile : CompanionProfile();
    EXPECT_EQ(WriteAndReportExit(profile), -1);
    const std::map<std::string, std::string> expected = {{DesktopFile(GetParam().FileName), Golden(GetParam().Fixture)}};
    EXPECT_EQ(fake::State().Files, expected);
}

INSTANTIATE_TEST_SUITE_P(Profiles, GoldenFileTest,
                         testing::Values(GoldenCase{"VELSO_8", "ВЕЛСО 8.rdp", "velso8.rdp"},
                                         GoldenCase{"VELSO_NRT", "ВЕЛСО НРТ 2016.rdp", "velso-nrt-2016.rdp"},
                                         GoldenCase{nullptr, "MSProject Online.rdp", "msproject-online.rdp"}));

TEST_F(ConnectionFileTest, OverwritesAnEarlierFileCompletely)
{
    fake::State().Files[DesktopFile("ВЕЛСО 8.rdp")] = std::string(5000, 'x');
    EXPECT_EQ(WriteAndReportExit(), -1);
    EXPECT_EQ(fake::State().Files[DesktopFile("ВЕЛСО 8.rdp")], Golden("velso8.rdp"));
}

TEST_F(ConnectionFileTest, ChecksEveryFileOperationInOrder)
{
    EXPECT_EQ(WriteAndReportExit(), -1);
    const std::string path = DesktopFile("ВЕЛСО 8.rdp");
    const std::vector<std::string> expected = {"create " + path, "write " + path, "close " + path};
    EXPECT_EQ(fake::State().Calls, expected);
}

// The report names the executable, the code offset and the message for the OS code.
std::string ReportFor(const std::string& message)
{
    return "Exception EInOutError in module VELSO_8$ivanov$secret$.exe at 00001A2B.\r\n" + message + "\r\n";
}

struct FailureCase {
    unsigned long Code;
    const char* Message;
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << "code " << c.Code;
}

class CreateFailureTest : public ConnectionFileTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(CreateFailureTest, ReportsTheErrorAndLeavesTheOldFileAlone)
{
    fake::State().Files[DesktopFile("ВЕЛСО 8.rdp")] = "someone else's file";
    fake::State().CreateError = GetParam().Code;
    EXPECT_EQ(WriteAndReportExit(), 1);
    EXPECT_EQ(fake::State().FatalReport, ReportFor(GetParam().Message));
    const std::vector<std::string> expected = {"create " + DesktopFile("ВЕЛСО 8.rdp"), "fatal"};
    EXPECT_EQ(fake::State().Calls, expected);
    EXPECT_EQ(fake::State().Files[DesktopFile("ВЕЛСО 8.rdp")], "someone else's file");
}

INSTANTIATE_TEST_SUITE_P(OsCodes, CreateFailureTest,
                         testing::Values(FailureCase{2, "File not found."}, FailureCase{3, "Invalid filename."},
                                         FailureCase{4, "Too many open files."},
                                         FailureCase{5, "File access denied."},
                                         FailureCase{32, "I/O error 32."}, FailureCase{112, "I/O error 112."},
                                         FailureCase{1224, "I/O error 1224."}));

struct OffsetCase {
    std::uint32_t Offset;
    const char* Shown;
};

void PrintTo(const OffsetCase& c, std::ostream* out)
{
    *out << c.Shown;
}

class CodeOffsetTest : public ConnectionFileTest, public testing::WithParamInterface<OffsetCase> {};

TEST_P(CodeOffsetTest, ReportShowsTheOffsetAsEightUpperCaseHexDigits)
{
    fake::State().CodeOffset = GetParam().Offset;
    fake::State().CreateError = 5;
    EXPECT_EQ(WriteAndReportExit(), 1);
    EXPECT_EQ(fake::State().FatalReport, std::string("Exception EInOutError in module VELSO_8$ivanov$secret$.exe at ") +
                                             GetParam().Shown + ".\r\nFile access denied.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Offsets, CodeOffsetTest,
                         testing::Values(OffsetCase{0, "00000000"}, OffsetCase{0xF, "0000000F"},
                                         OffsetCase{0x3607, "00003607"}, OffsetCase{0x00401000, "00401000"},
                                         OffsetCase{0xFEDCBA98, "FEDCBA98"}, OffsetCase{0xFFFFFFFF, "FFFFFFFF"}));

TEST_F(ConnectionFileTest, FailedWriteRemovesTheHalfWrittenFile)
{
    fake::State().WriteError = 112;
    EXPECT_EQ(WriteAndReportExit(), 1);
    const std::string path = DesktopFile("ВЕЛСО 8.rdp");
    const std::vector<std::string> expected = {"create " + path, "write " + path, "close " + path, "remove " + path,
                                               "fatal"};
    EXPECT_EQ(fake::State().Calls, expected);
    EXPECT_TRUE(fake::State().Files.empty());
    EXPECT_EQ(fake::State().FatalReport, ReportFor("I/O error 112."));
}

TEST_F(ConnectionFileTest, FailedCloseRemovesTheFile)
{
    fake::State().CloseError = 5;
    EXPECT_EQ(WriteAndReportExit(), 1);
    EXPECT_TRUE(fake::State().Files.empty());
    EXPECT_EQ(fake::State().FatalReport, ReportFor("File access denied."));
}

TEST_F(ConnectionFileTest, UnknownDesktopFailsWithoutTouchingAnyFile)
{
    fake::State().DesktopFolder = "";
    EXPECT_EQ(WriteAndReportExit(), 1);
    const std::vector<std::string> expected = {"fatal"};
    EXPECT_EQ(fake::State().Calls, expected);
    EXPECT_EQ(fake::State().FatalReport, ReportFor("Invalid filename."));
}

TEST_F(ConnectionFileTest, PathLongerThan259CharactersIsRefused)
{
    // "\ВЕЛСО 8.rdp" adds 12 characters
    fake::State().DesktopFolder = "C:\\" + std::string(259 - 12 - 3, 'd');
    EXPECT_EQ(WriteAndReportExit(), -1);

    fake::Reset();
    fake::State().ExecutablePath = "C:\\Users\\a\\Downloads\\VELSO_8$ivanov$secret$.exe";
    fake::State().DesktopFolder = "C:\\" + std::string(259 - 12 - 3 + 1, 'd');
    EXPECT_EQ(WriteAndReportExit(), 1);
    EXPECT_EQ(fake::State().Calls, std::vector<std::string>{"fatal"});
    EXPECT_EQ(fake::State().FatalReport, ReportFor("Invalid filename."));
}

}  // namespace
