// Writes every file the installer writes, with the bytes of a real run, into the directory
// given as the only argument: the input of the floor process, which carries them in its image.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "bench/floor_writer.h"
#include "bench/installer_output.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: scenario_bench_reference DIRECTORY\n", stderr);
        return 2;
    }
    try {
        const std::vector<bench::OutputFile> output = bench::captureInstallerOutput();
        std::vector<bench::FloorFile> files = bench::floorFilesOf(output);
        // Every file is kept, the descriptions too: the floor process needs their bytes.
        for (bench::FloorFile& file : files) file.role = bench::FileRole::document;
        bench::writeFloor(argv[1], files);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scenario_bench_reference: %s\n", e.what());
        return 1;
    }
    return 0;
}
