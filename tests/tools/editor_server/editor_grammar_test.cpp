// The records the language server knows, as the compiler states them: each record's fields are
// named, with a meaning, by the format reference, and a line with as many values as it has fields
// is one the lint does not count wrong.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "compiler/description_grammar.h"
#include "tools/diagnostics/lint.h"
#include "tools/editor_server/record_grammar.h"
#include "tools/editor_server/record_line.h"

namespace tool::editor {
namespace {

// A description holding one record of `r` with `values` values after its keyword.
std::string withRecordOf(const RecordGrammar& r, std::size_t values, DescriptionKind kind) {
    std::string line = r.keyword;
    for (std::size_t i = 0; i < values; ++i) {
        const bool text = i < r.fields.size() && r.fields[i].kind == FieldKind::text;
        line += text ? ", NAME" : ", 1000";
    }
    const std::string section =
        kind == DescriptionKind::line && !r.generalSection ? "[curve]\r\n" : "";
    return "[generale]\r\n" + section + line + "\r\n[fine]\r\n";
}

int fieldCountWarnings(const std::string& text, DescriptionKind kind) {
    int count = 0;
    for (const Diagnostic& d :
         lintDescription({"X", text, kind == DescriptionKind::line, true}).first) {
        count += d.rule == "field-count";
    }
    return count;
}

TEST(EditorGrammar, EveryFieldIsNamedAndMeantAsTheReadersCountThem) {
    for (const DescriptionKind kind : {DescriptionKind::line, DescriptionKind::train}) {
        const DescriptionGrammar& grammar = descriptionGrammar(kind);
        EXPECT_EQ(grammar.headings.front(), "[generale]");
        EXPECT_EQ(grammar.headings.back(), "[fine]");
        EXPECT_GE(grammar.records.size(), 10u);
        for (const RecordGrammar& r : grammar.records) {
            ASSERT_FALSE(r.fields.empty()) << r.keyword;
            EXPECT_FALSE(r.noun.empty()) << r.keyword;
            EXPECT_NE(r.recognised.find('`'), std::string::npos) << r.keyword;
            for (const FieldGrammar& f : r.fields) {
                EXPECT_FALSE(f.meaning.empty()) << r.keyword << " " << f.name;
            }
            EXPECT_EQ(recordOfKeyword(kind, r.keyword), &r) << r.keyword;
            const std::size_t n = r.fields.size();
            EXPECT_EQ(fieldCountWarnings(withRecordOf(r, n, kind), kind), 0) << r.keyword;
            EXPECT_EQ(fieldCountWarnings(withRecordOf(r, n + 1, kind), kind), 1) << r.keyword;
            EXPECT_EQ(fieldCountWarnings(withRecordOf(r, n - 1, kind), kind), 1) << r.keyword;
        }
    }
}

TEST(EditorGrammar, FieldsOfTheReferenceByName) {
    const RecordGrammar* station = recordOfKeyword(DescriptionKind::train, "STAZIONE");
    ASSERT_NE(station, nullptr);
    ASSERT_EQ(station->fields.size(), 17u);
    EXPECT_EQ(station->fields[0].name, "position");
    EXPECT_EQ(station->fields[0].unit, "m, multiple of 50");
    EXPECT_EQ(station->fields[14].name, "minutes");
    EXPECT_EQ(station->fields[10].name, "code_11") << "code_7 to code_13 read as each of them";
    EXPECT_EQ(station->fields[16].kind, FieldKind::text);
    const RecordGrammar* curve = recordOfKeyword(DescriptionKind::line, "curvad4");
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->fields.size(), 2u);
    EXPECT_EQ(recordOfKeyword(DescriptionKind::train, "segnlae"), nullptr);
}

TEST(EditorGrammar, ValuesOfALineWithTheReadersFieldSyntax) {
    const RecordLine read = readRecordLine("  orologio, 9  7 ,0, extra", DescriptionKind::train);
    ASSERT_EQ(read.kind, RecordLine::Kind::record);
    ASSERT_EQ(read.values.size(), 4u);
    EXPECT_EQ(read.keyword.begin, 2u);
    EXPECT_EQ(read.keyword.end, 10u);
    EXPECT_EQ(read.values[0].begin, 12u);  // "9"
    EXPECT_EQ(read.values[1].begin, 15u);  // "7", after blanks alone
    EXPECT_EQ(read.values[2].begin, 18u);  // "0"
    EXPECT_EQ(read.values[3].begin, 21u);  // "extra", left over
    EXPECT_EQ(partAt(read, 5), -1);
    EXPECT_EQ(partAt(read, 13), 0);
    EXPECT_EQ(partAt(read, 15), 1);
    EXPECT_EQ(partAt(read, 25), 3);
    const RecordLine open = readRecordLine("segnale, 1500, ", DescriptionKind::train);
    EXPECT_EQ(partAt(open, 15), 1) << "past the comma, the next field";
    EXPECT_EQ(partAt(open, 13), 0);
    EXPECT_EQ(readRecordLine("-- a note, read as two fields", DescriptionKind::train).kind,
              RecordLine::Kind::comment);
    EXPECT_EQ(readRecordLine("[segnali]", DescriptionKind::train).kind, RecordLine::Kind::heading);
    const RecordLine quoted =
        readRecordLine(R"(cartello_indicatore, 4000, "A, B" rest)", DescriptionKind::line);
    ASSERT_EQ(quoted.values.size(), 2u);
    EXPECT_EQ(quoted.values[1].begin, 27u);
    EXPECT_EQ(quoted.values[1].end, 33u);
}

// The VS Code extension colours keyword fields with a TextMate pattern of its own, a list of
// words any of which makes a field a keyword: every record the readers recognise, as authors
// spell it, is coloured, and every word of the list is the start of one of the readers' words.
TEST(EditorGrammar, TheExtensionsKeywordWordsAreTheReaders) {
    std::ifstream file(SCENARIO_EDITOR_GRAMMAR);
    ASSERT_TRUE(file) << SCENARIO_EDITOR_GRAMMAR;
    const nlohmann::json grammar = nlohmann::json::parse(file);
    const std::string pattern = grammar["repository"]["record"].value("begin", "");
    const std::size_t open = pattern.find("(?i:");
    ASSERT_NE(open, std::string::npos) << pattern;
    const std::size_t close = pattern.find(')', open);
    std::vector<std::string> words;
    std::string rest = pattern.substr(open + 4, close - open - 4);
    for (std::size_t bar; (bar = rest.find('|')) != std::string::npos; rest.erase(0, bar + 1)) {
        words.push_back(rest.substr(0, bar));
    }
    words.push_back(rest);

    const auto readersWords = scenario::allRecords();
    for (const scenario::RecordGrammar& r : readersWords) {
        const std::string spelling = scenario::lowerAscii(r.spelling());
        EXPECT_TRUE(std::any_of(
            words.begin(), words.end(),
            [&](const std::string& w) { return spelling.find(w) != std::string::npos; }))
            << spelling << " is not coloured as a keyword";
    }
    for (const std::string& w : words) {
        EXPECT_TRUE(std::any_of(readersWords.begin(), readersWords.end(),
                                [&](const scenario::RecordGrammar& r) {
                                    return std::string_view(r.word).starts_with(w) ||
                                           std::string_view(r.secondWord).starts_with(w);
                                }))
            << w << " starts no keyword word of the readers";
    }
}

}  // namespace
}  // namespace tool::editor
