#include "platform/file_stamp.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// FILETIME counts 100 ns steps from 1601; 11,644,473,600 seconds lie between 1601 and 1970.
std::int64_t nanoseconds(const FILETIME& t) {
    const std::int64_t steps = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    return (steps - 116444736000000000LL) * 100;
}

}  // namespace

FileStamp fileStamp(const std::string& path) {
    FileStamp stamp;
    const std::wstring wide = win32::toWidePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (wide.empty() || !::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        return stamp;
    }
    stamp.exists = true;
    stamp.plain = (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    stamp.size = stamp.plain
                     ? (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
                     : 0;
    stamp.modified = nanoseconds(data.ftLastWriteTime);
    return stamp;
}

std::int64_t systemClockNow() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return nanoseconds(now);
}

}  // namespace platform
