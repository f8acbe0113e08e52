// annivo-makedb <path>: the build's way to ship data.db. Writes a new database
// from the built-in seed, and leaves a file that is already there alone, so a
// rebuild never replaces the user's data.

#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: annivo-makedb <database file>\n");
        return 2;
    }
    const std::string path = argv[1];
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored)) {
        std::printf("annivo-makedb: %s exists, kept as it is\n", path.c_str());
        return 0;
    }
    try {
        CreateDatabaseFromSeed(path);
    } catch (const DbError& e) {
        std::fprintf(stderr, "annivo-makedb: %s\n", e.what());
        return 1;
    }
    std::printf("annivo-makedb: created %s\n", path.c_str());
    return 0;
}
