#include "launcher/service_catalogue.h"

#include <gtest/gtest.h>

#include "launcher/catalogue_hosts.h"

namespace {

struct RowCase {
    const char* ProductCode;
    const char* DisplayName;
    const char* AppAlias;
    const char* HostName;
    const char* Port;
    bool Companion;
};

void PrintTo(const RowCase& c, std::ostream* out)
{
    *out << c.ProductCode;
}

class ResolveProfileTest : public testing::TestWithParam<RowCase> {
protected:
    void SetUp() override { ResetRunState(); }
};

TEST_P(ResolveProfileTest, FillsTheProfileOfTheRow)
{
    const RowCase& c = GetParam();
    Ticket.ProductCode = c.ProductCode;
    ResolveProfile(Ticket.ProductCode);
    EXPECT_EQ(Profile.DisplayName, c.DisplayName);
    EXPECT_EQ(Profile.AppAlias, c.AppAlias);
    EXPECT_EQ(Profile.HostName, c.HostName);
    EXPECT_EQ(Profile.Port, c.Port);
    EXPECT_EQ(CompanionWanted, c.Companion);
    EXPECT_EQ(Ticket.ProductCode, c.AppAlias);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, ResolveProfileTest,
    testing::Values(RowCase{"VELSO_8", "ВЕЛСО 8", "VELSO8", LAUNCHER_HOST_A, "3395", false},
                    RowCase{"VELSO_8_Online", "ВЕЛСО 8 Онлайн", "VELSO8", LAUNCHER_HOST_A, "3396", false},
                    RowCase{"VELSO_NRT", "ВЕЛСО НРТ 2016", "ВЕЛСО НРТ2016", LAUNCHER_HOST_B, "3395", false},
                    RowCase{"VELSO_NRT_Online", "ВЕЛСО НРТ Онлайн", "ВЕЛСО НРТ2016", LAUNCHER_HOST_C, "3396", false},
                    RowCase{"VELSO_LM", "ВЕЛСО ЛМ", "VELSO_LM", LAUNCHER_HOST_D, "3395", false},
                    RowCase{"VELSO_LM_Free", "ВЕЛСО ЛМ Онлайн", "VELSO_LM", LAUNCHER_HOST_E, "3396", false},
                    RowCase{"VELSO_LM_Online", "ВЕЛСО ЛМ Онлайн", "VELSO_LM", LAUNCHER_HOST_E, "3397", false},
                    RowCase{"VELSO_LM_CP_Online", "ВЕЛСО ЛМ Онлайн", "VELSO_LM", LAUNCHER_HOST_E, "3397", true},
                    RowCase{"VELSO_DOR_UA", "ВЕЛСО ДОР", "DOR_UA", LAUNCHER_HOST_A, "3395", false},
                    RowCase{"VELSO_DOR_RK", "ВЕЛСО ДОР ЛМ", "DOR_RK", LAUNCHER_HOST_D, "3395", false},
                    RowCase{"VELSO_DOR_RU", "ВЕЛСО ДОР РФ", "DOR_RU", LAUNCHER_HOST_B, "3395", false}));

class UnknownProductCodeTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ResetRunState(); }
};

TEST_P(UnknownProductCodeTest, LeavesTheRunStateEmpty)
{
    Ticket.ProductCode = GetParam();
    ResolveProfile(Ticket.ProductCode);
    EXPECT_EQ(Profile.DisplayName, "");
    EXPECT_EQ(Profile.AppAlias, "");
    EXPECT_EQ(Profile.HostName, "");
    EXPECT_EQ(Profile.Port, "");
    EXPECT_FALSE(CompanionWanted);
    EXPECT_EQ(Ticket.ProductCode, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Codes, UnknownProductCodeTest,
                         testing::Values("velso_8", "VELSO_8 ", " VELSO_8", "", "VELSO8", "VELSO_", "VELSO_8\t",
                                         "VELSO_LM_CP_Online_"));

TEST(CompanionProfileTest, IsTheProjectClientOnTheLmHost)
{
    const ConnectionProfile& companion = CompanionProfile();
    EXPECT_EQ(companion.DisplayName, "MSProject Online");
    EXPECT_EQ(companion.AppAlias, "MSProj");
    EXPECT_EQ(companion.HostName, LAUNCHER_HOST_E);
    EXPECT_EQ(companion.Port, "3397");
}

}  // namespace
