// The line of a description that a failure points at, shown under the message with a caret
// under the field, as compilers show it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tool {

// Line `line` (from 1) of Windows-1252 text whose lines end in CR LF, a lone CR or a lone LF,
// as UTF-8 without its end; nothing when the text has no such line.
std::optional<std::string> sourceLine(std::string_view text, int line);

// The two lines shown under a message: the source line and a caret under byte column
// `column` (from 1), each indented by four blanks and ended by a line end. Tabs before the
// column are kept, so that the caret stands under the field whatever the tab width.
std::string caretLines(std::string_view lineUtf8, int column);

}  // namespace tool
