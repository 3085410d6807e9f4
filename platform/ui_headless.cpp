// The Ui used where no display can be reached: nothing to paint, messages go to standard error
// so that a failure is still seen by whoever started the installer.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/ui.h"

namespace platform {

namespace {

class HeadlessUi final : public Ui {
  public:
    void showWaitWindow() override {}

    void showMessage(const std::string& message) override {
        std::fwrite(message.data(), 1, message.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }

    void close() override {}
};

}  // namespace

std::unique_ptr<Ui> makeHeadlessUi() {
    return std::make_unique<HeadlessUi>();
}

}  // namespace platform
