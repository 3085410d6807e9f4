// Test seam of the message box. When the environment variable SCENARIO_TEST_MESSAGE_LOG names a
// file, a message box shown while a MessageBoxSeam lives is answered as soon as it appears, as if
// OK had been pressed, and the text the box shows is appended to that file as one UTF-8 line.
// The Windows tests set it to check what a person would read, with nobody there to press OK;
// without the variable nothing changes.
#pragma once

#include <string>

namespace platform::win32 {

inline constexpr const wchar_t* kMessageLogVariable = L"SCENARIO_TEST_MESSAGE_LOG";

class MessageBoxSeam {
  public:
    MessageBoxSeam();
    ~MessageBoxSeam();
    MessageBoxSeam(const MessageBoxSeam&) = delete;
    MessageBoxSeam& operator=(const MessageBoxSeam&) = delete;

  private:
    void* hook_ = nullptr;
};

}  // namespace platform::win32
