#include "tools/editor_server/standard_input.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tool::editor {

void useBinaryStandardStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::size_t readStandardInput(char* buffer, std::size_t size) {
#ifdef _WIN32
    // The handle itself: a pipe's ReadFile gives what is there, and fails with a broken pipe
    // once the editor has closed its end.
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD got = 0;
    const DWORD count = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    if (input == INVALID_HANDLE_VALUE || input == nullptr ||
        !ReadFile(input, buffer, count, &got, nullptr)) {
        return 0;
    }
    return got;
#else
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) return 0;
    }
#endif
}

}  // namespace tool::editor
