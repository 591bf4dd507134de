#include "core/service_catalogue.h"

#include "core/catalogue_hosts.h"

namespace {

const CatalogueRow Rows[] = {
    {"VELSO_8", {"ВЕЛСО 8", "VELSO8", LAUNCHER_HOST_A, "3395"}, false},
    {"VELSO_8_Online", {"ВЕЛСО 8 Онлайн", "VELSO8", LAUNCHER_HOST_A, "3396"}, false},
    {"VELSO_NRT", {"ВЕЛСО НРТ 2016", "ВЕЛСО НРТ2016", LAUNCHER_HOST_B, "3395"}, false},
    {"VELSO_NRT_Online", {"ВЕЛСО НРТ Онлайн", "ВЕЛСО НРТ2016", LAUNCHER_HOST_C, "3396"}, false},
    {"VELSO_LM", {"ВЕЛСО ЛМ", "VELSO_LM", LAUNCHER_HOST_D, "3395"}, false},
    {"VELSO_LM_Free", {"ВЕЛСО ЛМ Онлайн", "VELSO_LM", LAUNCHER_HOST_E, "3396"}, false},
    {"VELSO_LM_Online", {"ВЕЛСО ЛМ Онлайн", "VELSO_LM", LAUNCHER_HOST_E, "3397"}, false},
    {"VELSO_LM_CP_Online", {"ВЕЛСО ЛМ Онлайн", "VELSO_LM", LAUNCHER_HOST_E, "3397"}, true},
    {"VELSO_DOR_UA", {"ВЕЛСО ДОР", "DOR_UA", LAUNCHER_HOST_A, "3395"}, false},
    {"VELSO_DOR_RK", {"ВЕЛСО ДОР ЛМ", "DOR_RK", LAUNCHER_HOST_D, "3395"}, false},
    {"VELSO_DOR_RU", {"ВЕЛСО ДОР РФ", "DOR_RU", LAUNCHER_HOST_B, "3395"}, false},
};

}  // namespace

const CatalogueRow* CatalogueRows()
{
    return Rows;
}

int CatalogueRowCount()
{
    return static_cast<int>(sizeof Rows / sizeof Rows[0]);
}

const CatalogueRow* FindCatalogueRow(const std::string& productCode)
{
    for (const CatalogueRow& row : Rows) {
        if (productCode == row.ProductCode)
            return &row;
    }
    return nullptr;
}

const ConnectionProfile& CompanionProfile()
{
    static const ConnectionProfile companion = {"MSProject Online", "MSProj", LAUNCHER_HOST_E, "3397"};
    return companion;
}
