#include "tools/editor_server/document_text.h"

#include <algorithm>
#include <cstring>

namespace tool::editor {

DocumentText::DocumentText(std::string utf8) : text_(std::move(utf8)) {
    indexLines();
}

void DocumentText::indexLines() {
    starts_.clear();
    starts_.push_back(0);
    const char* const begin = text_.data();
    const std::size_t size = text_.size();
    for (std::size_t at = 0; at < size; ++at) {
        const char c = begin[at];
        if (c != '\n' && c != '\r') continue;
        if (c == '\r' && at + 1 < size && begin[at + 1] == '\n') ++at;
        starts_.push_back(at + 1);
    }
}

std::size_t DocumentText::lineStart(std::size_t index) const {
    return index < starts_.size() ? starts_[index] : text_.size();
}

std::string_view DocumentText::line(std::size_t index) const {
    if (index >= starts_.size()) return {};
    const std::size_t start = starts_[index];
    std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
    // Without its end: CR LF, CR or LF.
    if (end > start && text_[end - 1] == '\n') --end;
    if (end > start && text_[end - 1] == '\r') --end;
    return std::string_view(text_).substr(start, end - start);
}

std::size_t DocumentText::offsetOf(Position at, PositionEncoding encoding) const {
    if (at.line >= starts_.size()) return text_.size();
    return starts_[at.line] + byteOffsetAt(line(at.line), at.character, encoding);
}

Position DocumentText::positionOf(std::size_t offset, PositionEncoding encoding) const {
    offset = std::min(offset, text_.size());
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const auto index = static_cast<std::size_t>(after - starts_.begin()) - 1;
    return {index, unitsBefore(line(index), offset - starts_[index], encoding)};
}

void DocumentText::replace(std::size_t from, std::size_t to, std::string_view with) {
    text_.replace(from, to - from, with);
    indexLines();
}

}  // namespace tool::editor
