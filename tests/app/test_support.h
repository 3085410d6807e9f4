// Shared by the installer's tests: a scratch directory, a listing of it, and a Ui that records
// what the run asked of it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace app::testing {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "installer-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

// The names of every entry in `dir`, hidden ones included.
inline std::set<std::string> listing(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A Ui that shows nothing and records every call; `onShow` runs when the window is shown.
class RecordingUi final : public platform::Ui {
  public:
    void showWaitWindow() override {
        ++shows;
        if (onShow) onShow();
    }
    void showMessage(const std::string& message) override { messages.push_back(message); }
    void close() override { ++closes; }

    int shows = 0;
    int closes = 0;
    std::vector<std::string> messages;
    std::function<void()> onShow;
};

}  // namespace app::testing
