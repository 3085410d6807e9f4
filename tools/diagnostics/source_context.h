// The line of a description that a failure points at, shown under the message with a caret
// under the field, as compilers show it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tool {

// Line `line` (from 1) of Windows-1252 text whose lines end in CR LF, a lone CR or a lone LF,
// as UTF-8 without its end; nothing when the text has no such line.
std::optional<std::string> sourceLine(std::string_view text, int line);

// A line longer than this many bytes is cut to the bytes around the column a failure points
// at, so that a failure on a line of megabytes costs a line of text, not megabytes.
inline constexpr std::size_t kContextBytesBefore = 120;
inline constexpr std::size_t kContextBytesAfter = 120;
// Stands where a line was cut.
inline constexpr std::string_view kCutMarker = "...";

// The part of line `line` shown for byte column `column` (from 1): the whole line when it is
// short enough, else the bytes around the column with kCutMarker where it was cut; `column` is
// the column of the same byte in `text`.
struct SourceExcerpt {
    std::string text;  // UTF-8
    int column = 1;
};
std::optional<SourceExcerpt> sourceExcerpt(std::string_view text, int line, int column);

// The same for many lines of one text: its lines are found once, so that a lookup costs one
// line, not a pass over the text before it. `text` must outlive it.
class SourceLines {
  public:
    explicit SourceLines(std::string_view text);
    std::optional<SourceExcerpt> excerpt(int line, int column) const;
    // How many lines the text has: a line end that closes the text starts no line.
    int count() const { return static_cast<int>(starts_.size()); }
    // Where line `line` (from 1) lies in the text, without its end: its first byte and the
    // byte past its last; nothing when the text has no such line.
    std::optional<std::pair<std::size_t, std::size_t>> byteRange(int line) const;

  private:
    std::string_view text_;
    std::vector<std::size_t> starts_;  // where each line begins
};

// The two lines shown under a message: the source line and a caret under character column
// `column` (from 1), each indented by four blanks and ended by a line end. Control characters
// are shown escaped (see shownText) and the caret moves past their escapes; tabs before the
// column are kept, so that the caret stands under the field whatever the tab width.
std::string caretLines(std::string_view lineUtf8, int column);

}  // namespace tool
