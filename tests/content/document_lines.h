// Helpers that read a written text document back the way a reader of the file would: as bytes
// split at CR LF.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/text_writer.h"

namespace scenario::content::testing {

// The lines of a file whose every line, the last included, ends in CR LF. A CR or LF on its
// own, or bytes after the last CR LF, fail the calling test.
inline std::vector<std::string> fileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t cr = bytes.find("\r\n", start);
        if (cr == std::string::npos) {
            ADD_FAILURE() << "bytes after the last CR LF: \"" << bytes.substr(start) << "\"";
            break;
        }
        std::string line = bytes.substr(start, cr - start);
        if (line.find_first_of("\r\n") != std::string::npos) {
            ADD_FAILURE() << "line " << lines.size() + 1 << " holds a lone CR or LF";
        }
        lines.push_back(std::move(line));
        start = cr + 2;
    }
    return lines;
}

inline std::vector<std::string> documentLines(std::span<const std::string_view> table) {
    return fileLines(encodeDocument(table));
}

// Splits at `separator` and trims blanks from both ends of each piece.
inline std::vector<std::string> splitTrimmed(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        std::string_view piece = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::size_t first = piece.find_first_not_of(' ');
        const std::size_t last = piece.find_last_not_of(' ');
        pieces.emplace_back(first == std::string_view::npos
                                ? std::string_view()
                                : piece.substr(first, last - first + 1));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return pieces;
}

}  // namespace scenario::content::testing
