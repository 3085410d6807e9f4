#include "tools/editor_server/record_line.h"

#include <algorithm>

namespace tool::editor {
namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t skipBlanks(std::string_view line, std::size_t at) {
    while (at < line.size() && blank(line[at])) ++at;
    return at;
}

// A text field from `at` (blanks skipped): to the next comma, or a quoted text to its closing
// quote and what follows it up to the comma. Returns its span; `at` goes past its comma.
Span textField(std::string_view line, std::size_t& at) {
    at = skipBlanks(line, at);
    Span span{at, at};
    std::size_t end = at;
    if (at < line.size() && line[at] == '"') {
        const std::size_t close = line.find('"', at + 1);
        end = close == std::string_view::npos ? line.size() : close + 1;
        span.end = end;
        end = std::min(line.find(',', end), line.size());
    } else {
        end = std::min(line.find(',', at), line.size());
        span.end = end;
        while (span.end > span.begin && blank(line[span.end - 1])) --span.end;
    }
    at = end < line.size() ? end + 1 : end;
    return span;
}

// A number field: to the first blank or comma; the blanks after it and one comma go with it.
Span numberField(std::string_view line, std::size_t& at) {
    at = skipBlanks(line, at);
    Span span{at, at};
    while (span.end < line.size() && !blank(line[span.end]) && line[span.end] != ',') ++span.end;
    at = skipBlanks(line, span.end);
    if (at < line.size() && line[at] == ',') ++at;
    return span;
}

}  // namespace

const RecordGrammar* recordOfKeyword(DescriptionKind kind, std::string_view field) {
    for (const RecordGrammar& r : descriptionGrammar(kind).records) {
        if (scenario::recordGrammar(r.kind).matchesIgnoringCase(field)) return &r;
    }
    return nullptr;
}

RecordLine readRecordLine(std::string_view line, DescriptionKind kind) {
    RecordLine out;
    std::size_t at = 0;
    out.keyword = textField(line, at);
    const std::string_view keyword =
        line.substr(out.keyword.begin, out.keyword.end - out.keyword.begin);
    out.nextPlace = at;
    const bool more =
        out.keyword.end < line.size() && line.find(',', out.keyword.end) != std::string_view::npos;
    if (keyword.empty()) {
        out.kind = more ? RecordLine::Kind::unknown : RecordLine::Kind::blank;
        return out;
    }
    if (scenario::isComment(keyword)) {
        out.kind = RecordLine::Kind::comment;
        return out;
    }
    if (scenario::isHeading(keyword)) {
        out.kind = RecordLine::Kind::heading;
        return out;
    }
    out.record = recordOfKeyword(kind, keyword);
    out.kind = out.record ? RecordLine::Kind::record : RecordLine::Kind::unknown;
    if (!out.record || at >= line.size()) return out;
    const std::vector<FieldGrammar>& fields = out.record->fields;
    while (skipBlanks(line, at) < line.size()) {
        out.places.push_back(at);
        const std::size_t index = out.values.size();
        const bool number = index < fields.size() && fields[index].kind == FieldKind::number;
        out.values.push_back(number ? numberField(line, at) : textField(line, at));
        out.nextPlace = at;
    }
    return out;
}

int partAt(const RecordLine& line, std::size_t at) {
    if (line.kind != RecordLine::Kind::record) return -1;
    if (line.places.empty())
        return at >= line.nextPlace && line.nextPlace > line.keyword.end ? 0 : -1;
    if (at < line.places.front()) return -1;
    if (at >= line.nextPlace && line.nextPlace > line.values.back().end) {
        return static_cast<int>(line.values.size());
    }
    const auto after = std::upper_bound(line.places.begin(), line.places.end(), at);
    return static_cast<int>(after - line.places.begin()) - 1;
}

}  // namespace tool::editor
