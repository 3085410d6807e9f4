// The records the editor services know, as the compiler's one grammar states them: the
// keyword tests in the readers' order, and each field's name, unit, range and meaning.
#include "compiler/description_grammar.h"
#include "tools/editor_server/record_grammar.h"

namespace tool::editor {
namespace {

std::string joined(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    if (b.empty()) return std::string(a);
    return std::string(a) + ", " + std::string(b);
}

// "a signal", "an adhesion": what one record is, as hover text says it.
std::string withArticle(std::string_view noun) {
    const bool vowel =
        !noun.empty() && std::string_view("aeiou").find(noun[0]) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(noun);
}

// How the reader tells the record's keyword, in Markdown.
std::string recognisedText(const scenario::RecordGrammar& r) {
    std::string text = "the field contains `" + std::string(std::string_view(r.word)) + "`";
    if (!r.secondWord.empty()) text += " and `" + std::string(std::string_view(r.secondWord)) + "`";
    text += r.caseSensitive ? ", in lower case only" : ", capitals or not";
    if (r.needsTrackPlan) text += "; read only when the track plan is compiled";
    if (!r.keywordNote().empty()) text += ". " + std::string(r.keywordNote());
    return text;
}

FieldGrammar fieldOf(const scenario::FieldGrammar& f) {
    FieldGrammar out;
    out.name = std::string(f.name);
    out.kind = f.width == scenario::FieldWidth::text ? FieldKind::text : FieldKind::number;
    out.unit = joined(f.unit, scenario::rangeText(f.range));
    out.meaning = std::string(f.meaning);
    return out;
}

RecordGrammar recordOf(const scenario::RecordGrammar& r) {
    RecordGrammar out;
    out.kind = r.kind;
    out.keyword = std::string(r.spelling());
    out.noun = withArticle(r.noun());
    out.generalSection = r.section == scenario::Section::lineGeneral;
    out.recognised = recognisedText(r);
    for (const scenario::FieldGrammar& f : r.fields()) out.fields.push_back(fieldOf(f));
    out.cellOffset = scenario::cellOffset(r);
    return out;
}

DescriptionGrammar grammarOf(bool line) {
    DescriptionGrammar grammar;
    const auto sections =
        line ? std::vector{scenario::Section::lineGeneral, scenario::Section::lineRecords}
             : std::vector{scenario::Section::train};
    for (const scenario::Section section : sections) {
        for (const scenario::RecordGrammar& r : scenario::sectionRecords(section)) {
            grammar.records.push_back(recordOf(r));
        }
    }
    grammar.headings.emplace_back(scenario::kGeneralHeading);
    for (const std::string_view heading : scenario::customHeadings(line)) {
        if (heading != scenario::kGeneralHeading) grammar.headings.emplace_back(heading);
    }
    return grammar;
}

}  // namespace

const DescriptionGrammar& descriptionGrammar(DescriptionKind kind) {
    static const DescriptionGrammar line = grammarOf(true);
    static const DescriptionGrammar train = grammarOf(false);
    return kind == DescriptionKind::line ? line : train;
}

}  // namespace tool::editor
