#include "core/service_catalogue.h"

#include <gtest/gtest.h>

#include "core/catalogue_hosts.h"

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

class FindCatalogueRowTest : public testing::TestWithParam<RowCase> {};

TEST_P(FindCatalogueRowTest, FindsTheRowOfTheCode)
{
    const RowCase& c = GetParam();
    const CatalogueRow* row = FindCatalogueRow(c.ProductCode);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->ProductCode, c.ProductCode);
    EXPECT_EQ(row->Profile.DisplayName, c.DisplayName);
    EXPECT_EQ(row->Profile.AppAlias, c.AppAlias);
    EXPECT_EQ(row->Profile.HostName, c.HostName);
    EXPECT_EQ(row->Profile.Port, c.Port);
    EXPECT_EQ(row->CompanionWanted, c.Companion);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, FindCatalogueRowTest,
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

class UnknownProductCodeTest : public testing::TestWithParam<const char*> {};

TEST_P(UnknownProductCodeTest, FindsNoRow)
{
    EXPECT_EQ(FindCatalogueRow(GetParam()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Codes, UnknownProductCodeTest,
                         testing::Values("velso_8", "VELSO_8 ", " VELSO_8", "", "VELSO8", "VELSO_", "VELSO_8\t",
                                         "VELSO_LM_CP_Online_", "MSProj", "VELSO_8?"));

TEST(CompanionProfileTest, IsTheProjectClientOnTheLmHost)
{
    const ConnectionProfile& companion = CompanionProfile();
    EXPECT_EQ(companion.DisplayName, "MSProject Online");
    EXPECT_EQ(companion.AppAlias, "MSProj");
    EXPECT_EQ(companion.HostName, LAUNCHER_HOST_E);
    EXPECT_EQ(companion.Port, "3397");
}

}  // namespace
