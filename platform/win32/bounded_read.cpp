#include "platform/bounded_read.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/win32/wide_text.h"

namespace platform {

BoundedRead readFileAtMost(const std::string& path, std::uint64_t limit, FileTypes types) {
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
        // A folder cannot be opened as a file: told in the words the tool uses everywhere.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            result.status = ReadStatus::unreadable;
            result.reason = std::strerror(EISDIR);
            return result;
        }
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

    // Opening a pipe or a device never waits for a writer here; a reader of plain files alone
    // refuses them by the open handle's type.
    const bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
    if (types == FileTypes::plainOnly && !disk) {
        result.status = ReadStatus::unreadable;
        result.notPlain = true;
        result.reason = "not a plain file";
        return result;
    }
    LARGE_INTEGER size{};
    if (disk && ::GetFileSizeEx(file, &size)) {
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
