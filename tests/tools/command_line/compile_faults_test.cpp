// `scenario-tool compile --out DIR` when the machine lets it down: each file operation failing in
// turn, a full disk, a read-only folder, and kills part way. It stops with a message that names
// the file and the reason, leaves the earlier compiled files whole, and leaves nothing open,
// temporary or leaked; a run after a kill clears what the killed one left.
#if defined(__linux__)

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_faults.h"
#include "tests/platform/child_process.h"
#include "tests/platform/fault_trace.h"
#include "tests/platform/scratch_mounts.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/compile_command.h"
#include "tools/command_line/exit_status.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace tool {
namespace {

namespace fs = std::filesystem;
using platform::testing::ChildProcess;
using platform::testing::failureFor;
using platform::testing::FileEvent;
using platform::testing::FileOperation;
using platform::testing::inodeOf;
using platform::testing::openDescriptors;
using platform::testing::openFilesIn;
using platform::testing::ScopedFileFaultHook;
using platform::testing::ScratchMount;
using testing::fixture;
using testing::installerFiles;
using testing::slurp;
using testing::spit;
using testing::TempDir;

constexpr auto kRunLimit = std::chrono::seconds(120);

class CompileFaultsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        spit(in.file(testing::kLineFixture), fixture(testing::kLineFixture));
        spit(in.file(testing::kTrainFixture), fixture(testing::kTrainFixture));
        options.lineFile = in.file(testing::kLineFixture);
        options.trainFile = in.file(testing::kTrainFixture);
        compiled = installerFiles(fixture(testing::kLineFixture), fixture(testing::kTrainFixture),
                                  "COLLE_MARE", "R2041", 1);
        ASSERT_EQ(compiled.size(), 3u);
    }

    // The compiled files of an earlier good run, in `dir`.
    void seedEarlierRun(const TempDir& dir) const {
        for (const auto& [name, bytes] : compiled) spit(dir.file(name), bytes);
    }

    int compile(const std::string& outDir, std::string& err) {
        CompileOptions run = options;
        run.outDir = outDir;
        std::ostringstream out;
        std::ostringstream errors;
        const int status = runCompile(run, out, errors);
        err = errors.str();
        return status;
    }

    TempDir in;
    CompileOptions options;
    std::map<std::string, std::string> compiled;
};

TEST_F(CompileFaultsTest, EachOperationThatFailsStopsTheRunAndKeepsTheEarlierFiles) {
    std::vector<FileEvent> trace;
    {
        TempDir out;
        seedEarlierRun(out);
        ScopedFileFaultHook hook([&](FileOperation operation, const std::string& path) {
            trace.push_back({operation, path});
            return 0;
        });
        std::string err;
        ASSERT_EQ(compile(out.str(), err), kExitCompiled) << err;
    }

    for (std::size_t failing = 0; failing < trace.size(); ++failing) {
        const FileEvent& fault = trace[failing];
        // Of a long run of writes to one file, its first, second and last stand for the rest.
        if (failing >= 2 && failing + 1 < trace.size() && fault.operation == FileOperation::write &&
            trace[failing - 2].operation == FileOperation::write &&
            trace[failing + 1].operation == FileOperation::write &&
            trace[failing - 2].path == fault.path && trace[failing + 1].path == fault.path) {
            continue;
        }
        const int error = failureFor(fault.operation);
        const std::string name = fs::path(fault.path).filename().string();
        SCOPED_TRACE("operation " + std::to_string(failing) + " on " + name +
                     " fails: " + std::strerror(error));
        TempDir out;
        seedEarlierRun(out);
        std::map<std::string, ino_t> inodes;
        for (const auto& [file, bytes] : compiled) inodes[file] = inodeOf(out.file(file));

        int operation = 0;
        int mostOpen = 0;
        const int descriptors = openDescriptors();
        std::string err;
        int status;
        {
            ScopedFileFaultHook hook([&](FileOperation, const std::string&) {
                mostOpen = std::max(mostOpen, openFilesIn({in.str(), out.str()}));
                return operation++ == static_cast<int>(failing) ? error : 0;
            });
            status = compile(out.str(), err);
        }

        EXPECT_EQ(openDescriptors(), descriptors) << "a descriptor was left open";
        EXPECT_LE(mostOpen, 1) << "more than one file open at once";
        const bool reading =
            fault.operation == FileOperation::open || fault.operation == FileOperation::read;
        if (reading) {
            EXPECT_EQ(status, kExitNothingWritten);
            EXPECT_EQ(err, "scenario-tool: " + fault.path +
                               ": cannot be read: " + std::strerror(error) + "\n");
        } else {
            EXPECT_EQ(status, kExitOutputFailed);
            EXPECT_EQ(err, "scenario-tool: cannot write " + out.file(name) + ": " +
                               std::strerror(error) + "\n");
        }
        for (const auto& [file, bytes] : compiled) {
            SCOPED_TRACE(file);
            EXPECT_TRUE(slurp(out.file(file)) == bytes) << "not the earlier file";
            const bool replaced =
                std::any_of(trace.begin(), trace.begin() + failing, [&](const FileEvent& e) {
                    return e.operation == FileOperation::rename &&
                           fs::path(e.path).filename() == file;
                });
            if (!replaced) {
                EXPECT_EQ(inodeOf(out.file(file)), inodes[file]) << "touched";
            }
        }
        std::set<std::string> expected;
        for (const auto& [file, bytes] : compiled) expected.insert(file);
        EXPECT_EQ(out.listing(), expected);
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "memory leaked on a failure path";
#endif
}

// The built tool, as a script runs it, against an output folder or a process limit that lets it
// down.
TEST_F(CompileFaultsTest, TheToolStopsOnAFullOrReadOnlyFolderAndKeepsTheEarlierFiles) {
    enum class Fault { fullDisk, readOnlyFolder, fileSizeLimit };
    const struct {
        const char* name;
        Fault fault;
        std::string failingFile;
        std::string reason;
    } cases[] = {
        // Room for the small files, not for a second line plan file beside the first.
        {"full disk", Fault::fullDisk, "COLLE_MARE_linea.dat", "No space left on device"},
        {"read-only folder", Fault::readOnlyFolder, "COLLE_MARE_linea.dat",
         "Read-only file system"},
        // `ulimit -f` below the line plan file: the write fails instead of ending the process.
        {"file size limit", Fault::fileSizeLimit, "COLLE_MARE_linea.dat", "File too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir out;
        TempDir errors;
        std::optional<ScratchMount> mount;
        std::optional<rlim_t> fileSizeLimit;
        if (c.fault == Fault::fileSizeLimit) {
            seedEarlierRun(out);
            fileSizeLimit = compiled.at("COLLE_MARE_linea.dat").size() / 2;
        } else if (c.fault == Fault::fullDisk) {
            mount.emplace(ScratchMount::smallFileSystem(out.str(), 4u << 20));
            if (!mount->refusal().empty()) GTEST_SKIP() << mount->refusal();
            seedEarlierRun(out);
            struct statvfs info {};
            ASSERT_EQ(::statvfs(out.str().c_str(), &info), 0);
            const std::size_t free = static_cast<std::size_t>(info.f_bavail) * info.f_frsize;
            ASSERT_GT(free, std::size_t{64} << 10);
            spit(out.file("filler"), std::string(free - (64u << 10), 'f'));
        } else {
            seedEarlierRun(out);
            mount.emplace(ScratchMount::readOnly(out.str()));
            if (!mount->refusal().empty()) GTEST_SKIP() << mount->refusal();
        }
        std::map<std::string, ino_t> inodes;
        for (const auto& [file, bytes] : compiled) inodes[file] = inodeOf(out.file(file));

        ChildProcess run(
            {SCENARIO_TOOL_EXE, "compile", options.lineFile, options.trainFile, "--out", out.str()},
            {.workDir = errors.str(),
             .errorFile = errors.file("stderr.txt"),
             .fileSizeLimit = fileSizeLimit});
        const std::optional<int> status = run.wait(kRunLimit);

        ASSERT_TRUE(status.has_value()) << "the tool did not end by itself";
        EXPECT_EQ(*status, kExitOutputFailed);
        EXPECT_EQ(run.standardError(), "scenario-tool: cannot write " + out.file(c.failingFile) +
                                           ": " + c.reason + "\n");
        for (const auto& [file, bytes] : compiled) {
            SCOPED_TRACE(file);
            EXPECT_TRUE(slurp(out.file(file)) == bytes);
            EXPECT_EQ(inodeOf(out.file(file)), inodes[file]) << "touched";
        }
        std::set<std::string> expected = {"filler"};
        if (c.fault != Fault::fullDisk) expected.clear();
        for (const auto& [file, bytes] : compiled) expected.insert(file);
        EXPECT_EQ(out.listing(), expected);
    }
}

// Killed at any moment, the tool leaves each compiled file either as it was or whole as the new
// run writes it; the next run clears its temporary files and leaves exactly the three.
TEST_F(CompileFaultsTest, AKilledToolLeavesNoFileInPartAndTheNextRunCleansUp) {
    const std::vector<std::string> command = {SCENARIO_TOOL_EXE, "compile", options.lineFile,
                                              options.trainFile, "--out"};
    std::chrono::microseconds duration{};
    {
        TempDir out;
        std::vector<std::string> args = command;
        args.push_back(out.str());
        const auto start = std::chrono::steady_clock::now();
        ChildProcess run(args, {.workDir = out.str()});
        ASSERT_EQ(run.wait(kRunLimit), kExitCompiled);
        duration = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
    }

    // The files are written in the last part of a run, which is short beside the start of the
    // process: the kills aim at the second half of a run, and go on past twenty until one has
    // come while the tool was writing.
    std::mt19937 random(20240514);
    std::uniform_int_distribution<long> moment(duration.count() / 2, duration.count() * 5 / 4);
    int caughtPartWay = 0;
    for (int attempt = 0; attempt < 20 || (caughtPartWay == 0 && attempt < 300); ++attempt) {
        const auto delay = std::chrono::microseconds(moment(random));
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us");
        TempDir out;
        for (const auto& [name, bytes] : compiled) spit(out.file(name), "earlier " + name);
        std::vector<std::string> args = command;
        args.push_back(out.str());
        {
            ChildProcess run(args, {.workDir = out.str()});
            ASSERT_TRUE(run.started());
            std::this_thread::sleep_for(delay);
            run.kill();
        }

        int newFiles = 0;
        bool leftovers = false;
        for (const std::string& name : out.listing()) {
            SCOPED_TRACE(name);
            if (!compiled.contains(name)) {
                EXPECT_TRUE(name.starts_with(".") && name.find(".tmp-") != std::string::npos)
                    << "a stranger in the folder";
                leftovers = true;
                continue;
            }
            const std::string bytes = slurp(out.file(name));
            const bool isNew = bytes == compiled.at(name);
            EXPECT_TRUE(isNew || bytes == "earlier " + name) << "neither earlier nor new";
            newFiles += isNew;
        }
        if (leftovers || (newFiles > 0 && newFiles < 3)) ++caughtPartWay;

        ChildProcess next(args, {.workDir = out.str()});
        ASSERT_EQ(next.wait(kRunLimit), kExitCompiled);
        std::set<std::string> expected;
        for (const auto& [name, bytes] : compiled) {
            expected.insert(name);
            EXPECT_TRUE(slurp(out.file(name)) == bytes) << name;
        }
        EXPECT_EQ(out.listing(), expected);
    }
    EXPECT_GT(caughtPartWay, 0) << "no kill came while the tool was writing";
    RecordProperty("killedPartWay", caughtPartWay);
}

}  // namespace
}  // namespace tool

#endif  // __linux__
