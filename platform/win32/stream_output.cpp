#include "platform/stream_output.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw FileError("cannot write " + path + ": " + reason);
}

}  // namespace

void writeIntoExisting(const std::string& path, const ByteProducer& produce) {
    const std::wstring wide = win32::toWidePath(path);
    if (wide.empty()) fail(path, "the name is not valid UTF-8 text");
    const HANDLE file =
        ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail(path, win32::systemMessage(::GetLastError()));
    struct Closer {
        HANDLE handle;
        ~Closer() { ::CloseHandle(handle); }
    } closer{file};
    produce([&](std::string_view piece) {
        const char* data = piece.data();
        std::size_t size = piece.size();
        while (size > 0) {
            const DWORD piece = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!::WriteFile(file, data, piece, &written, nullptr)) {
                fail(path, win32::systemMessage(::GetLastError()));
            }
            if (written == 0) fail(path, "nothing could be written");
            data += written;
            size -= written;
        }
    });
}

}  // namespace platform
