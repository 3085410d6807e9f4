// The server's standard input as raw bytes: in binary mode on Windows, where the C runtime
// would otherwise turn CR LF into LF and a Content-Length would no longer count the body.
#pragma once

#include <cstddef>

namespace tool::editor {

// Puts standard input and output in binary mode (Windows; nothing to do elsewhere).
void useBinaryStandardStreams();

// Reads what is there, up to `size` bytes, waiting for at least one; 0 at the end of input or
// when it cannot be read.
std::size_t readStandardInput(char* buffer, std::size_t size);

}  // namespace tool::editor
