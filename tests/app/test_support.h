// Shared by the installer's tests: the scratch directory and whole files of every folder's
// tests, and a Ui that records what the run asked of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "tests/support/scratch.h"

namespace app::testing {

using test_support::listing;
using test_support::slurp;
using test_support::spit;
using test_support::TempDir;

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
