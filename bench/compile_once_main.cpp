// Compiles one generated line in memory and encodes its files, once, so that the peak memory
// of the compilation can be measured from outside (for instance with /usr/bin/time -v).
// Prints the sizes of the three files; fails when the compilation is not the expected one.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/compile_generated.h"
#include "bench/generated_scenario.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: scenario_compile_once METRES\n", stderr);
        return 2;
    }
    try {
        const bench::GeneratedScenario line = bench::generateScenario(std::atoi(argv[1]));
        const bench::CompileOutcome outcome = bench::compileGenerated(line);
        if (const std::string fault = bench::checkOutcome(line, outcome); !fault.empty()) {
            std::fprintf(stderr, "scenario_compile_once: %s\n", fault.c_str());
            return 1;
        }
        std::printf(
            "metres %d curves %d gradients %d mountains %d speed_indicators %d "
            "speed_stretches %d adhesion_stretches %d signals %d stations %d "
            "plan %zu train %zu route %zu\n",
            line.metres, line.curves, line.gradients, line.mountains, line.speedIndicators,
            line.speedStretches, line.adhesionStretches, line.signals, line.stations,
            outcome.planBytes, outcome.trainBytes, outcome.routeBytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scenario_compile_once: %s\n", e.what());
        return 1;
    }
    return 0;
}
