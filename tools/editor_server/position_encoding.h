// Columns as the editor counts them. A position in the editor protocol is a line and a
// character offset in the units of the position encoding the two sides agreed on: UTF-16 code
// units unless the editor offers UTF-8 bytes. The descriptions count one byte of Windows-1252
// a character, which is one character of the text the editor holds.
#pragma once

#include <cstddef>
#include <string_view>

namespace tool::editor {

enum class PositionEncoding { utf16, utf8 };

// The units that the characters of `line` (UTF-8) before byte `byteOffset` take.
std::size_t unitsBefore(std::string_view line, std::size_t byteOffset, PositionEncoding encoding);

// The byte offset in `line` (UTF-8) of the character that starts `units` units in. An offset
// inside a character (half of a UTF-16 surrogate pair) goes back to its start; one past the
// line's end stops at its end, as the protocol asks.
std::size_t byteOffsetAt(std::string_view line, std::size_t units, PositionEncoding encoding);

// The characters of `line` (UTF-8) before byte `byteOffset`, and the byte offset of character
// `characters`, the end of the line when it is shorter.
std::size_t charactersBefore(std::string_view line, std::size_t byteOffset);
std::size_t byteOffsetOfCharacter(std::string_view line, std::size_t characters);

}  // namespace tool::editor
