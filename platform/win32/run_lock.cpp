// The run lock on Windows: a named mutex of the user's session whose name is drawn from the
// folder's identity on its volume, so that nothing is ever put in the user's folder and every
// spelling of the folder (case, short names, links) meets the same lock. The system releases a
// mutex whose owner ends, killed or not; the next run is told it was abandoned and takes it.
#include "platform/run_lock.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr const wchar_t* kMutexPrefix = L"Local\\ScenarioInstaller.RunLock.";

FileError failure(const std::string& dir, DWORD error) {
    return FileError("cannot use the folder " + dir + ": " + win32::systemMessage(error));
}

std::wstring hex(std::uint64_t value) {
    wchar_t digits[17] = {};
    for (int i = 15; i >= 0; --i, value >>= 4) digits[i] = L"0123456789abcdef"[value & 0xF];
    return digits;
}

// A name for the folder that `folder` (a handle of it) is: its volume and its number there, or,
// where the file system gives no numbers, its full name in capitals, hashed to fit a name.
std::wstring lockNameOf(HANDLE folder, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION identity{};
    if (::GetFileInformationByHandle(folder, &identity) &&
        (identity.nFileIndexHigh != 0 || identity.nFileIndexLow != 0)) {
        return kMutexPrefix + hex(identity.dwVolumeSerialNumber) + L"." +
               hex((std::uint64_t{identity.nFileIndexHigh} << 32) | identity.nFileIndexLow);
    }
    std::wstring full(32768, L'\0');
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(length > 0 && length < full.size() ? length : 0);
    if (full.empty()) full = path;
    ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const wchar_t c : full) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    return std::wstring(kMutexPrefix) + L"path." + hex(hash);
}

}  // namespace

void RunLock::release() noexcept {
    if (handle_ == kNone) return;
    const auto mutex = reinterpret_cast<HANDLE>(handle_);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    handle_ = kNone;
}

RunLock lockDirectory(const std::string& dir) {
    const std::wstring path = win32::toWidePath(dir);
    if (path.empty()) throw failure(dir, ERROR_INVALID_NAME);
    const HANDLE folder = ::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) throw failure(dir, ::GetLastError());
    BY_HANDLE_FILE_INFORMATION kind{};
    const bool isFolder = ::GetFileInformationByHandle(folder, &kind) &&
                          (kind.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::wstring name = lockNameOf(folder, path);
    ::CloseHandle(folder);
    if (!isFolder) throw failure(dir, ERROR_DIRECTORY);

    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) throw failure(dir, ::GetLastError());
    switch (::WaitForSingleObject(mutex, INFINITE)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // the run that held it ended without letting go
            return RunLock(reinterpret_cast<std::intptr_t>(mutex));
        default: {
            const DWORD error = ::GetLastError();
            ::CloseHandle(mutex);
            throw failure(dir, error);
        }
    }
}

}  // namespace platform
