// docs/format.md describes the descriptions and the compiled files in tables that this test
// reads: its keyword and field tables must be the description grammar the readers follow, every
// layout row must match the record layout the encoders and decoders share, the bytes the
// encoders write must stand where the rows say, and every field the names tables name must exist.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/description_grammar.h"
#include "compiler/record_layout.h"
#include "compiler/record_views.h"

namespace scenario {
namespace {

using Row = std::vector<std::string>;

std::string formatDoc() {
    std::ifstream in(SCENARIO_FORMAT_DOC, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " SCENARIO_FORMAT_DOC);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string trimmed(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    const std::size_t e = s.find_last_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The tables that follow a "<!-- KIND: TITLE -->" line, by TITLE: their body rows, cells
// trimmed, without the header and separator rows.
std::map<std::string, std::vector<Row>> tables(const std::string& doc, const std::string& kind) {
    std::map<std::string, std::vector<Row>> found;
    std::istringstream in(doc);
    std::string line;
    const std::string marker = "<!-- " + kind + ": ";
    std::vector<Row>* current = nullptr;
    int rowsSeen = 0;
    while (std::getline(in, line)) {
        if (line.rfind(marker, 0) == 0) {
            const std::string title = line.substr(marker.size(), line.find(" -->") - marker.size());
            EXPECT_FALSE(found.count(title)) << "two tables titled " << title;
            current = &found[title];
            rowsSeen = 0;
            continue;
        }
        if (current == nullptr) continue;
        if (line.rfind("|", 0) != 0) {
            if (rowsSeen > 0) current = nullptr;  // the table has ended
            continue;
        }
        if (++rowsSeen <= 2) continue;  // header and separator
        Row row;
        std::stringstream cells(line.substr(1));
        std::string cell;
        while (std::getline(cells, cell, '|')) row.push_back(trimmed(cell));
        current->push_back(row);
    }
    return found;
}

// A layout row as the document must write it, from one field of the record layout.
struct LayoutRows {
    std::vector<Row> rows;
    std::size_t offset = 0;
    bool afterText = false;  // offsets after a text grow by its length n

    std::string at() const {
        return afterText ? std::to_string(offset) + " + n" : std::to_string(offset);
    }
    void add(const char* name, std::size_t size, const char* type) {
        rows.push_back({at(), std::to_string(size), type, name});
        offset += size;
    }
    void operator()(const char* name, const std::uint8_t&) { add(name, 1, "u8"); }
    void operator()(const char* name, const std::int16_t&) { add(name, 2, "i16"); }
    void operator()(const char* name, const std::int32_t&) { add(name, 4, "i32"); }
    void operator()(const char* name, const std::string&) {
        rows.push_back({at(), "2 + n", "text", name});
        offset += 2;
        afterText = true;
    }
};

template <class Record>
LayoutRows layoutOf() {
    const Record record{};
    LayoutRows rows;
    forEachField(record, rows);
    return rows;
}

// Gives every field of `record` a value of its own: 1, 2, 3, ... and "abc" for a text.
template <class Record>
std::vector<std::int64_t> numberFields(Record& record) {
    std::vector<std::int64_t> values;
    std::int64_t next = 0x11;
    forEachField(record, [&](const char*, auto& field) {
        using Field = std::remove_reference_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, std::string>) {
            field = "abc";
        } else {
            field = static_cast<Field>(next);
            values.push_back(next);
            next += 0x11;
        }
    });
    return values;
}

std::int64_t littleEndianAt(const std::string& bytes, std::size_t offset, std::size_t size) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i) {
        v |= std::uint64_t{static_cast<unsigned char>(bytes.at(offset + i))} << (8 * i);
    }
    return static_cast<std::int64_t>(v);
}

// Reads back, at the offsets and sizes the document gives, the values the encoder wrote.
void expectEncodedWhereDocumented(const std::vector<Row>& rows, const std::string& bytes,
                                  const std::vector<std::int64_t>& values, std::size_t n) {
    std::size_t number = 0;
    for (const Row& row : rows) {
        ASSERT_EQ(row.size(), 4u);
        std::size_t offset = std::stoul(row[0]);
        if (row[0].find("+ n") != std::string::npos) offset += n;
        if (row[2] == "text") {
            EXPECT_EQ(littleEndianAt(bytes, offset, 2), 3) << row[3];
            EXPECT_EQ(bytes.substr(offset + 2, 3), "abc") << row[3];
            continue;
        }
        ASSERT_LT(number, values.size());
        EXPECT_EQ(littleEndianAt(bytes, offset, std::stoul(row[1])), values[number++]) << row[3];
    }
}

TEST(FormatDoc, RouteCellTableIsTheRecordLayout) {
    const auto layouts = tables(formatDoc(), "layout");
    ASSERT_TRUE(layouts.count("route-cell"));
    const std::vector<Row>& rows = layouts.at("route-cell");
    const LayoutRows expected = layoutOf<RouteCell>();
    EXPECT_EQ(rows, expected.rows);
    EXPECT_EQ(expected.offset, kRouteCellBytes);

    RouteCell cell;
    const std::vector<std::int64_t> values = numberFields(cell);
    const std::string bytes = encodeRouteTable({cell});
    ASSERT_EQ(bytes.size(), kRouteCellBytes);
    expectEncodedWhereDocumented(rows, bytes, values, 0);
}

TEST(FormatDoc, TrainEntryTableIsTheRecordLayout) {
    const auto layouts = tables(formatDoc(), "layout");
    ASSERT_TRUE(layouts.count("train-entry"));
    const std::vector<Row>& rows = layouts.at("train-entry");
    const LayoutRows expected = layoutOf<LineRecord>();
    EXPECT_EQ(rows, expected.rows);

    // Entry 0 holds the numbered fields; the other 86 entries are empty, 34 bytes each.
    LineTable table{};
    const std::vector<std::int64_t> values = numberFields(table[0]);
    const std::string bytes = encodeLineTable(table);
    EXPECT_EQ(bytes.size(), kLineTableEntries * expected.offset + 3);
    EXPECT_NE(formatDoc().find("each " + std::to_string(expected.offset) + " bytes plus"),
              std::string::npos);
    expectEncodedWhereDocumented(rows, bytes, values, 3);
}

TEST(FormatDoc, PlanVariantTableIsWhatTheEncoderWrites) {
    const auto layouts = tables(formatDoc(), "layout");
    ASSERT_TRUE(layouts.count("plan-variant"));
    std::map<int, std::size_t> sizes;
    for (const Row& row : layouts.at("plan-variant")) sizes[std::stoi(row[0])] = std::stoul(row[1]);
    const std::map<int, std::size_t> expected{{static_cast<int>(PlanTag::empty), 2},
                                              {static_cast<int>(PlanTag::integer), 4},
                                              {static_cast<int>(PlanTag::real), 10}};
    EXPECT_EQ(sizes, expected);

    // One variant of each tag in each coordinate, read back at the documented sizes.
    TrackPlan plan;
    plan.dimension(3);
    for (int coord = 0; coord < 2; ++coord) {
        plan.setInteger(0, coord, 7);
        plan.setReal(1, coord, 2.5);
    }
    std::string bytes;
    encodeTrackPlan(plan, [&bytes](std::string_view piece) { bytes += piece; });
    ASSERT_EQ(bytes.size(), 2 * (sizes[2] + sizes[5] + sizes[0]));
    for (std::size_t half = 0; half < 2; ++half) {
        const std::size_t at = half * bytes.size() / 2;
        EXPECT_EQ(littleEndianAt(bytes, at, 2), 2);
        EXPECT_EQ(littleEndianAt(bytes, at + 2, 2), 7);
        EXPECT_EQ(littleEndianAt(bytes, at + sizes[2], 2), 5);
        double real = 0;
        std::memcpy(&real, bytes.data() + at + sizes[2] + 2, sizeof real);
        EXPECT_EQ(real, 2.5);
        EXPECT_EQ(littleEndianAt(bytes, at + sizes[2] + sizes[5], 2), 0);
    }
}

// The names tables give each field an author's name: a field of the layout, a name in lower
// case words joined by "_", one name per field and one field per name in each table.
TEST(FormatDoc, NamesTablesNameFieldsOfTheLayout) {
    const std::string doc = formatDoc();
    const auto names = tables(doc, "names");
    std::map<std::string, std::set<std::string>> fields;
    for (const auto& [record, rows] : tables(doc, "layout")) {
        for (const Row& row : rows) fields[record].insert(row[3]);
    }
    ASSERT_FALSE(names.empty());
    const std::regex wordsJoined("`[a-z][a-z0-9]*(_[a-z0-9]+)*`");
    for (const auto& [title, rows] : names) {
        const std::string record = title.substr(0, title.find(' '));
        ASSERT_TRUE(fields.count(record)) << title;
        EXPECT_FALSE(rows.empty()) << title;
        std::set<std::string> namedFields;
        std::set<std::string> givenNames;
        for (const Row& row : rows) {
            ASSERT_EQ(row.size(), 3u) << title;
            EXPECT_TRUE(fields[record].count(row[0])) << title << ": no field " << row[0];
            EXPECT_TRUE(std::regex_match(row[1], wordsJoined)) << title << ": " << row[1];
            EXPECT_TRUE(namedFields.insert(row[0]).second) << title << ": " << row[0] << " twice";
            EXPECT_TRUE(givenNames.insert(row[1]).second) << title << ": " << row[1] << " twice";
        }
    }
}

// A view's names as rows of its names table: the layout's name of each field the view visits,
// and the view's name for it, sorted (the table need not follow the file order).
template <class Record, class View>
std::vector<std::pair<std::string, std::string>> viewRows(View view) {
    const Record record{};
    std::map<const void*, std::string> layoutNames;
    forEachField(record, [&](const char* name, const auto& field) {
        layoutNames[static_cast<const void*>(&field)] = name;
    });
    std::vector<std::pair<std::string, std::string>> rows;
    forEachNamedField(view, record, [&](std::string_view name, const auto& field) {
        const auto layout = layoutNames.find(static_cast<const void*>(&field));
        rows.emplace_back(layout == layoutNames.end() ? "?" : layout->second,
                          "`" + std::string(name) + "`");
    });
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Each names table is the view the tools use, field for field, and each view has its table.
TEST(FormatDoc, NamesTablesAreTheRecordViews) {
    auto names = tables(formatDoc(), "names");
    const auto expectTable = [&names](std::string_view title, const auto& expected) {
        SCOPED_TRACE(std::string(title));
        const auto table = names.find(std::string(title));
        ASSERT_NE(table, names.end()) << "no names table for the view";
        std::vector<std::pair<std::string, std::string>> documented;
        for (const Row& row : table->second) {
            ASSERT_GE(row.size(), 2u);
            documented.emplace_back(row[0], row[1]);
        }
        std::sort(documented.begin(), documented.end());
        EXPECT_EQ(documented, expected);
        names.erase(table);
    };
    for (const CellView view : kCellViews) {
        expectTable(viewTitle(view), viewRows<RouteCell>(view));
    }
    for (const EntryView view : kEntryViews) {
        expectTable(viewTitle(view), viewRows<LineRecord>(view));
    }
    for (const auto& [title, rows] : names) ADD_FAILURE() << "no view for the table " << title;
}

std::string quoted(std::string_view word) {
    return "`" + std::string(word) + "`";
}

std::string namesOf(const std::vector<const FieldGrammar*>& fields) {
    std::string names;
    for (const FieldGrammar* f : fields) names += (names.empty() ? "" : ", ") + quoted(f->name);
    return names;
}

bool sameRow(const FieldGrammar& a, const FieldGrammar& b) {
    return a.width == b.width && a.unit == b.unit && a.meaning == b.meaning &&
           rangeText(a.range) == rangeText(b.range);
}

// The keyword table of a section: one row per record, in the order the reader tests them.
std::vector<Row> keywordRows(Section section) {
    std::vector<Row> rows;
    for (const RecordGrammar& r : sectionRecords(section)) {
        std::string test = quoted(r.word);
        if (!r.secondWord.empty()) test += " and " + quoted(r.secondWord);
        test += r.keywordNote();
        if (r.spelling() != std::string_view(r.word) || !r.secondWord.empty()) {
            test += " (by custom " + quoted(r.spelling()) + ")";
        }
        std::vector<const FieldGrammar*> values;
        for (const FieldGrammar& f : r.fields()) values.push_back(&f);
        rows.push_back({test, r.caseSensitive ? "lower case only" : "either", namesOf(values)});
    }
    return rows;
}

// The field table of a section: the fields of a record that share width, unit, range and
// meaning in one row, at the place of the first; records with the very same fields (the three
// progressives) share their rows.
std::vector<Row> fieldRows(Section section) {
    std::vector<Row> rows;
    const std::span<const RecordGrammar> records = sectionRecords(section);
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::string names = quoted(records[i].spelling());
        while (i + 1 < records.size() &&
               records[i + 1].fields().data() == records[i].fields().data()) {
            names += ", " + quoted(records[++i].spelling());
        }
        const auto addRows = [&](std::span<const FieldGrammar> fields, bool inKeyword) {
            std::vector<bool> told(fields.size(), false);
            for (std::size_t f = 0; f < fields.size(); ++f) {
                if (told[f]) continue;
                std::vector<const FieldGrammar*> group;
                for (std::size_t g = f; g < fields.size(); ++g) {
                    if (!told[g] && sameRow(fields[f], fields[g])) {
                        group.push_back(&fields[g]);
                        told[g] = true;
                    }
                }
                const FieldGrammar& first = fields[f];
                rows.push_back({names, namesOf(group),
                                inKeyword ? "in the keyword" : std::string(widthText(first.width)),
                                std::string(first.unit), rangeText(first.range),
                                std::string(first.meaning)});
            }
        };
        addRows(records[i].fields(), false);
        addRows(records[i].keywordParts(), true);
    }
    return rows;
}

std::string asMarkdown(const std::vector<Row>& rows) {
    std::string text;
    for (const Row& row : rows) {
        text += "|";
        for (const std::string& cell : row) text += " " + cell + " |";
        text += "\n";
    }
    return text;
}

// The keyword and field tables of each section are the grammar, row for row; a failure shows
// the rows the grammar gives, to put in the reference.
TEST(FormatDoc, KeywordAndFieldTablesAreTheGrammar) {
    const auto documented = tables(formatDoc(), "grammar");
    const std::pair<Section, std::string> sections[] = {{Section::lineGeneral, "line-general"},
                                                        {Section::lineRecords, "line-records"},
                                                        {Section::train, "train"}};
    for (const auto& [section, name] : sections) {
        for (const bool keywords : {true, false}) {
            const std::string title = (keywords ? "keywords " : "fields ") + name;
            SCOPED_TRACE(title);
            const std::vector<Row> expected = keywords ? keywordRows(section) : fieldRows(section);
            const auto table = documented.find(title);
            ASSERT_NE(table, documented.end()) << "no table titled " << title;
            EXPECT_EQ(table->second, expected) << "the grammar's rows:\n" << asMarkdown(expected);
        }
    }
    EXPECT_EQ(documented.size(), 6u);
}

// The readers take every keyword from the grammar: none of its words is spelt in them.
TEST(FormatDoc, ReadersSpellNoKeywordOfTheirOwn) {
    for (const char* reader : {"line_reader.cpp", "train_reader.cpp"}) {
        std::ifstream in(std::string(SCENARIO_COMPILER_DIR) + "/" + reader, std::ios::binary);
        ASSERT_TRUE(in) << reader;
        const std::string source{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
        for (const RecordGrammar& r : allRecords()) {
            for (const std::string_view word :
                 {std::string_view(r.word), std::string_view(r.secondWord), r.spelling()}) {
                if (word.empty()) continue;
                EXPECT_EQ(source.find("\"" + std::string(word) + "\""), std::string::npos)
                    << reader << " spells " << word;
            }
        }
    }
}

}  // namespace
}  // namespace scenario
