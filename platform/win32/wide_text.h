// Conversions between the UTF-8 text of our code and the UTF-16 text of the Windows API. Paths
// and messages cross with them, so that names in any script work whatever the machine's code
// page.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// `text` as UTF-16. Bytes that are not UTF-8 become U+FFFD when `strict` is false; with `strict`
// they make the result empty, so that a malformed path never names a different file.
std::wstring toWide(std::string_view text, bool strict = false);

// `path` for the wide-character file API. A path that nears the classic 260-character limit is
// made absolute and given the \\?\ form that lifts the limit, so that an installer deep in a
// folder tree can still write its longer file names. Empty when `path` is not UTF-8.
std::wstring toWidePath(std::string_view path);

// `text` as UTF-8; a lone surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view text);

// The system's description of the error `code`, in the user's language, without the line end
// that ends it; "Windows error N" when the system has none.
std::string systemMessage(unsigned long code);

}  // namespace platform::win32
