// Writes a generated line's two descriptions into a folder, as GENERATED_linea.txt and
// GENERATED_T1-.txt, for measuring the tools (the live viewer) on a line of any length.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "bench/generated_scenario.h"

namespace {

bool writeWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: scenario_write_generated METRES DIR\n", stderr);
        return 2;
    }
    try {
        const bench::GeneratedScenario line = bench::generateScenario(std::atoi(argv[1]));
        const std::string dir = argv[2];
        if (!writeWhole(dir + "/GENERATED_linea.txt", line.line) ||
            !writeWhole(dir + "/GENERATED_T1-.txt", line.train)) {
            std::fprintf(stderr, "scenario_write_generated: cannot write into %s\n", argv[2]);
            return 1;
        }
        std::printf("metres %d signals %d stations %d\n", line.metres, line.signals, line.stations);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scenario_write_generated: %s\n", e.what());
        return 1;
    }
    return 0;
}
