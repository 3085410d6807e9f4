// The text of a document as the editor holds it, UTF-8, with where each of its lines starts, so
// that a position in the editor's units finds its byte at the cost of one line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/editor_server/position_encoding.h"

namespace tool::editor {

struct Position {
    std::size_t line = 0;       // from 0
    std::size_t character = 0;  // in the units of the position encoding
    friend bool operator==(const Position&, const Position&) = default;
};

class DocumentText {
  public:
    explicit DocumentText(std::string utf8 = {});

    const std::string& text() const { return text_; }
    // Lines end at CR LF, a lone CR or a lone LF, as in the descriptions and the protocol; a
    // text that ends with a line end has an empty last line after it.
    std::size_t lineCount() const { return starts_.size(); }
    std::string_view line(std::size_t index) const;  // without its end; empty past the last
    std::size_t lineStart(std::size_t index) const;  // the text's size past the last line

    // The byte of `at`: a line past the last is the end of the text, a character past the
    // line's end the end of the line.
    std::size_t offsetOf(Position at, PositionEncoding encoding) const;
    Position positionOf(std::size_t offset, PositionEncoding encoding) const;

    // Bytes `from` to `to` (from <= to <= size) become `with`.
    void replace(std::size_t from, std::size_t to, std::string_view with);

  private:
    void indexLines();

    std::string text_;
    std::vector<std::size_t> starts_;
};

}  // namespace tool::editor
