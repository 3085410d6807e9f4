#include "tools/editor_server/semantic_tokens.h"

#include <algorithm>
#include <map>
#include <vector>

#include "tools/editor_server/record_line.h"

namespace tool::editor {
namespace {

enum Type { kKeyword, kNumber, kString, kComment, kHeading };
constexpr unsigned kDistance = 1;
constexpr unsigned kSpeed = 2;
constexpr unsigned kTime = 4;
constexpr unsigned kInvalid = 8;

unsigned fieldModifiers(const FieldGrammar& f) {
    if (f.name == "hours" || f.name == "minutes" || f.name == "seconds" ||
        f.name.starts_with("clock_")) {
        return kTime;
    }
    if (f.unit.find("km/h") != std::string::npos) return kSpeed;
    if (f.unit == "m" || f.unit.starts_with("m,")) return kDistance;
    return 0;
}

bool isNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct Token {
    std::size_t from = 0;  // in the encoding's units
    std::size_t length = 0;
    int type = 0;
    unsigned modifiers = 0;
};

class Tokens {
  public:
    explicit Tokens(PositionEncoding encoding) : encoding_(encoding) {}

    void line(std::size_t index, std::string_view text, const RecordLine& read,
              const std::vector<std::pair<std::size_t, std::size_t>>& errors) {
        std::vector<Token> tokens;
        const auto add = [&](Span s, int type, unsigned modifiers) {
            if (s.end <= s.begin) return;
            Token t{unitsBefore(text, s.begin, encoding_), 0, type, modifiers};
            t.length = unitsBefore(text, s.end, encoding_) - t.from;
            for (const auto& [from, to] : errors) {
                if (from < t.from + t.length && t.from < to) t.modifiers |= kInvalid;
            }
            tokens.push_back(t);
        };
        switch (read.kind) {
            case RecordLine::Kind::heading:
                add(read.keyword, kHeading, 0);
                break;
            case RecordLine::Kind::comment:
                add({read.keyword.begin, text.size()}, kComment, 0);
                break;
            case RecordLine::Kind::record:
                add(read.keyword, kKeyword, 0);
                for (std::size_t i = 0; i < read.values.size(); ++i) {
                    const Span s = read.values[i];
                    if (i >= read.record->fields.size()) {
                        add(s, kString, kInvalid);
                        continue;
                    }
                    const FieldGrammar& f = read.record->fields[i];
                    if (f.kind == FieldKind::text) {
                        add(s, kString, 0);
                    } else {
                        const bool number = isNumber(text.substr(s.begin, s.end - s.begin));
                        add(s, kNumber, fieldModifiers(f) | (number ? 0u : kInvalid));
                    }
                }
                break;
            default:
                break;
        }
        for (const Token& t : tokens) {
            data_.push_back(index - line_);
            data_.push_back(index == line_ ? t.from - start_ : t.from);
            data_.push_back(t.length);
            data_.push_back(static_cast<std::size_t>(t.type));
            data_.push_back(t.modifiers);
            line_ = index;
            start_ = t.from;
        }
    }

    json result() const { return {{"data", data_}}; }

  private:
    PositionEncoding encoding_;
    std::vector<std::size_t> data_;
    std::size_t line_ = 0;
    std::size_t start_ = 0;
};

}  // namespace

json semanticTokensLegend() {
    return {{"tokenTypes", {"keyword", "number", "string", "comment", "namespace"}},
            {"tokenModifiers", {"distance", "speed", "time", "invalid"}}};
}

json semanticTokens(const OpenDocument& doc, std::size_t first, std::size_t last,
                    const json& diagnostics, PositionEncoding encoding) {
    Tokens tokens(encoding);
    if (!doc.kind) return tokens.result();
    // The errors' ranges by line, in the encoding's units.
    std::multimap<std::size_t, std::pair<std::size_t, std::size_t>> errors;
    for (const json& d : diagnostics) {
        if (d.value("severity", 0) != 1) continue;
        const json& range = d["range"];
        const auto line = range["start"].value("line", std::size_t{0});
        if (range["end"].value("line", std::size_t{0}) != line) continue;
        errors.emplace(line, std::pair{range["start"].value("character", std::size_t{0}),
                                       range["end"].value("character", std::size_t{0})});
    }
    const DocumentText& text = *doc.text;
    for (std::size_t line = first; line <= last && line < text.lineCount(); ++line) {
        std::vector<std::pair<std::size_t, std::size_t>> onLine;
        for (auto [it, end] = errors.equal_range(line); it != end; ++it)
            onLine.push_back(it->second);
        const std::string_view row = text.line(line);
        tokens.line(line, row, readRecordLine(row, *doc.kind), onLine);
    }
    return tokens.result();
}

}  // namespace tool::editor
