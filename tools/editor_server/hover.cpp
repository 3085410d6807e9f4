// textDocument/hover: the record of a keyword, or a field's name, unit, range and meaning, and
// what its value means here.
#include <charconv>
#include <optional>

#include "compiler/rounding.h"
#include "tools/compiled_files/inspection.h"
#include "tools/editor_server/field_help.h"
#include "tools/editor_server/record_at.h"
#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

std::optional<std::int64_t> numberIn(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::int64_t> valueOf(const RecordAt& at, std::size_t index) {
    if (index >= at.read.values.size()) return std::nullopt;
    const Span s = at.read.values[index];
    // A field of blanks only reads as 0.
    if (s.begin == s.end) return 0;
    return numberIn(at.text.substr(s.begin, s.end - s.begin));
}

std::optional<std::size_t> fieldIndex(const RecordGrammar& r, std::string_view name) {
    for (std::size_t i = 0; i < r.fields.size(); ++i) {
        if (r.fields[i].name == name) return i;
    }
    return std::nullopt;
}

// hh:mm:ss of three fields named `prefix`hours, minutes and seconds.
std::optional<std::string> timeOf(const RecordAt& at, const char* hours, const char* minutes,
                                  const char* seconds) {
    const RecordGrammar& r = *at.read.record;
    const auto h = fieldIndex(r, hours);
    const auto m = fieldIndex(r, minutes);
    const auto s = fieldIndex(r, seconds);
    if (!h || !m || !s) return std::nullopt;
    const auto hv = valueOf(at, *h);
    const auto mv = valueOf(at, *m);
    const auto sv = valueOf(at, *s);
    if (!hv || !mv || !sv) return std::nullopt;
    return clockText(*hv * 3600 + *mv * 60 + *sv);
}

bool isPosition(std::string_view name) {
    return name == "position" || name == "start" || name == "end" || name == "line_length";
}

// What the value of field `index` means on this line.
std::string meaningHere(const RecordAt& at, std::size_t index) {
    const RecordGrammar& r = *at.read.record;
    const FieldGrammar& f = r.fields[index];
    if (f.kind == FieldKind::text) return {};
    const std::optional<std::int64_t> v = valueOf(at, index);
    if (!v) {
        return "not a whole decimal number: the reader fails on it (error 25)";
    }
    const std::string name = f.name;
    if (name == "hours" || name == "minutes" || name == "seconds") {
        if (const auto t = timeOf(at, "hours", "minutes", "seconds")) return "scheduled at " + *t;
    }
    if (name.starts_with("clock_")) {
        if (const auto t = timeOf(at, "clock_hours", "clock_minutes", "clock_seconds")) {
            return "the clock starts at " + *t;
        }
    }
    if (r.kind == scenario::RecordKind::speed && name == "speed") {
        return "stored as " +
               std::to_string(scenario::roundHalfEven(static_cast<double>(*v) / 5.0) * 5) +
               " km/h (steps of 5 km/h)";
    }
    if (r.kind == scenario::RecordKind::slowdown && name == "length") {
        if (const auto start = valueOf(at, 0)) return "ends at km " + kilometreText(*start + *v);
    }
    if (!isPosition(name)) return {};
    std::string here = "km " + kilometreText(*v);
    // The cell the record's placement takes for its position, as the grammar states it.
    if (index == 0 && r.cellOffset) {
        here += ", cell " + std::to_string(scenario::cellOf(*v, *r.cellOffset));
    }
    return here;
}

std::string fieldList(const RecordGrammar& r) {
    std::string list;
    for (const FieldGrammar& f : r.fields) list += (list.empty() ? "`" : ", `") + f.name + "`";
    return list;
}

json hover(const std::string& markdown, const OpenDocument& doc, const RecordAt& at, Span span,
           PositionEncoding encoding) {
    return {{"contents", {{"kind", "markdown"}, {"value", markdown}}},
            {"range", bytesRange(*doc.text, at.line, span.begin, span.end, encoding)}};
}

// One Markdown list item a line.
std::string asList(const std::string& lines) {
    std::string list = "- ";
    for (const char c : lines) list += c == '\n' ? std::string("\n- ") : std::string(1, c);
    return list;
}

bool within(Span s, std::size_t byte) {
    return byte >= s.begin && byte <= s.end;
}

}  // namespace

json hoverAt(const OpenDocument& doc, Position position, const ClientAbilities& client,
             const CompiledCells& compiled) {
    const std::optional<RecordAt> at = recordAt(doc, position, client.encoding);
    if (!at) return nullptr;
    const RecordLine& read = at->read;
    if (read.kind == RecordLine::Kind::heading && within(read.keyword, at->byte)) {
        return hover(
            "A section heading. The reader passes over headings (`[generale]` aside, where "
            "the description's reading starts); they help the reader of the file.",
            doc, *at, read.keyword, client.encoding);
    }
    if (read.kind != RecordLine::Kind::record) return nullptr;
    const RecordGrammar& r = *read.record;
    if (at->part < 0) {
        if (!within(read.keyword, at->byte)) return nullptr;
        return hover("**" + r.keyword + "**: " + r.noun + ", " + std::to_string(r.fields.size()) +
                         " fields after the keyword: " + fieldList(r) +
                         ".\n\nThe reader takes a keyword field for it when: " + r.recognised,
                     doc, *at, read.keyword, client.encoding);
    }
    const auto index = static_cast<std::size_t>(at->part);
    if (index >= read.values.size()) return nullptr;
    const Span span = read.values[index];
    if (!within(span, at->byte)) return nullptr;
    if (index >= r.fields.size()) {
        return hover("A field left over: **" + r.keyword + "** reads " +
                         std::to_string(r.fields.size()) +
                         " fields after its keyword, and the reader takes this one as the next "
                         "keyword field.",
                     doc, *at, span, client.encoding);
    }
    const FieldGrammar& f = r.fields[index];
    std::string text = "**" + r.keyword + "**, field " + std::to_string(index + 1) + " of " +
                       std::to_string(r.fields.size()) + ": `" + f.name + "`";
    if (!f.unit.empty()) text += " — " + f.unit;
    if (!f.meaning.empty()) text += "\n\n" + f.meaning;
    std::string here = meaningHere(*at, index);
    // Every field of a placed record tells where the record stands.
    const bool placed =
        !r.fields.empty() && (r.fields[0].name == "position" || r.fields[0].name == "start");
    if (placed && !isPosition(f.name)) {
        if (const auto place = valueOf(*at, 0)) {
            here += (here.empty() ? "" : "; ") + r.noun + " at km " + kilometreText(*place);
        }
    }
    if (!here.empty()) text += "\n\nHere: " + here;
    if (placed && compiled) {
        if (const auto cells = compiled(static_cast<int>(at->line)))
            text += "\n\nCompiled:\n" + asList(*cells);
    }
    return hover(text, doc, *at, span, client.encoding);
}

}  // namespace tool::editor
