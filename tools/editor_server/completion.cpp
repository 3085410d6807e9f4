// textDocument/completion: the keywords and headings that may start a line there.
#include "tools/editor_server/field_help.h"
#include "tools/editor_server/record_at.h"
#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

// LSP CompletionItemKind and InsertTextFormat values.
constexpr int kKeywordItem = 14;
constexpr int kModuleItem = 9;
constexpr int kSnippet = 2;

// Whether line `line` of a line description stands in its general section: after its
// "[generale]" line and before the heading that follows it.
bool inGeneralSection(const DocumentText& text, std::size_t line) {
    bool general = false;
    for (std::size_t i = 0; i < line && i < text.lineCount(); ++i) {
        const RecordLine read = readRecordLine(text.line(i), DescriptionKind::line);
        if (read.kind != RecordLine::Kind::heading) continue;
        std::string heading(
            text.line(i).substr(read.keyword.begin, read.keyword.end - read.keyword.begin));
        for (char& c : heading) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        const bool generale = heading.find("[generale]") != std::string::npos;
        if (generale && !general) {
            general = true;
        } else if (general) {
            return false;
        }
    }
    return general;
}

std::string snippetOf(const RecordGrammar& r) {
    std::string text = r.keyword;
    int n = 0;
    for (const FieldGrammar& f : r.fields) {
        text += ", ${" + std::to_string(++n) + ":" + f.name + "}";
    }
    return text;
}

}  // namespace

json completionAt(const OpenDocument& doc, Position position, const ClientAbilities& client) {
    json items = json::array();
    const std::optional<RecordAt> at = recordAt(doc, position, client.encoding);
    if (!at || at->part >= 0) return items;
    // Only in the first field, before its comma.
    if (at->text.substr(0, at->byte).find(',') != std::string_view::npos) return items;
    const std::size_t start =
        at->read.keyword.begin <= at->byte ? at->read.keyword.begin : at->byte;
    const json replaced = bytesRange(*doc.text, at->line, start, at->byte, client.encoding);
    const bool line = doc.kind == DescriptionKind::line;
    const bool general = line && inGeneralSection(*doc.text, at->line);
    for (const RecordGrammar& r : descriptionGrammar(*doc.kind).records) {
        if (line && r.generalSection != general) continue;
        std::string fields;
        for (const FieldGrammar& f : r.fields) fields += (fields.empty() ? "" : ", ") + f.name;
        const std::string insert = client.snippets ? snippetOf(r) : r.keyword + ", ";
        json item = {{"label", r.keyword},
                     {"kind", kKeywordItem},
                     {"detail", r.noun + ": " + fields},
                     {"filterText", r.keyword},
                     {"textEdit", {{"range", replaced}, {"newText", insert}}}};
        if (client.snippets) item["insertTextFormat"] = kSnippet;
        items.push_back(std::move(item));
    }
    for (const std::string& heading : descriptionGrammar(*doc.kind).headings) {
        items.push_back({{"label", heading},
                         {"kind", kModuleItem},
                         {"detail", "section heading"},
                         {"filterText", heading},
                         {"textEdit", {{"range", replaced}, {"newText", heading}}}});
    }
    return items;
}

}  // namespace tool::editor
