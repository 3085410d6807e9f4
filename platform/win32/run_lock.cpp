// The run lock on Windows: a hidden file in the directory, opened with no sharing, so that a
// second run cannot open it until the first has closed it. The system deletes it when its handle
// is closed, which it does for a process that ends in any way, so no lock file stays behind.
#include <windows.h>

#include <chrono>
#include <string>

#include "platform/files.h"
#include "platform/run_lock.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr wchar_t kLockFileName[] = L".scenario-run.lock";

// How often a waiting run tries again.
constexpr DWORD kRetryMilliseconds = 50;

// Access is denied for a moment while the previous holder's file is being deleted; for longer
// than this it means that the directory does not let us create the file.
constexpr std::chrono::seconds kDeletePendingLimit{3};

}  // namespace

void RunLock::release() noexcept {
    if (handle_ != kNone) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNone;
}

RunLock lockDirectory(const std::string& dir) {
    std::wstring path = win32::toWide(dir, true);
    if (path.empty() && !dir.empty()) {
        throw FileError("cannot use the folder " + dir + ": the name is not valid text");
    }
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += kLockFileName;

    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const HANDLE handle =
            ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return RunLock(reinterpret_cast<std::intptr_t>(handle));
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        const bool beingDeleted = error == ERROR_ACCESS_DENIED &&
                                  std::chrono::steady_clock::now() - start < kDeletePendingLimit;
        if (!held && !beingDeleted) {
            throw FileError("cannot use the folder " + dir + ": " + win32::systemMessage(error));
        }
        ::Sleep(kRetryMilliseconds);
    }
}

}  // namespace platform
