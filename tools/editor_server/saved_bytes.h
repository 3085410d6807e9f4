// The bytes a save of the editor's text gives: the descriptions are Windows-1252, one byte a
// character. A character the code page does not hold cannot be saved; it is checked as "?", the
// byte editors put in its place, and told where it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tool::editor {

struct UnsavableCharacter {
    std::size_t line = 0;       // from 0
    std::size_t character = 0;  // characters before it on its line
    char32_t code = 0;          // U+FFFD for bytes that are no UTF-8
};

struct SavedBytes {
    std::string bytes;                          // one byte for each character of the text
    std::vector<UnsavableCharacter> unsavable;  // the first kMaxUnsavableTold of them
    std::size_t unsavableCount = 0;             // all of them
};

inline constexpr std::size_t kMaxUnsavableTold = 50;
inline constexpr char kUnsavableByte = '?';

SavedBytes bytesAsSaved(std::string_view utf8);

}  // namespace tool::editor
