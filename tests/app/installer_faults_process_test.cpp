// The built installer, run as a person would run it, when the machine lets it down: a full disk,
// a file size limit, a read-only folder, a directory where a file should be, a kill part way,
// two copies started together in one folder, and a program that has no folder of its own.
#if defined(__linux__)

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/exit_status.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/app/test_support.h"
#include "tests/platform/child_process.h"
#include "tests/platform/fault_trace.h"
#include "tests/platform/scratch_mounts.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using platform::testing::ChildOptions;
using platform::testing::ChildProcess;
using platform::testing::inodeOf;
using platform::testing::ScratchMount;
using testing::listing;
using testing::slurp;
using testing::spit;
using testing::TempDir;

constexpr const char* kExecutable = "genova_torino_ic514";
constexpr auto kRunLimit = std::chrono::seconds(120);

// The files of a run in the order it writes them: five documents, then the compiled files.
const std::vector<std::string> kWriteOrder = {
    "GENOVA_TORINO_linea.txt",
    "GENOVA_TORINO_IC514-.txt",
    "GENOVA_TORINO_IC514_note.txt",
    "GENOVA_TORINO_IC514_rallentamenti.txt",
    "GENOVA_TORINO_IC514_scheda_treno.txt",
    "GENOVA_TORINO_linea.dat",
    "GENOVA_TORINO_IC514.sim",
    "GENOVA_TORINO_IC514.dat",
};
const std::set<std::string> kDescriptions = {kWriteOrder[0], kWriteOrder[1]};

// True for a temporary file that an interrupted replacement of one of the run's files leaves.
bool isTemporaryOfTheRun(const std::string& name) {
    return std::any_of(kWriteOrder.begin(), kWriteOrder.end(), [&](const std::string& file) {
        return name.starts_with("." + file + ".tmp-");
    });
}

void installExecutable(const fs::path& dir) {
    fs::copy_file(SCENARIO_INSTALLER_EXE, dir / kExecutable);
    fs::permissions(dir / kExecutable, fs::perms::owner_all);
}

// The installer's whole output from a clean run, for comparing byte for byte, and how long
// that run took.
struct Reference {
    std::map<std::string, std::string> files;
    std::chrono::microseconds duration{};
};

const Reference& reference() {
    static const Reference made = [] {
        TempDir dir;
        installExecutable(dir.path());
        Reference result;
        const auto start = std::chrono::steady_clock::now();
        ChildProcess run({(dir.path() / kExecutable).string()}, {.workDir = dir.path()});
        const std::optional<int> status = run.wait(kRunLimit);
        result.duration = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
        if (status != kExitSuccess) throw std::runtime_error("the clean run failed");
        for (const std::string& name : listing(dir.path())) {
            if (name != kExecutable) result.files[name] = slurp(dir.file(name));
        }
        if (result.files.size() != 6) throw std::runtime_error("the clean run left no six files");
        return result;
    }();
    return made;
}

// A folder as a person leaves it: the installer, and the six files of its earlier good run.
void seedEarlierRun(const fs::path& dir) {
    for (const auto& [name, bytes] : reference().files) spit((dir / name).string(), bytes);
}

// Takes all the free room of the file system that holds `dir` but `room` bytes.
void fillLeaving(const fs::path& dir, std::size_t room) {
    struct statvfs info {};
    ASSERT_EQ(::statvfs(dir.c_str(), &info), 0);
    const std::size_t free = static_cast<std::size_t>(info.f_bavail) * info.f_frsize;
    ASSERT_GE(free, room);
    spit((dir / "filler").string(), std::string(free - room, 'f'));
    ASSERT_EQ(fs::file_size(dir / "filler"), free - room) << "the filler did not fit";
}

std::size_t pages(std::size_t bytes) {
    return (bytes + 4095) / 4096 * 4096;
}

std::size_t documentSize(std::span<const std::string_view> document) {
    return scenario::content::encodeDocument(document).size();
}

// One way the machine lets a run down, made in a folder that holds the installer and the files
// of an earlier run.
struct Fault {
    const char* name;
    // Makes the fault; returns why it cannot be made here, or nothing. `mount` keeps a mount
    // in place until the folder is checked.
    std::function<std::optional<std::string>(const fs::path& dir,
                                             std::optional<ScratchMount>& mount)>
        make;
    std::optional<rlim_t> fileSizeLimit;
    std::string failingFile;
    std::string reason;
};

// The folder on a file system of its own, big enough for the installer and two sets of its
// files, and then filled so that only `room` bytes are left.
std::function<std::optional<std::string>(const fs::path&, std::optional<ScratchMount>&)> diskFull(
    std::function<std::size_t()> room) {
    return [room](const fs::path& dir,
                  std::optional<ScratchMount>& mount) -> std::optional<std::string> {
        const std::size_t size = fs::file_size(SCENARIO_INSTALLER_EXE) + (16u << 20);
        mount.emplace(ScratchMount::smallFileSystem(dir.string(), size));
        if (!mount->refusal().empty()) return mount->refusal();
        installExecutable(dir);
        seedEarlierRun(dir);
        fillLeaving(dir, room());
        return std::nullopt;
    };
}

const Fault kFaults[] = {
    {"DiskFullAtTheFirstFile", diskFull([] { return std::size_t{0}; }), std::nullopt,
     "GENOVA_TORINO_linea.txt", "No space left on device"},
    {"DiskFullAtTheTrainDescription",
     diskFull([] { return pages(documentSize(scenario::content::lineDescription())); }),
     std::nullopt, "GENOVA_TORINO_IC514-.txt", "No space left on device"},
    // Room for every document, not for a second line plan file beside the first.
    {"DiskFullAtTheLinePlanFile", diskFull([] { return std::size_t{1} << 20; }), std::nullopt,
     "GENOVA_TORINO_linea.dat", "No space left on device"},
    {"FileSizeLimitAtTheLinePlanFile",
     [](const fs::path& dir, std::optional<ScratchMount>&) -> std::optional<std::string> {
         installExecutable(dir);
         seedEarlierRun(dir);
         return std::nullopt;
     },
     rlim_t{1} << 20, "GENOVA_TORINO_linea.dat", "File too large"},
    {"ReadOnlyFolder",
     [](const fs::path& dir, std::optional<ScratchMount>& mount) -> std::optional<std::string> {
         installExecutable(dir);
         seedEarlierRun(dir);
         mount.emplace(ScratchMount::readOnly(dir.string()));
         if (!mount->refusal().empty()) return mount->refusal();
         return std::nullopt;
     },
     std::nullopt, "GENOVA_TORINO_linea.txt", "Read-only file system"},
    {"DirectoryInPlaceOfTheRouteFile",
     [](const fs::path& dir, std::optional<ScratchMount>&) -> std::optional<std::string> {
         installExecutable(dir);
         seedEarlierRun(dir);
         fs::remove(dir / "GENOVA_TORINO_IC514.dat");
         fs::create_directory(dir / "GENOVA_TORINO_IC514.dat");
         return std::nullopt;
     },
     std::nullopt, "GENOVA_TORINO_IC514.dat", "Is a directory"},
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class InstallerFaultTest : public ::testing::TestWithParam<Fault> {};

// The run stops at the file the fault hits, says so on standard error (there is no display) with
// the file and the reason, ends with the file-fault status, and leaves the earlier run's files
// whole: those it had not replaced yet are not even touched, and nothing temporary remains.
TEST_P(InstallerFaultTest, StopsWithAMessageAndKeepsTheEarlierFiles) {
    const Fault& fault = GetParam();
    TempDir dir;
    TempDir errors;
    std::optional<ScratchMount> mount;
    if (auto refusal = fault.make(dir.path(), mount)) GTEST_SKIP() << *refusal;
    if (HasFatalFailure()) return;
    std::map<std::string, ino_t> inodes;
    for (const std::string& name : kWriteOrder) inodes[name] = inodeOf(dir.path() / name);

    ChildProcess run({(dir.path() / kExecutable).string()},
                     {.workDir = errors.path(),
                      .errorFile = errors.path() / "stderr.txt",
                      .fileSizeLimit = fault.fileSizeLimit});
    const std::optional<int> status = run.wait(kRunLimit);

    ASSERT_TRUE(status.has_value()) << "the installer did not end by itself";
    EXPECT_EQ(*status, kExitFileSystemError);
    const std::string failing = (fs::canonical(dir.path()) / fault.failingFile).string();
    EXPECT_EQ(run.standardError(), "Installazione interrotta, errore nei file: cannot write " +
                                       failing + ": " + fault.reason + "\n");

    const auto failedAt = std::find(kWriteOrder.begin(), kWriteOrder.end(), fault.failingFile);
    for (const auto& [name, bytes] : reference().files) {
        SCOPED_TRACE(name);
        if (fs::is_directory(dir.path() / name)) continue;
        EXPECT_TRUE(slurp(dir.file(name)) == bytes) << "not the earlier file";
        if (std::find(kWriteOrder.begin(), kWriteOrder.end(), name) >= failedAt) {
            EXPECT_EQ(inodeOf(dir.path() / name), inodes[name]) << "touched";
        }
    }
    for (const std::string& name : listing(dir.path())) {
        EXPECT_TRUE(name == kExecutable || name == "filler" || reference().files.contains(name) ||
                    kDescriptions.contains(name))
            << "left behind: " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, InstallerFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.name);
                         });

// Killed at any moment, the installer leaves each file either as the earlier run left it or
// whole as the new run writes it, never in part. Its temporary files may stay; the next run
// clears them and ends with exactly the installer and its six files.
TEST(InstallerKilledTest, EveryFileIsTheEarlierOrTheNewOneAndTheNextRunCleansUp) {
    const Reference& clean = reference();
    std::map<std::string, std::string> earlier;
    for (const auto& [name, bytes] : clean.files) earlier[name] = "earlier run of " + name;
    namespace content = scenario::content;
    const std::map<std::string, std::string> descriptions = {
        {kWriteOrder[0], content::encodeDocument(content::lineDescription())},
        {kWriteOrder[1], content::encodeDocument(content::trainDescription())},
    };

    std::mt19937 random(20240514);
    std::uniform_int_distribution<long> moment(0, clean.duration.count() * 5 / 4);
    int caughtPartWay = 0;
    // Thirty kills, and more until one has come while the installer was at work.
    constexpr int kRuns = 30;
    for (int attempt = 0; attempt < kRuns || (caughtPartWay == 0 && attempt < 300); ++attempt) {
        const auto delay = std::chrono::microseconds(moment(random));
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us");
        TempDir dir;
        installExecutable(dir.path());
        for (const auto& [name, bytes] : earlier) spit(dir.file(name), bytes);

        {
            ChildProcess run({(dir.path() / kExecutable).string()}, {.workDir = dir.path()});
            ASSERT_TRUE(run.started());
            std::this_thread::sleep_for(delay);
            run.kill();
        }

        int newFiles = 0;
        bool leftovers = false;
        for (const std::string& name : listing(dir.path())) {
            SCOPED_TRACE(name);
            if (name == kExecutable) continue;
            const std::string bytes = slurp(dir.file(name));
            if (isTemporaryOfTheRun(name)) {
                leftovers = true;
            } else if (descriptions.contains(name)) {
                EXPECT_TRUE(bytes == descriptions.at(name)) << "a description in part";
                leftovers = true;
            } else {
                ASSERT_TRUE(clean.files.contains(name)) << "a stranger in the folder";
                const bool isNew = bytes == clean.files.at(name);
                EXPECT_TRUE(isNew || bytes == earlier.at(name)) << "neither earlier nor new";
                newFiles += isNew;
            }
        }
        if (leftovers || (newFiles > 0 && newFiles < 6)) ++caughtPartWay;

        ChildProcess next({(dir.path() / kExecutable).string()}, {.workDir = dir.path()});
        ASSERT_EQ(next.wait(kRunLimit), kExitSuccess);
        std::set<std::string> expected = {kExecutable};
        for (const auto& [name, bytes] : clean.files) {
            expected.insert(name);
            EXPECT_TRUE(slurp(dir.file(name)) == bytes) << name;
        }
        EXPECT_EQ(listing(dir.path()), expected);
    }
    // Kills spread over a whole run catch some of them in the middle of their work.
    EXPECT_GT(caughtPartWay, 0) << "no kill came while the installer was at work";
    RecordProperty("killedPartWay", caughtPartWay);
}

// Two installers started together in one folder (a double double-click): the second waits for
// the first, then does its whole job; both succeed and the folder ends with one correct set.
TEST(InstallerTwiceAtOnceTest, BothSucceedAndTheFolderHoldsOneCorrectSet) {
    const Reference& clean = reference();
    for (int attempt = 0; attempt < 8; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        TempDir dir;
        TempDir errors;
        installExecutable(dir.path());
        const std::string program = (dir.path() / kExecutable).string();

        ChildProcess first({program},
                           {.workDir = errors.path(), .errorFile = errors.path() / "first.txt"});
        ChildProcess second({program},
                            {.workDir = errors.path(), .errorFile = errors.path() / "second.txt"});
        const std::optional<int> firstStatus = first.wait(kRunLimit);
        const std::optional<int> secondStatus = second.wait(kRunLimit);

        EXPECT_EQ(firstStatus, kExitSuccess) << first.standardError();
        EXPECT_EQ(secondStatus, kExitSuccess) << second.standardError();
        EXPECT_EQ(first.standardError(), "");
        EXPECT_EQ(second.standardError(), "");
        std::set<std::string> expected = {kExecutable};
        for (const auto& [name, bytes] : clean.files) {
            expected.insert(name);
            EXPECT_TRUE(slurp(dir.file(name)) == bytes) << name;
        }
        EXPECT_EQ(listing(dir.path()), expected);
    }
}

// Started from a file that exists only in memory, or from one deleted before it ran, the
// installer has no folder to put its files in: it says so and ends with the file-fault status,
// writing nothing anywhere (the folder it would otherwise have taken is the root, or the one
// the deleted file was in). It is started as a loader of downloaded programs starts it, through
// the descriptor of the file it holds.
TEST(InstallerWithoutAFolderTest, RefusesToRunAndWritesNothing) {
    TempDir errors;
    TempDir folder;
    const std::string image = slurp(SCENARIO_INSTALLER_EXE);
    ASSERT_FALSE(image.empty());

    const auto startThrough = [&](int fd) {
        // Writable descriptors of the file would keep the system from running it.
        const int readOnly =
            ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
        ::close(fd);
        return readOnly;
    };
    const int inMemory = ::memfd_create(kExecutable, MFD_CLOEXEC);
    ASSERT_GE(inMemory, 0);
    ASSERT_EQ(::write(inMemory, image.data(), image.size()), static_cast<ssize_t>(image.size()));
    ASSERT_EQ(::fchmod(inMemory, 0700), 0);
    const int memoryFile = startThrough(inMemory);

    installExecutable(folder.path());
    const int deletedFile = ::open((folder.path() / kExecutable).c_str(), O_RDONLY | O_CLOEXEC);
    fs::remove(folder.path() / kExecutable);
    const std::string deletedName = (fs::canonical(folder.path()) / kExecutable).string();

    // Files the root already holds are not the test's to remove.
    std::set<std::string> inRootBefore;
    for (const std::string& name : kWriteOrder) {
        if (fs::exists(fs::path("/") / name)) inRootBefore.insert(name);
    }

    const struct {
        const char* name;
        int fd;
        std::string shownName;
    } cases[] = {
        {"in memory", memoryFile, std::string("/memfd:") + kExecutable + " (deleted)"},
        {"deleted", deletedFile, deletedName + " (deleted)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GE(c.fd, 0);
        ChildProcess run({"/proc/self/fd/" + std::to_string(c.fd)},
                         {.workDir = errors.path(), .errorFile = errors.path() / "stderr.txt"});
        const std::optional<int> status = run.wait(kRunLimit);
        ::close(c.fd);

        EXPECT_EQ(status, kExitFileSystemError);
        EXPECT_EQ(run.standardError(),
                  "Installazione interrotta, errore nei file: cannot use the folder of " +
                      c.shownName +
                      ": the program has no file in a folder (it was started from memory, or its "
                      "file was deleted)\n");
    }
    EXPECT_EQ(listing(folder.path()), std::set<std::string>{});
    EXPECT_EQ(listing(errors.path()), std::set<std::string>{"stderr.txt"});
    for (const std::string& name : kWriteOrder) {
        if (inRootBefore.contains(name)) continue;
        EXPECT_FALSE(fs::exists(fs::path("/") / name)) << "written into the root: " << name;
        fs::remove(fs::path("/") / name);
    }
}

}  // namespace
}  // namespace app

#endif  // __linux__
