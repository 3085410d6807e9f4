// The installer's whole job against the floor of writing its bytes, in-process and as whole
// processes, and the compiler on generated lines of 250, 500 and 1000 km.
//
// Every timed run starts in a fresh directory after a sync(), so that no run pays for the
// write-back of the one before it; making the directory, copying the executable and removing
// the directory afterwards are not timed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/run_installer.h"
#include "bench/compile_generated.h"
#include "bench/floor_writer.h"
#include "bench/generated_scenario.h"
#include "bench/installer_output.h"
#include "bench/process_run.h"
#include "bench/scratch_dir.h"
#include "platform/ui.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

const std::vector<OutputFile>& reference() {
    static const std::vector<OutputFile> output = captureInstallerOutput();
    return output;
}

std::size_t bytesWritten(const std::vector<OutputFile>& output) {
    std::size_t bytes = 0;
    for (const OutputFile& file : output) bytes += file.bytes.size();
    return bytes;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void installerInProcess(benchmark::State& state) {
    const std::size_t bytes = bytesWritten(reference());
    const std::unique_ptr<platform::Ui> ui = platform::makeHeadlessUi();
    for (auto _ : state) {
        ScratchDir dir;
        ::sync();
        const Clock::time_point start = Clock::now();
        const int status = app::runInstaller(*ui, [&dir] { return dir.str(); });
        state.SetIterationTime(secondsSince(start));
        if (status != 0) {
            state.SkipWithError("the installer failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void floorInProcess(benchmark::State& state) {
    const std::vector<FloorFile> files = floorFilesOf(reference());
    const std::size_t bytes = bytesWritten(reference());
    for (auto _ : state) {
        ScratchDir dir;
        ::sync();
        const Clock::time_point start = Clock::now();
        writeFloor(dir.str(), files);
        state.SetIterationTime(secondsSince(start));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Runs `executable` copied into a fresh directory; the first run's files must be the
// installer's six files, byte for byte.
void wholeProcess(benchmark::State& state, const std::filesystem::path& executable) {
    const std::map<std::string, std::string> expected = remainingFiles(reference());
    bool checked = false;
    for (auto _ : state) {
        ScratchDir dir;
        const std::filesystem::path copy = dir.path() / executable.filename();
        std::filesystem::copy_file(executable, copy);
        ::sync();
        const ProcessRun run = runProcess(copy.string());
        state.SetIterationTime(run.seconds);
        if (run.exitStatus != 0) {
            state.SkipWithError("the process failed");
            break;
        }
        if (!checked) {
            std::filesystem::remove(copy);
            if (readDirectory(dir.path()) != expected) {
                state.SkipWithError("the process did not write the installer's six files");
                break;
            }
            checked = true;
        }
    }
}

void installerProcess(benchmark::State& state) {
    wholeProcess(state, SCENARIO_INSTALLER_EXECUTABLE);
}

void floorProcess(benchmark::State& state) {
    wholeProcess(state, SCENARIO_FLOOR_EXECUTABLE);
}

const GeneratedScenario& generated(std::int32_t metres) {
    static std::map<std::int32_t, GeneratedScenario> cache;
    auto found = cache.find(metres);
    if (found == cache.end()) found = cache.emplace(metres, generateScenario(metres)).first;
    return found->second;
}

void compileLine(benchmark::State& state) {
    const GeneratedScenario& line = generated(static_cast<std::int32_t>(state.range(0)));
    CompileOutcome outcome;
    for (auto _ : state) {
        outcome = compileGenerated(line);
        benchmark::DoNotOptimize(outcome);
    }
    if (const std::string fault = checkOutcome(line, outcome); !fault.empty()) {
        state.SkipWithError(fault.c_str());
        return;
    }
    const std::size_t bytes = outcome.planBytes + outcome.trainBytes + outcome.routeBytes;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetComplexityN(state.range(0));
    state.counters["signals"] = line.signals;
    state.counters["stations"] = line.stations;
    state.counters["plan_bytes"] = static_cast<double>(outcome.planBytes);
}

double minimum(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

double maximum(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

benchmark::internal::Benchmark* withSpread(benchmark::internal::Benchmark* b) {
    return b->ComputeStatistics("min", minimum)->ComputeStatistics("max", maximum);
}

void registerAll() {
    withSpread(benchmark::RegisterBenchmark("installer/in_process", installerInProcess))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    withSpread(benchmark::RegisterBenchmark("floor/in_process", floorInProcess))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    withSpread(benchmark::RegisterBenchmark("installer/process", installerProcess))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    withSpread(benchmark::RegisterBenchmark("floor/process", floorProcess))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    withSpread(benchmark::RegisterBenchmark("compile", compileLine))
        ->Arg(250000)
        ->Arg(500000)
        ->Arg(1000000)
        ->Complexity(benchmark::oN)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
