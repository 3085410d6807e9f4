// The file operations of the Windows platform layer, on the real file system: paths in any
// script, exact bytes, whole replacement, and failures that name the file and leave nothing
// behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using win32::toUtf8;
using win32::toWide;

// Letters outside Windows-1252: a name the machine's code page cannot hold.
const std::string kForeignFolder =
    "Prova \xC5\x81\xC3\xB3"
    "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC";

// A fresh directory under the system's temporary directory, named with `name`'s letters, and
// removed with everything in it.
class TempDir {
  public:
    explicit TempDir(const std::string& name = "files-test") {
        const fs::path base = fs::temp_directory_path();
        for (int attempt = 0;; ++attempt) {
            path_ = base / toWide(name + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(attempt));
            if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
            if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100) {
                throw std::runtime_error("cannot make a scratch directory");
            }
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        // In the \\?\ form, which reaches past the classic path length limit too.
        std::error_code ignored;
        fs::remove_all(L"\\\\?\\" + path_.wstring(), ignored);
    }

    std::string path() const { return toUtf8(path_.wstring()); }
    std::string file(const std::string& name) const { return path() + "\\" + name; }
    // The names on disk, as the system lists them.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) {
            names.push_back(toUtf8(entry.path().filename().wstring()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    fs::path path_;
};

std::string slurp(const std::string& path) {
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + path);
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

void spit(const std::string& path, const std::string& bytes) {
    const HANDLE file =
        ::CreateFileW(toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

void makeDirectory(const std::string& path) {
    if (!::CreateDirectoryW(toWide(path).c_str(), nullptr)) {
        throw std::runtime_error("cannot make " + path);
    }
}

// Expects `call` to throw FileError whose message holds each of `parts`.
template <typename Call>
void expectFileError(Call call, const std::vector<std::string>& parts) {
    try {
        call();
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        for (const std::string& part : parts) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << '"' << e.what() << "\" lacks \"" << part << '"';
        }
    }
}

TEST(AppDirTest, IsTheDirectoryOfTheRunningProgram) {
    std::wstring module(32768, L'\0');
    module.resize(::GetModuleFileNameW(nullptr, module.data(), 32768));
    const fs::path program(module);

    const std::string dir = appDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_EQ(dir, toUtf8(program.parent_path().wstring()));
    EXPECT_TRUE(fileExists(joinPath(dir, toUtf8(program.filename().wstring()))));
}

TEST(JoinPathTest, PutsOneBackslashBetween) {
    EXPECT_EQ(pathSeparator(), '\\');
    EXPECT_EQ(joinPath("C:\\Giochi\\scenario", "GENOVA_TORINO_linea.txt"),
              "C:\\Giochi\\scenario\\GENOVA_TORINO_linea.txt");
    EXPECT_EQ(joinPath("C:\\", "a.txt"), "C:\\a.txt");
    EXPECT_EQ(joinPath("\\\\server\\share", "a.txt"), "\\\\server\\share\\a.txt");
}

// Every operation under a folder whose name the machine's code page cannot hold: the files land
// under that very name, not a look-alike of it.
TEST(ForeignNamesTest, EveryOperationWorksInAFolderNamedInAnyScript) {
    TempDir scratch;
    const std::string folder = scratch.file(kForeignFolder);
    makeDirectory(folder);
    const std::string path = folder + "\\" + "GENOVA_TORINO_IC514_note.txt";

    replaceFile(path, std::string_view("note"));
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(readFile(path).bytes, "note");
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{kForeignFolder});
    EXPECT_EQ(slurp(path), "note");
    removeFile(path);
    EXPECT_FALSE(fileExists(path));
}

TEST(ForeignNamesTest, ANameThatIsNotUtf8IsRefused) {
    TempDir dir;
    const std::string bad = dir.file("caff\xE8.txt");  // Windows-1252, not UTF-8
    expectFileError([&] { replaceFile(bad, std::string_view("x")); },
                    {"cannot write " + bad, "not valid UTF-8"});
    EXPECT_FALSE(fileExists(bad));
    EXPECT_EQ(readFile(bad).status, ReadStatus::missing);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(FileExistsTest, TellsFilesFromDirectoriesAndNothing) {
    TempDir dir;
    spit(dir.file("a.txt"), "x");
    makeDirectory(dir.file("sub"));
    EXPECT_TRUE(fileExists(dir.file("a.txt")));
    EXPECT_FALSE(fileExists(dir.file("missing.txt")));
    EXPECT_FALSE(fileExists(dir.file("sub")));
    EXPECT_FALSE(fileExists(dir.file("a.txt\\below")));
}

TEST(ReadFileTest, ReadsWholeFilesAndTellsWhyNot) {
    TempDir dir;
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    spit(dir.file("big.dat"), big);
    spit(dir.file("empty.txt"), "");
    makeDirectory(dir.file("sub"));

    const ReadResult read = readFile(dir.file("big.dat"));
    EXPECT_EQ(read.status, ReadStatus::ok);
    EXPECT_EQ(read.bytes, big);
    EXPECT_EQ(readFile(dir.file("empty.txt")).status, ReadStatus::ok);
    EXPECT_EQ(readFile(dir.file("missing")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(dir.file("none\\missing")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(dir.file("sub")).status, ReadStatus::unreadable);
}

TEST(RemoveFileTest, RemovesAFileAndAcceptsAMissingOne) {
    TempDir dir;
    spit(dir.file("a.txt"), "x");
    removeFile(dir.file("a.txt"));
    EXPECT_FALSE(fileExists(dir.file("a.txt")));
    EXPECT_NO_THROW(removeFile(dir.file("a.txt")));
    EXPECT_NO_THROW(removeFile(dir.file("none\\a.txt")));
    makeDirectory(dir.file("sub"));
    expectFileError([&] { removeFile(dir.file("sub")); }, {"cannot delete " + dir.file("sub")});
}

// The bytes on disk are the bytes handed over: line ends, a Ctrl-Z and bytes above 0x7F are
// not translated, and nothing is added.
TEST(ReplaceFileTest, WritesTheBytesExactly) {
    TempDir dir;
    const std::string path = dir.file("X.txt");
    const std::string bytes("riga\r\nsola\n\r\x1A\0\xE8\xFF fine", 20);
    replaceFile(path, bytes);
    EXPECT_EQ(slurp(path), bytes);
    EXPECT_EQ(readFile(path).bytes, bytes);
}

TEST(ReplaceFileTest, CreatesAndReplacesWholeFiles) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    replaceFile(path, std::string_view("first"));
    EXPECT_EQ(slurp(path), "first");

    spit(path, std::string(100000, 'o'));
    replaceFile(path, std::string_view("new"));
    EXPECT_EQ(slurp(path), "new");

    replaceFile(path, std::string_view());
    EXPECT_EQ(slurp(path), "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"X.dat"});
}

TEST(ReplaceFileTest, TakesTheBytesInPiecesOfAnySize) {
    TempDir dir;
    const std::string path = dir.file("route.dat");
    std::string expected;
    replaceFile(path, [&](const ByteSink& sink) {
        for (int i = 0; i < 30000; ++i) {
            const char piece[3] = {static_cast<char>(i), static_cast<char>(i >> 8), '\n'};
            sink(piece, 3);
            expected.append(piece, 3);
        }
        const std::string big(300000, 'b');
        sink(big.data(), big.size());
        expected += big;
        sink(nullptr, 0);
    });
    EXPECT_EQ(slurp(path), expected);
}

// A folder deep enough that its files' full names pass the classic 260-character limit.
TEST(ReplaceFileTest, WorksPastTheClassicPathLengthLimit) {
    TempDir dir;
    std::string deep = dir.path();
    while (deep.size() < 240) {
        deep += "\\" + std::string(40, 'd');
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + toWide(deep)).c_str(), nullptr)) << deep;
    }
    const std::string path = deep + "\\GENOVA_TORINO_IC514_rallentamenti.txt";
    ASSERT_GT(path.size(), static_cast<std::size_t>(MAX_PATH));

    replaceFile(path, std::string_view("old"));
    replaceFile(path, std::string_view("rallentamenti"));
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(readFile(path).bytes, "rallentamenti");
    removeFile(path);
    EXPECT_EQ(readFile(path).status, ReadStatus::missing);
}

// Names up to 255 characters are written, whatever the temporary name adds, and a killed run's
// temporary file of such a name is cleared by the next run; a longer name is refused before
// anything is written.
TEST(ReplaceFileTest, NamesUpToTheNameLimitAreWrittenAndTheirLeftoversCleared) {
    for (const std::size_t length : {std::size_t{5}, std::size_t{240}, std::size_t{255}}) {
        SCOPED_TRACE(length);
        TempDir dir;
        const std::string name(length, 'n');
        const std::string path = dir.file(name);
        std::vector<std::string> whileWriting;
        replaceFile(path, [&](const ByteSink& sink) {
            sink("new", 3);
            whileWriting = dir.entries();
        });
        EXPECT_EQ(readFile(path).bytes, "new");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{name});
        ASSERT_EQ(whileWriting.size(), 1u);
        const std::string temporary = whileWriting.front();
        EXPECT_LE(toWide(temporary).size(), 255u);

        const std::size_t counterDash = temporary.rfind('-');
        const std::string prefix = temporary.substr(0, temporary.rfind('-', counterDash - 1) + 1);
        spit(dir.file(prefix + "4294967295-4294967295"), "killed");
        removeLeftoverTemporaries(path);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{name});
    }

    TempDir dir;
    const std::string tooLong = dir.file(std::string(256, 'n'));
    try {
        replaceFile(tooLong, std::string_view("new"));
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(tooLong), std::string::npos) << e.what();
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

struct FailedReplace {
    const char* name;
    std::string target;
    std::vector<std::string> messageParts;
};

TEST(ReplaceFileTest, FailsClearlyAndLeavesNothingBehind) {
    TempDir dir;
    makeDirectory(dir.file("X.dat"));
    spit(dir.file("X.dat") + "\\inside", "kept");
    spit(dir.file("plain"), "kept");
    const FailedReplace cases[] = {
        {"target is a directory",
         dir.file("X.dat"),
         {"cannot write " + dir.file("X.dat") + ": it is a directory"}},
        {"parent is a regular file",
         dir.file("plain") + "\\X.dat",
         {"cannot write " + dir.file("plain") + "\\X.dat: "}},
        {"parent missing", dir.file("none") + "\\X.dat", {"cannot write " + dir.file("none")}},
    };
    for (const FailedReplace& c : cases) {
        SCOPED_TRACE(c.name);
        expectFileError([&] { replaceFile(c.target, std::string_view("new")); }, c.messageParts);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"X.dat", "plain"}));
    EXPECT_EQ(slurp(dir.file("X.dat") + "\\inside"), "kept");
    EXPECT_EQ(slurp(dir.file("plain")), "kept");
}

// A read-only file is not replaced behind its owner's back: the failure says why, in the
// system's words, and the file keeps its bytes.
TEST(ReplaceFileTest, ReadOnlyTargetIsReportedAndKept) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    ::SetFileAttributesW(toWide(path).c_str(), FILE_ATTRIBUTE_READONLY);
    expectFileError([&] { replaceFile(path, std::string_view("new")); },
                    {"cannot write " + path + ": " + win32::systemMessage(ERROR_ACCESS_DENIED)});
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"X.dat"});
    ::SetFileAttributesW(toWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A producer that fails part way leaves the old file as it was and no temporary file.
TEST(ReplaceFileTest, ProducerFailureKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    EXPECT_THROW(replaceFile(path,
                             [](const ByteSink& sink) {
                                 const std::string part(100000, 'n');
                                 sink(part.data(), part.size());
                                 throw std::runtime_error("model incomplete");
                             }),
                 std::runtime_error);
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"X.dat"});
}

TEST(ReplaceFileTest, LeftoverTemporaryNamesAreNotReused) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    for (int i = 0; i < 50; ++i) {
        spit(dir.file(".X.dat.tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
                      std::to_string(i)),
             "other");
    }
    replaceFile(path, std::string_view("new"));
    EXPECT_EQ(slurp(path), "new");
    EXPECT_EQ(dir.entries().size(), 51u);
    for (const std::string& name : dir.entries()) {
        if (name != "X.dat") {
            EXPECT_EQ(slurp(dir.file(name)), "other") << name;
        }
    }
}

// A program that holds the old file open without letting it be replaced (a viewer, a scanner
// looking at it) for a moment delays the replacement instead of failing it.
TEST(ReplaceFileTest, WaitsForABriefHoldOnTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    HANDLE held = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        ::CloseHandle(held);
    });
    EXPECT_NO_THROW(replaceFile(path, std::string_view("new")));
    release.join();
    EXPECT_EQ(slurp(path), "new");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"X.dat"});
}

// Each step of a replacement failing in turn: the failure names the file and the reason, the
// old file keeps its bytes, and no temporary file is left.
TEST(ReplaceFileTest, AFailureAtAnyStepKeepsTheOldFile) {
    using testing::FileOperation;
    for (const FileOperation failing : {FileOperation::create, FileOperation::write,
                                        FileOperation::close, FileOperation::rename}) {
        SCOPED_TRACE(static_cast<int>(failing));
        TempDir dir;
        const std::string path = dir.file("X.dat");
        spit(path, "old");
        {
            const testing::ScopedFileFaultHook hook(
                [&](FileOperation operation, const std::string& on) {
                    return operation == failing && on == path ? ENOSPC : 0;
                });
            expectFileError([&] { replaceFile(path, std::string(100000, 'n')); },
                            {"cannot write " + path + ": " + std::strerror(ENOSPC)});
        }
        EXPECT_EQ(slurp(path), "old");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"X.dat"});
    }
}

TEST(ReadFileTest, AFailureToOpenOrReadSaysWhy) {
    using testing::FileOperation;
    TempDir dir;
    const std::string path = dir.file("X.txt");
    spit(path, "text");
    for (const FileOperation failing : {FileOperation::open, FileOperation::read}) {
        SCOPED_TRACE(static_cast<int>(failing));
        const testing::ScopedFileFaultHook hook([&](FileOperation operation, const std::string&) {
            return operation == failing ? EIO : 0;
        });
        const ReadResult read = readFile(path);
        EXPECT_EQ(read.status, ReadStatus::unreadable);
        EXPECT_EQ(read.bytes, "");
        EXPECT_EQ(read.reason, std::strerror(EIO));
    }
    const ReadResult missing = readFile(dir.file("none.txt"));
    EXPECT_EQ(missing.status, ReadStatus::missing);
    EXPECT_EQ(missing.reason, win32::systemMessage(ERROR_FILE_NOT_FOUND));
}

// What a killed run left of its temporary files goes; every other name stays.
TEST(RemoveLeftoverTemporariesTest, RemovesOnlyTheTemporariesOfThatFile) {
    TempDir dir;
    for (const char* name : {"X.dat", ".X.dat.tmp-4242-0", ".X.dat.tmp-17-12", ".X.dat.tmp-17",
                             ".X.dat.tmp-a-1", ".Y.dat.tmp-17-1", "X.dat.tmp-17-1"}) {
        spit(dir.file(name), "x");
    }
    removeLeftoverTemporaries(dir.file("X.dat"));
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{".X.dat.tmp-17", ".X.dat.tmp-a-1", ".Y.dat.tmp-17-1",
                                        "X.dat", "X.dat.tmp-17-1"}));
}

}  // namespace
}  // namespace platform
