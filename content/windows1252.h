// Conversion of the program's own UTF-8 text to the one-byte Windows-1252 code page in which the
// scenario's text files are stored.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace scenario::content {

// Text that cannot be stored in Windows-1252: malformed UTF-8, or a character the code page
// does not hold. All text converted here is fixed in the program, so this is a programming
// error, never a condition of the run.
class EncodingError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// One byte per character. Throws EncodingError naming the byte offset of the first
// character that cannot be converted.
std::string utf8ToWindows1252(std::string_view utf8);

}  // namespace scenario::content
