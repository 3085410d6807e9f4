#include "tools/editor_server/standard_input.h"

#include <cerrno>
#include <climits>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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
    const unsigned count = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
    for (;;) {
        const int got = _read(0, buffer, count);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) return 0;
    }
#else
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) return 0;
    }
#endif
}

}  // namespace tool::editor
