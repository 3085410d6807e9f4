#include "platform/win32/message_box_seam.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

// The seam that is active on this thread: its log and the box it has answered. The hook
// procedure has no other way in.
thread_local std::wstring activeLog;
thread_local HWND answeredBox = nullptr;

// The control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

std::wstring textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

void appendLine(const std::wstring& logPath, const std::string& line) {
    const HANDLE log = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    const std::string bytes = line + "\n";
    DWORD written = 0;
    ::WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(log);
}

LRESULT CALLBACK answerMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        ::GetClassNameW(box, className, 16);
        // #32770 is the dialog class that message boxes use; the text is read back from the box
        // itself, so the log holds what the box shows, not what the program meant to show.
        if (std::wstring_view(className) == L"#32770" && box != answeredBox) {
            answeredBox = box;
            appendLine(activeLog, toUtf8(textOf(::GetDlgItem(box, kMessageTextId))));
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

MessageBoxSeam::MessageBoxSeam() {
    const wchar_t* log = ::_wgetenv(kMessageLogVariable);
    if (log == nullptr || *log == L'\0') return;
    activeLog = log;
    answeredBox = nullptr;
    hook_ = ::SetWindowsHookExW(WH_CBT, answerMessageBox, nullptr, ::GetCurrentThreadId());
}

MessageBoxSeam::~MessageBoxSeam() {
    if (hook_ != nullptr) ::UnhookWindowsHookEx(static_cast<HHOOK>(hook_));
}

}  // namespace platform::win32
