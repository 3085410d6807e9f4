#include "tools/editor_server/outline.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "tools/compiled_files/inspection.h"
#include "tools/editor_server/record_line.h"
#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

// LSP SymbolKind values.
constexpr int kNamespace = 3;
constexpr int kKey = 20;
constexpr int kStruct = 23;
constexpr int kEvent = 24;
constexpr int kOperator = 25;

struct Symbol {
    std::size_t line = 0;  // from 0
    std::string name;
    std::string detail;
    int kind = 0;
    bool named = false;  // a station or a location board, found by its name
};

// A value of a record line as a whole number; nothing when it is none.
std::optional<std::int64_t> numberIn(std::string_view row, const Span& span) {
    std::string_view text = row.substr(span.begin, span.end - span.begin);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || text.empty()) return std::nullopt;
    return value;
}

std::string textIn(std::string_view row, const Span& span) {
    std::string_view text = row.substr(span.begin, span.end - span.begin);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
}

// The records of the outline, in file order, each line read as the readers read a record.
std::vector<Symbol> recordSymbols(const OpenDocument& doc) {
    std::vector<Symbol> symbols;
    for (std::size_t line = 0; line < doc.text->lineCount(); ++line) {
        const std::string_view row = doc.text->line(line);
        const RecordLine r = readRecordLine(row, *doc.kind);
        if (r.kind != RecordLine::Kind::record || !r.record || r.values.empty()) continue;
        const scenario::RecordKind kind = r.record->kind;
        const std::optional<std::int64_t> at = numberIn(row, r.values[0]);
        const std::string km = at ? kilometreText(*at) : "";
        const std::string last = textIn(row, r.values.back());
        if (kind == scenario::RecordKind::station) {
            symbols.push_back({line, last, "km " + km, kStruct, true});
        } else if (kind == scenario::RecordKind::signal) {
            symbols.push_back({line, "signal " + km, "", kEvent});
        } else if (kind == scenario::RecordKind::slowdown && r.values.size() >= 3) {
            const auto speed = numberIn(row, r.values[1]);
            const auto length = numberIn(row, r.values[2]);
            symbols.push_back({line, "slowdown " + km,
                               speed && length ? std::to_string(*speed) + " km/h over " +
                                                     std::to_string(*length) + " m"
                                               : std::string(),
                               kOperator});
        } else if (kind == scenario::RecordKind::locationBoard) {
            symbols.push_back({line, last, "location board, km " + km, kKey, true});
        } else if (kind == scenario::RecordKind::speedIndicator) {
            symbols.push_back({line, "speed indicator board " + km, "", kKey});
        }
    }
    return symbols;
}

json lineRange(const OpenDocument& doc, std::size_t line, PositionEncoding encoding) {
    return bytesRange(*doc.text, line, 0, doc.text->line(line).size(), encoding);
}

json symbolJson(const OpenDocument& doc, const Symbol& s, PositionEncoding encoding) {
    const std::string_view row = doc.text->line(s.line);
    const Span keyword = readRecordLine(row, *doc.kind).keyword;
    json out = {
        {"name", s.name.empty() ? std::string("(no name)") : s.name},
        {"kind", s.kind},
        {"range", lineRange(doc, s.line, encoding)},
        {"selectionRange", bytesRange(*doc.text, s.line, keyword.begin, keyword.end, encoding)}};
    if (!s.detail.empty()) out["detail"] = s.detail;
    return out;
}

bool holdsWords(std::string_view text, std::string_view query) {
    const auto lowered = [](std::string_view s) {
        std::string out(s);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return out;
    };
    return lowered(text).find(lowered(query)) != std::string::npos;
}

}  // namespace

json documentSymbols(const OpenDocument& doc, PositionEncoding encoding) {
    json sections = json::array();
    if (!doc.kind) return sections;
    const std::vector<Symbol> records = recordSymbols(doc);
    auto next = records.begin();
    const DocumentText& text = *doc.text;
    // Records before the first heading stand at the top; each heading holds the records up to
    // the next one.
    json* holder = &sections;
    for (std::size_t line = 0; line < text.lineCount(); ++line) {
        for (; next != records.end() && next->line < line; ++next) {
            holder->push_back(symbolJson(doc, *next, encoding));
        }
        const std::string_view row = text.line(line);
        if (row.find('[') == std::string_view::npos) continue;
        const RecordLine read = readRecordLine(row, *doc.kind);
        if (read.kind != RecordLine::Kind::heading) continue;
        const std::string name(
            row.substr(read.keyword.begin, read.keyword.end - read.keyword.begin));
        // A section runs up to the line before the next heading; its range is set then.
        sections.push_back({{"name", name},
                            {"kind", kNamespace},
                            {"range", lineRange(doc, line, encoding)},
                            {"selectionRange", bytesRange(text, line, read.keyword.begin,
                                                          read.keyword.end, encoding)},
                            {"children", json::array()}});
        holder = &sections.back()["children"];
    }
    for (; next != records.end(); ++next) holder->push_back(symbolJson(doc, *next, encoding));
    // Each section's range reaches to its last child.
    for (json& s : sections) {
        if (s.contains("children") && !s["children"].empty()) {
            s["range"]["end"] = s["children"].back()["range"]["end"];
        }
    }
    return sections;
}

json workspaceSymbols(const std::vector<const OpenDocument*>& docs, const std::string& query,
                      PositionEncoding encoding) {
    json found = json::array();
    for (const OpenDocument* doc : docs) {
        if (!doc->kind) continue;
        const std::string file =
            doc->path ? doc->path->substr(doc->path->find_last_of("/\\") + 1) : doc->uri;
        for (const Symbol& s : recordSymbols(*doc)) {
            if (!s.named || !holdsWords(s.name, query)) continue;
            found.push_back(
                {{"name", s.name},
                 {"kind", s.kind},
                 {"location", {{"uri", doc->uri}, {"range", lineRange(*doc, s.line, encoding)}}},
                 {"containerName", file + (s.detail.empty() ? "" : ", " + s.detail)}});
        }
    }
    return found;
}

}  // namespace tool::editor
