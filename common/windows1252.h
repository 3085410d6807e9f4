// The one-byte Windows-1252 code page in which the descriptions, the texts of the compiled
// files and the scenario's documents are stored: its lower case, and its conversion from and
// to the UTF-8 of the program's own text, of terminals and of JSON.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace common {

// Text that cannot be stored in Windows-1252: malformed UTF-8, or a character the code page
// does not hold. All text converted to the code page is fixed in the program, so this is a
// programming error, never a condition of the run.
class EncodingError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// One byte per character. Throws EncodingError naming the byte offset of the first
// character that cannot be converted.
std::string utf8ToWindows1252(std::string_view utf8);

// The byte that stands for `c` in the code page, or nothing when the code page has no byte for
// it (a C1 control U+0080 to U+009F included).
std::optional<unsigned char> windows1252ByteOf(char32_t c);

// Each byte as the character Windows-1252 gives it; the five bytes it leaves undefined become
// U+FFFD.
std::string utf8FromWindows1252(std::string_view text);

// Upper-case letters of the code page as their lower-case ones (A-Z, À-Þ but ×, Š Œ Ž Ÿ);
// every other byte as it is.
std::string lowerWindows1252(std::string_view text);

}  // namespace common
