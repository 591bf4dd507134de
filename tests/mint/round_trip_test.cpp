// Every catalogue row minted, and every minted name run through the whole
// launcher (on the recording fake): the copy must open its own row.
#include <gtest/gtest.h>

#include <sstream>

#include "core/service_catalogue.h"
#include "tests/mint/mint_test_support.h"
#include "tests/support/fake_platform.h"
#include "tools/mint/cp1251.h"
#include "tools/mint/mint_cli.h"

namespace {

namespace fs = std::filesystem;

const std::string Desktop = "C:\\Users\\user\\Desktop\\";

// A user and a password per row that use what the roster may hold: Cyrillic,
// punctuation, a comma and quotes in CSV, a copy suffix.
std::string UserOf(int row)
{
    return u8"Пользователь_" + std::to_string(row);
}

std::string PasswordOf(int row)
{
    return u8"Ёж,№" + std::to_string(row) + "!";
}

std::string RosterOfEveryRow()
{
    std::string roster = "product,user,password,copy\r\n";
    for (int i = 0; i < CatalogueRowCount(); ++i) {
        roster += std::string(CatalogueRows()[i].ProductCode) + "," + UserOf(i) + ",\"" + PasswordOf(i) + "\"," +
                  (i % 2 ? " (2)" : "") + "\r\n";
    }
    return roster;
}

// Which roster row a minted name belongs to, by its product code.
int RowOfName(const std::string& ansiName)
{
    const std::string code = ansiName.substr(0, ansiName.find('$'));
    for (int i = 0; i < CatalogueRowCount(); ++i) {
        if (code == CatalogueRows()[i].ProductCode)
            return i;
    }
    return -1;
}

TEST(RoundTripTest, EveryMintedCopyOpensItsCatalogueRow)
{
    minttest::TempDir temp;
    minttest::WriteFile(temp / "users.csv", RosterOfEveryRow());
    minttest::WriteFile(temp / "launcher.exe", minttest::FakeLauncherBytes());
    std::ostringstream out, err;
    ASSERT_EQ(RunMint({"--launcher", (temp / "launcher.exe").string(), "--roster", (temp / "users.csv").string(),
                       "--out", (temp / "out").string()},
                      out, err),
              0)
        << err.str();
    EXPECT_EQ(err.str(), "");

    const std::vector<std::string> names = minttest::Entries(temp / "out");
    ASSERT_EQ(static_cast<int>(names.size()), CatalogueRowCount());
    std::vector<bool> seen(CatalogueRowCount(), false);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(minttest::ReadFile(temp / "out" / name), minttest::FakeLauncherBytes());
        ConversionProblem problem;
        const std::string ansiName = Utf8ToCp1251(name, problem);
        ASSERT_FALSE(problem.Found);
        const int row = RowOfName(ansiName);
        ASSERT_GE(row, 0);
        seen[row] = true;
        const ConnectionProfile& profile = CatalogueRows()[row].Profile;

        fake::Reset();
        fake::State().ExecutablePath = "C:\\Users\\user\\Downloads\\" + ansiName;
        EXPECT_EQ(fake::RunLauncher(), 0);
        ConversionProblem ignored;
        const std::string credential = " /generic:termsrv/" + profile.HostName +
                                       " /user:" + Utf8ToCp1251(UserOf(row), ignored) +
                                       " /pass:" + Utf8ToCp1251(PasswordOf(row), ignored);
        const std::vector<std::string>& calls = fake::State().Calls;
        EXPECT_NE(std::find(calls.begin(), calls.end(), "run cmdkey [" + credential + "]"), calls.end());
        const std::string& file = fake::State().Files[Desktop + profile.DisplayName + ".rdp"];
        EXPECT_NE(file.find("server port:i:" + profile.Port + "\r\n"), std::string::npos);
        EXPECT_NE(file.find("full address:s:" + profile.HostName + "\r\n"), std::string::npos);
        EXPECT_EQ(fake::State().Files.count(Desktop + CompanionProfile().DisplayName + ".rdp"),
                  CatalogueRows()[row].CompanionWanted ? 1u : 0u);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), CatalogueRowCount());
}

}  // namespace
