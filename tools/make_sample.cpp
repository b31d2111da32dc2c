// Writes the sample table (and its memo file) to the path given.
#include "common/sampletable.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample TABLE.dbf\n");
        return 2;
    }
    try {
        std::filesystem::path p(argv[1]);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        MakeSampleTable(argv[1]);
        std::printf("%s\n", argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
