#include "app/run_installer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "app/exit_status.h"
#include "tests/app/test_support.h"

namespace app {
namespace {

using testing::listing;
using testing::RecordingUi;
using testing::TempDir;

TEST(RunInstallerTest, ASuccessfulRunShowsNoMessageAndClosesTheWindow) {
    TempDir dir;
    RecordingUi ui;
    EXPECT_EQ(runInstaller(ui, [&] { return dir.str(); }), kExitSuccess);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.shows, 1);
    EXPECT_EQ(ui.closes, 1);
}

// Each failure that stops the run is told to the user once, names what failed, gives its own
// exit status, and still closes the window.
TEST(RunInstallerTest, AFailureIsReportedWithItsStatus) {
    struct Case {
        const char* name;
        // Prepares the directory and returns the provider handed to the run.
        std::function<DirectoryProvider(const std::filesystem::path&)> setUp;
        int status;
        std::function<std::string(const std::filesystem::path&)> mustMention;
    };
    const Case cases[] = {
        {"directory below a regular file",
         [](const std::filesystem::path& tmp) -> DirectoryProvider {
             std::ofstream(tmp / "plain") << "not a directory";
             return [dir = (tmp / "plain" / "sub").string()] { return dir; };
         },
         kExitFileSystemError,
         [](const std::filesystem::path& tmp) { return (tmp / "plain" / "sub").string(); }},
        {"out of memory",
         [](const std::filesystem::path&) -> DirectoryProvider {
             return []() -> std::string { throw std::bad_alloc(); };
         },
         kExitOutOfMemory, [](const std::filesystem::path&) { return "memoria insufficiente"; }},
        {"any other failure",
         [](const std::filesystem::path&) -> DirectoryProvider {
             return []() -> std::string { throw std::logic_error("guasto di prova"); };
         },
         kExitInternalError, [](const std::filesystem::path&) { return "guasto di prova"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tmp;
        RecordingUi ui;

        const int status = runInstaller(ui, c.setUp(tmp.path()));

        EXPECT_EQ(status, c.status);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(c.mustMention(tmp.path())), std::string::npos)
            << ui.messages[0];
        EXPECT_EQ(ui.messages[0].rfind("Installazione interrotta", 0), 0u) << ui.messages[0];
        EXPECT_EQ(ui.closes, 1);
    }
}

TEST(RunInstallerTest, ADirectoryInPlaceOfADocumentStopsTheRunAndKeepsEarlierFiles) {
    TempDir tmp;
    const auto notes = tmp.path() / "GENOVA_TORINO_IC514_note.txt";
    std::filesystem::create_directory(notes);
    RecordingUi ui;

    EXPECT_EQ(runInstaller(ui, [&] { return tmp.str(); }), kExitFileSystemError);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(notes.string()), std::string::npos) << ui.messages[0];

    // The two descriptions came before the notes; nothing after the notes was written.
    EXPECT_EQ(listing(tmp.path()),
              (std::set<std::string>{"GENOVA_TORINO_linea.txt", "GENOVA_TORINO_IC514-.txt",
                                     "GENOVA_TORINO_IC514_note.txt"}));
    EXPECT_TRUE(std::filesystem::is_directory(notes));
}

// A message box that cannot be shown must not turn a reported failure into a crash.
TEST(RunInstallerTest, AFailingMessageBoxStillGivesTheStatus) {
    class BrokenUi final : public platform::Ui {
      public:
        void showWaitWindow() override {}
        void showMessage(const std::string&) override { throw std::runtime_error("no box"); }
        void close() override { ++closes; }
        int closes = 0;
    } ui;

    ::testing::internal::CaptureStderr();
    const int status = runInstaller(ui, []() -> std::string { throw std::bad_alloc(); });
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(status, kExitOutOfMemory);
    EXPECT_NE(err.find("memoria insufficiente"), std::string::npos) << err;
    EXPECT_EQ(ui.closes, 1);
}

}  // namespace
}  // namespace app
