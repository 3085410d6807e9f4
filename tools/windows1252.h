// Texts of the descriptions and of the train file are Windows-1252 bytes; terminals and JSON
// want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tool {

// Each byte as the character Windows-1252 gives it; the five bytes it leaves undefined become
// U+FFFD.
std::string utf8FromWindows1252(std::string_view text);

}  // namespace tool
