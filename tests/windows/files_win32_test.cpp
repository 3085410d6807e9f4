// What the file layer promises on Windows beyond the contract of every platform
// (tests/platform/files_test.cpp): the program's directory, backslashes, names in any script and
// past the classic path length limit, names counted in UTF-16 units, read-only files, a brief
// hold on the old file by another program, and the system's words for a missing file.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/win32/wide_text.h"
#include "tests/platform/expect_file_error.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test_support::slurp;
using test_support::spit;
using test_support::TempDir;
using testing::expectFileError;
using win32::toUtf8;
using win32::toWide;

// Letters outside Windows-1252: a name the machine's code page cannot hold.
const std::string kForeignFolder =
    "Prova \xC5\x81\xC3\xB3"
    "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC";

void makeDirectory(const std::string& path) {
    if (!::CreateDirectoryW(toWide(path).c_str(), nullptr)) {
        throw std::runtime_error("cannot make " + path);
    }
}

TEST(Win32FilesTest, AppDirIsTheDirectoryOfTheRunningProgram) {
    std::wstring module(32768, L'\0');
    module.resize(::GetModuleFileNameW(nullptr, module.data(), 32768));
    const fs::path program(module);

    const std::string dir = appDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_EQ(dir, toUtf8(program.parent_path().wstring()));
    EXPECT_TRUE(fileExists(joinPath(dir, toUtf8(program.filename().wstring()))));
}

// Backslashes; none added after a drive's root, which ends with one, and one after a share.
TEST(Win32FilesTest, PathsAreSeparatedByBackslashes) {
    EXPECT_EQ(pathSeparator(), '\\');
    EXPECT_EQ(joinPath("C:\\", "a.txt"), "C:\\a.txt");
    EXPECT_EQ(joinPath("\\\\server\\share", "a.txt"), "\\\\server\\share\\a.txt");
}

// Every operation under a folder whose name the machine's code page cannot hold: the files land
// under that very name, not a look-alike of it.
TEST(Win32FilesTest, EveryOperationWorksInAFolderNamedInAnyScript) {
    TempDir scratch;
    const std::string folder = scratch.file(kForeignFolder);
    makeDirectory(folder);
    const std::string path = folder + "\\" + "GENOVA_TORINO_IC514_note.txt";

    replaceFile(path, std::string_view("note"));
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ(readFile(path).bytes, "note");
    EXPECT_EQ(scratch.listing(), std::set<std::string>{kForeignFolder});
    EXPECT_EQ(slurp(path), "note");
    removeFile(path);
    EXPECT_FALSE(fileExists(path));
}

TEST(Win32FilesTest, ANameThatIsNotUtf8IsRefused) {
    TempDir dir;
    const std::string bad = dir.str() + "\\caff\xE8.txt";  // Windows-1252, not UTF-8
    expectFileError([&] { replaceFile(bad, std::string_view("x")); },
                    {"cannot write " + bad, "not valid UTF-8"});
    EXPECT_FALSE(fileExists(bad));
    EXPECT_EQ(readFile(bad).status, ReadStatus::missing);
    EXPECT_TRUE(dir.listing().empty());
}

// A folder deep enough that its files' full names pass the classic 260-character limit.
TEST(Win32FilesTest, ReplacementWorksPastTheClassicPathLengthLimit) {
    TempDir dir;
    std::string deep = dir.str();
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
TEST(Win32FilesTest, NamesUpToTheNameLimitAreWrittenAndTheirLeftoversCleared) {
    for (const std::size_t length : {std::size_t{5}, std::size_t{240}, std::size_t{255}}) {
        SCOPED_TRACE(length);
        TempDir dir;
        const std::string name(length, 'n');
        const std::string path = dir.file(name);
        std::set<std::string> whileWriting;
        replaceFile(path, [&](const ByteSink& sink) {
            sink("new");
            whileWriting = dir.listing();
        });
        EXPECT_EQ(readFile(path).bytes, "new");
        EXPECT_EQ(dir.listing(), std::set<std::string>{name});
        ASSERT_EQ(whileWriting.size(), 1u);
        const std::string temporary = *whileWriting.begin();
        EXPECT_LE(toWide(temporary).size(), 255u);

        const std::size_t counterDash = temporary.rfind('-');
        const std::string prefix = temporary.substr(0, temporary.rfind('-', counterDash - 1) + 1);
        spit(dir.file(prefix + "4294967295-4294967295"), "killed");
        removeLeftoverTemporaries(path);
        EXPECT_EQ(dir.listing(), std::set<std::string>{name});
    }

    TempDir dir;
    const std::string tooLong = dir.file(std::string(256, 'n'));
    expectFileError([&] { replaceFile(tooLong, std::string_view("new")); }, {tooLong});
    EXPECT_EQ(dir.listing(), std::set<std::string>{});
}

// A read-only file is not replaced behind its owner's back: the failure says why, in the
// system's words, and the file keeps its bytes.
TEST(Win32FilesTest, AReadOnlyTargetIsReportedAndKept) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    ::SetFileAttributesW(toWide(path).c_str(), FILE_ATTRIBUTE_READONLY);
    expectFileError([&] { replaceFile(path, std::string_view("new")); },
                    {"cannot write " + path + ": " + win32::systemMessage(ERROR_ACCESS_DENIED)});
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
    ::SetFileAttributesW(toWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A program that holds the old file open without letting it be replaced (a viewer, a scanner
// looking at it) for a moment delays the replacement instead of failing it.
TEST(Win32FilesTest, ReplacementWaitsForABriefHoldOnTheOldFile) {
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
    EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
}

// A missing file's reason is the system's own message, in the machine's language.
TEST(Win32FilesTest, AMissingFileIsToldInTheSystemsWords) {
    TempDir dir;
    const ReadResult missing = readFile(dir.file("none.txt"));
    EXPECT_EQ(missing.status, ReadStatus::missing);
    EXPECT_EQ(missing.reason, win32::systemMessage(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace platform
