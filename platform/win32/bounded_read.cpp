#include "platform/bounded_read.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace platform {

BoundedRead readFileAtMost(const std::string& path, std::uint64_t limit) {
    BoundedRead result;
    const std::wstring wide = win32::toWidePath(path);
    if (wide.empty()) {
        result.reason = "the name is not valid UTF-8 text";
        return result;
    }
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                             error == ERROR_INVALID_NAME || error == ERROR_INVALID_DRIVE;
        result.status = missing ? ReadStatus::missing : ReadStatus::unreadable;
        result.reason = win32::systemMessage(error);
        return result;
    }
    struct Closer {
        HANDLE handle;
        ~Closer() { ::CloseHandle(handle); }
    } closer{file};

    LARGE_INTEGER size{};
    if (::GetFileType(file) == FILE_TYPE_DISK && ::GetFileSizeEx(file, &size)) {
        result.size = static_cast<std::uint64_t>(size.QuadPart);
        result.sizeExact = true;
        if (result.size > limit) {
            result.status = ReadStatus::ok;
            result.tooLarge = true;
            return result;
        }
        result.bytes.reserve(static_cast<std::size_t>(result.size));
    }
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_BROKEN_PIPE) break;  // the writing end is closed: the end
            result.status = ReadStatus::unreadable;
            result.reason = win32::systemMessage(error);
            result.bytes.clear();
            return result;
        }
        if (got == 0) break;
        result.bytes.append(chunk.data(), got);
        if (result.bytes.size() > limit) {
            result.status = ReadStatus::ok;
            result.tooLarge = true;
            result.size = limit + 1;
            result.sizeExact = false;
            result.bytes = std::string();
            return result;
        }
    }
    result.status = ReadStatus::ok;
    result.size = result.bytes.size();
    return result;
}

}  // namespace platform
