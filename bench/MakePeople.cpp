// Makes a data.db holding made-up people, for benchmarks run from a script:
//   annivo_bench_make_people DIRECTORY COUNT
#include "PeopleGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIRECTORY COUNT\n", argv[0]);
        return 2;
    }
    try {
        std::printf("%s\n",
                    MakePeopleDatabase(argv[1], std::strtoul(argv[2], nullptr, 10)).c_str());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}
