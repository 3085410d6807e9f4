// The records' keywords as the readers recognise them, written down here; their field names,
// units, ranges and meanings read from the format reference the tool carries (docs/format.md),
// whose tables a test holds to the readers. This file is the one to change when the compiler
// keeps a grammar of its own.
#include <map>
#include <stdexcept>

#include "tools/editor_server/record_grammar.h"

namespace tool {
// The carried docs/format.md, built into the tool.
std::string_view formatReferenceText();
}  // namespace tool

namespace tool::editor {
namespace {

struct KnownRecord {
    const char* keyword;
    const char* docKey;  // the first word the reference's keyword table gives the record
    const char* noun;
    std::vector<std::string> words;
    bool lowerCaseOnly;
    bool generalSection;
    bool endsInText;  // the last value is a text
};

const std::vector<KnownRecord>& knownRecords(DescriptionKind kind) {
    static const std::vector<KnownRecord> line{
        {"lunghezza percorso",
         "lunghezza",
         "the line's length",
         {"lunghezza", "percorso"},
         false,
         true,
         false},
        {"progressiva chilometrica tre",
         "progressiva",
         "a kilometre progressive",
         {"progressiva", "tre"},
         true,
         true,
         false},
        {"progressiva chilometrica due",
         "progressiva",
         "a kilometre progressive",
         {"progressiva", "due"},
         true,
         true,
         false},
        {"progressiva chilometrica uno",
         "progressiva",
         "a kilometre progressive",
         {"progressiva", "uno"},
         true,
         true,
         false},
        {"sfondo uno", "sfondo", "a background value", {"sfondo", "uno"}, true, true, false},
        {"sfondo due", "sfondo", "a background value", {"sfondo", "due"}, true, true, false},
        {"sfondo tre", "sfondo", "a background value", {"sfondo", "tre"}, true, true, false},
        {"ripetizione segnali 4 codici",
         "segnali",
         "the signal repetition distances",
         {"segnali", "ripetizione"},
         true,
         true,
         false},
        {"pendenza", "pendenza", "a gradient", {"pendenza"}, false, false, false},
        {"curvas1", "curva", "a curve", {"curva"}, false, false, false},
        {"montagna", "montagna", "a mountain stretch", {"montagna"}, false, false, false},
        {"indicatori_vmax",
         "indicatori_v",
         "a speed indicator board",
         {"indicatori_v"},
         false,
         false,
         false},
        {"cartello_indicatore",
         "cartello",
         "a location board",
         {"cartello", "indicat"},
         false,
         false,
         true},
    };
    static const std::vector<KnownRecord> train{
        {"percentuale massa frenata",
         "frenata",
         "the braked-mass percentage",
         {"frenata", "massa"},
         false,
         false,
         false},
        {"numero vetture", "vetture", "the number of cars", {"vetture"}, false, false, false},
        {"velocita", "velocit", "a line speed limit", {"velocit"}, false, false, false},
        {"aderenza", "aderenza", "an adhesion value", {"aderenza"}, false, false, false},
        {"orologio",
         "orologio",
         "the clock at the start of the run",
         {"orologio"},
         false,
         false,
         false},
        {"sabbia", "sabbia", "the sand carried", {"sabbia"}, false, false, false},
        {"segnale", "segnale", "a signal", {"segnale"}, false, false, false},
        {"rallentamento", "rallentamento", "a slowdown", {"rallentamento"}, false, false, false},
        {"abbattimento",
         "abbattimento",
         "a speed-supervision mark",
         {"abbattimento"},
         false,
         false,
         false},
        {"stazione", "stazione", "a station", {"stazione"}, false, false, true},
    };
    return kind == DescriptionKind::line ? line : train;
}

std::string trimmed(std::string_view s) {
    const std::size_t begin = s.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return std::string(s.substr(begin, s.find_last_not_of(' ') - begin + 1));
}

// The cells of a Markdown table row.
std::vector<std::string> cells(std::string_view row) {
    std::vector<std::string> out;
    row.remove_prefix(1);
    while (!row.empty()) {
        const std::size_t bar = row.find('|');
        out.push_back(trimmed(row.substr(0, bar)));
        if (bar == std::string_view::npos) break;
        row.remove_prefix(bar + 1);
    }
    return out;
}

// The names in backticks in a cell, "`code_7` to `code_13`" giving every name between.
std::vector<std::string> namesIn(std::string_view cell) {
    std::vector<std::string> names;
    std::size_t at = 0;
    std::size_t lastEnd = 0;
    while ((at = cell.find('`', at)) != std::string_view::npos) {
        const std::size_t end = cell.find('`', at + 1);
        if (end == std::string_view::npos) break;
        const std::string name(cell.substr(at + 1, end - at - 1));
        const bool range = !names.empty() && cell.substr(lastEnd, at - lastEnd) == " to ";
        const std::size_t digits = name.find_last_not_of("0123456789") + 1;
        if (range && digits < name.size() && names.back().starts_with(name.substr(0, digits))) {
            const int from = std::stoi(names.back().substr(digits)) + 1;
            const int to = std::stoi(name.substr(digits));
            for (int n = from; n < to; ++n)
                names.push_back(name.substr(0, digits) + std::to_string(n));
        }
        names.push_back(name);
        at = lastEnd = end + 1;
    }
    return names;
}

// "... (by custom `X`)": X, or nothing.
std::string customSpelling(std::string_view cell) {
    const std::size_t at = cell.find("by custom `");
    if (at == std::string_view::npos) return {};
    const std::size_t from = at + 11;
    return std::string(cell.substr(from, cell.find('`', from) - from));
}

struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

// The tables of the section of `document` under heading `section`, up to the next "## ".
std::vector<Table> tablesUnder(std::string_view document, std::string_view section) {
    const std::size_t begin = document.find(section);
    if (begin == std::string_view::npos) {
        throw std::logic_error("the format reference has no section " + std::string(section));
    }
    std::string_view text = document.substr(begin + section.size());
    text = text.substr(0, text.find("\n## "));
    std::vector<Table> tables;
    bool inTable = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view row = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!row.starts_with("|")) {
            inTable = false;
            continue;
        }
        if (!inTable) {
            tables.push_back({cells(row), {}});
            inTable = true;
        } else if (!row.starts_with("|---")) {
            tables.back().rows.push_back(cells(row));
        }
    }
    return tables;
}

// Gives each known record the field names of its row in the keyword tables, and each field
// its unit and meaning from the field tables.
DescriptionGrammar readGrammar(DescriptionKind kind) {
    const std::vector<Table> tables = tablesUnder(
        formatReferenceText(),
        kind == DescriptionKind::line ? "\n## The line description" : "\n## The train description");
    DescriptionGrammar grammar;
    // Field rows by the record they name (empty for the general section's table) and field.
    std::map<std::pair<std::string, std::string>, const std::vector<std::string>*> fieldRows;
    for (const Table& t : tables) {
        const bool withRecord = !t.header.empty() && t.header[0] == "Record";
        if (t.header.size() < 3 || t.header[withRecord ? 1 : 0] != "Field") continue;
        for (const auto& row : t.rows) {
            if (row.size() < t.header.size()) continue;
            const std::vector<std::string> record =
                withRecord ? namesIn(row[0]) : std::vector<std::string>{""};
            for (const std::string& field : namesIn(row[withRecord ? 1 : 0])) {
                fieldRows.emplace(std::pair{record.empty() ? "" : record[0], field}, &row);
            }
        }
    }
    for (const KnownRecord& known : knownRecords(kind)) {
        RecordGrammar r{known.keyword,        known.noun, known.words, known.lowerCaseOnly,
                        known.generalSection, {},         {}};
        for (const Table& t : tables) {
            if (t.header.empty() || !t.header[0].starts_with("Keyword")) continue;
            for (const auto& row : t.rows) {
                const std::string custom = customSpelling(row[0]);
                const std::vector<std::string> names = namesIn(row[0]);
                const bool ours = custom.empty() ? !names.empty() && names[0] == known.docKey
                                                 : custom == known.keyword;
                if (!ours || !r.fields.empty()) continue;
                r.recognised = row[0];
                for (const std::string& name : namesIn(row.back()))
                    r.fields.push_back({name, FieldKind::number, "", ""});
            }
        }
        if (r.fields.empty()) {
            throw std::logic_error("the format reference gives no values of " + r.keyword);
        }
        if (known.endsInText) r.fields.back().kind = FieldKind::text;
        for (FieldGrammar& f : r.fields) {
            const std::vector<std::string> keys =
                known.generalSection ? std::vector<std::string>{""}
                                     : std::vector<std::string>{known.docKey, r.keyword};
            for (const std::string& key : keys) {
                const auto row = fieldRows.find({key, f.name});
                if (row == fieldRows.end()) continue;
                const std::vector<std::string>& cellsOf = *row->second;
                f.unit = cellsOf[cellsOf.size() - 2];
                f.meaning = cellsOf.back();
                break;
            }
        }
        grammar.records.push_back(std::move(r));
    }
    if (kind == DescriptionKind::line) {
        grammar.headings = {"[generale]", "[curve]",       "[pendenze]", "[montagne]",
                            "[cartelli]", "[indicazioni]", "[fine]"};
    } else {
        grammar.headings = {"[generale]",      "[aderenze]", "[vel_limite]", "[stazioni]",
                            "[rallentamenti]", "[segnali]",  "[codici]",     "[fine]"};
    }
    return grammar;
}

}  // namespace

const DescriptionGrammar& descriptionGrammar(DescriptionKind kind) {
    static const DescriptionGrammar line = readGrammar(DescriptionKind::line);
    static const DescriptionGrammar train = readGrammar(DescriptionKind::train);
    return kind == DescriptionKind::line ? line : train;
}

}  // namespace tool::editor
