// The installer's window and message box. One implementation per platform; where no display
// can be reached, a headless one that draws nothing and reports messages on standard error.
#pragma once

#include <memory>
#include <string>

namespace platform {

class Ui {
  public:
    virtual ~Ui() = default;
    // Shows the waiting window with its label and paints it at once, before returning.
    virtual void showWaitWindow() = 0;
    // Shows `message` in a modal box with one OK button and returns when it is dismissed.
    virtual void showMessage(const std::string& message) = 0;
    // Destroys the window; nothing more is shown.
    virtual void close() = 0;
};

// The window of this platform, or the headless one when there is no display to show it on.
std::unique_ptr<Ui> makeUi();

// A Ui that shows nothing and writes messages to standard error.
std::unique_ptr<Ui> makeHeadlessUi();

}  // namespace platform
