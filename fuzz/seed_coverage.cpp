// Runs every file of the seed corpus through the harness on every platform
// setup and fails unless, together, they reach every catalogue row and the
// companion file: the fuzzer starts from there, so nothing it can mutate
// towards is missed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "fuzz/launch_harness.h"
#include "core/service_catalogue.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    std::set<int> rows;
    bool companion = false;
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const harness::Reached reached =
            harness::RunAndCheck(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), true);
        if (reached.CatalogueRow >= 0)
            rows.insert(reached.CatalogueRow);
        companion = companion || reached.CompanionFile;
        ++seeds;
    }
    int missing = 0;
    for (int row = 0; row < CatalogueRowCount(); ++row) {
        if (!rows.count(row)) {
            std::printf("no seed reaches catalogue row %d (%s)\n", row + 1, CatalogueRows()[row].ProductCode);
            ++missing;
        }
    }
    if (!companion) {
        std::printf("no seed reaches the companion file\n");
        ++missing;
    }
    std::printf("%d seeds reach %zu of %d catalogue rows%s\n", seeds, rows.size(), CatalogueRowCount(),
                companion ? " and the companion file" : "");
    return missing ? 1 : 0;
}
