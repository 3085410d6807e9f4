#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "content/scenario_content.h"
#include "tests/content/document_lines.h"

namespace scenario::content {
namespace {

using testing::documentLines;
using testing::splitTrimmed;

// position limit
constexpr const char* kSpeedLimits =
    "0 70; 4200 100; 9550 120; 22550 140; 30250 60; 31000 80; 37300 90; 40000 115; 46050 130;"
    "56900 160; 79600 180; 102250 150; 103500 170; 113800 180; 119800 140; 124250 150;"
    "139150 180; 146350 160; 147500 180; 152400 160; 162050 120; 166000 90";

// Field 1 | field 2 | field 3 | fields 4-6 | 7-9 | 10-12 | 13 | 14-16 | name.
constexpr const char* kStations[] = {
    "0 | 2 | 900 | 1, 0, 0 | 4, 1, 1 | 2, 1, 1 | 1 | 9, 8, 0 | GENOVA BRIGNOLE",
    "3150 | 2 | 600 | 1, 1, 0 | 4, 1, 1 | 2, 1, 1 | 60 | 9, 13, 0 | GENOVA P.PRINCIPE",
    "7350 | 22 | 400 | 0, 0, 0 | 0, 0, 0 | 4, 1, 1 | 0 | 0, 0, 0 | BIVIO FEGINO",
    "12400 | 28 | 200 | 0, 0, 0 | 0, 0, 0 | 0, 0, 0 | 0 | 0, 0, 0 | GENOVA S.QUIRICO",
    "22250 | 12 | 400 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | MIGNANEGO",
    "30750 | 12 | 500 | 1, 0, 0 | 4, 1, 1 | 2, 1, 1 | 0 | 0, 0, 0 | RONCO SCRIVIA",
    "35650 | 12 | 400 | 0, 0, 0 | 1, 1, 0 | 3, 1, 1 | 0 | 0, 0, 0 | ISOLA DEL CANTONE",
    "39350 | 12 | 300 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | PIETRABISSARA",
    "42400 | 12 | 300 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | RIGOROSO",
    "45550 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | ARQUATA SCRIVIA",
    "49850 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | SERRAVALLE SCRIVIA",
    "56350 | 2 | 600 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | NOVI LIGURE",
    "65450 | 28 | 300 | 0, 0, 0 | 0, 0, 0 | 0, 0, 0 | 0 | 0, 0, 0 | DONNA",
    "68850 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | FRUGAROLO BOSCOMARENGO",
    "79000 | 2 | 600 | 1, 1, 0 | 4, 1, 1 | 2, 1, 1 | 60 | 9, 57, 0 | ALESSANDRIA",
    "86700 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | SOLERO",
    "92600 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | FELIZZANO",
    "96450 | 28 | 300 | 0, 0, 0 | 0, 0, 0 | 0, 0, 0 | 0 | 0, 0, 0 | MASIO QUATTORDIO",
    "99900 | 24 | 300 | 0, 0, 0 | 0, 0, 0 | 4, 1, 1 | 0 | 0, 0, 0 | ROCCHETTA TANARO CERRO",
    "102850 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | CASTELLO D'ANNONE",
    "113000 | 2 | 600 | 1, 1, 0 | 4, 1, 1 | 2, 1, 1 | 40 | 10, 18, 0 | ASTI",
    "120300 | 12 | 400 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | S.DAMIANO D'ASTI",
    "123800 | 22 | 300 | 0, 0, 0 | 0, 0, 0 | 4, 1, 1 | 0 | 0, 0, 0 | BALDICHIERI TIGLIOLE",
    "128850 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | VILLAFRANCA CANTARANA",
    "133250 | 28 | 200 | 0, 0, 0 | 0, 0, 0 | 0, 0, 0 | 0 | 0, 0, 0 | PB 15",
    "135800 | 28 | 200 | 0, 0, 0 | 0, 0, 0 | 0, 0, 0 | 0 | 0, 0, 0 | S.PAOLO SOLBRITO",
    "138850 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | VILLANOVA D'ASTI",
    "146900 | 12 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | PESSIONE",
    "152900 | 12 | 400 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | CAMBIANO SANTENA",
    "156000 | 4 | 600 | 0, 1, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | TROFARELLO",
    "160600 | 4 | 400 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | MONCALIERI",
    "161900 | 28 | 200 | 0, 0, 0 | 0, 0, 0 | 0, 0, 0 | 0 | 0, 0, 0 | BIVIO SANGONE",
    "164000 | 4 | 500 | 0, 0, 0 | 1, 1, 0 | 4, 1, 1 | 0 | 0, 0, 0 | TORINO LINGOTTO",
    "169000 | 6 | 700 | 1, 1, 0 | 1, 1, 0 | 2, 1, 1 | 0 | 10, 52, 0 | TORINO PORTA NUOVA",
};

// sx s1 s2 s3 rapp dx d1 d2 d3 tempo, and how many signals use the pattern.
const std::map<char, std::pair<std::string, int>> kSignalPatterns = {
    {'A', {"1 5 6 1 0 1 3 1 1 0", 3}},  {'B', {"2 2 3 1 0 2 2 1 1 0", 4}},
    {'C', {"1 4 1 0 0 1 3 1 0 0", 18}}, {'D', {"2 4 1 0 0 2 2 1 0 0", 17}},
    {'E', {"2 4 0 0 0 2 2 0 0 0", 44}}, {'F', {"1 5 6 0 0 1 3 1 0 0", 1}},
    {'G', {"2 2 4 1 0 2 2 1 1 0", 1}},  {'H', {"1 3 1 0 0 1 3 1 0 0", 1}},
    {'I', {"2 3 1 0 0 2 2 1 0 0", 1}},  {'J', {"1 4 1 1 0 1 3 1 1 0", 1}},
    {'K', {"2 4 1 1 0 2 2 1 1 0", 2}},  {'L', {"1 4 0 0 0 1 3 0 0 0", 3}},
    {'M', {"1 3 4 1 0 1 3 1 1 0", 1}},
};

constexpr const char* kSignals =
    "1500 A, 2600 B, 5600 C, 6900 D, 11950 E, 13300 E, 14650 E, 16000 E, 17350 E, 18700 E, "
    "20550 C, 21800 D, 29000 F, 30250 G, 33900 H, 35150 I, 37750 C, 38950 D, 40750 C, 41950 D, "
    "43800 C, 45050 D, 48150 C, 49350 D, 52500 E, 54500 J, 55700 K, 58050 E, 59400 E, 60750 E, "
    "62450 E, 63900 L, 65100 E, 67000 C, 68250 D, 70500 E, 71900 E, 73300 E, 74650 E, 76050 E, "
    "77250 A, 78450 B, 82100 E, 83500 E, 84900 C, 86150 D, 88500 E, 90850 C, 92050 D, 94350 E, "
    "95700 E, 97050 E, 98300 L, 99550 E, 101050 C, 102300 D, 104550 E, 105900 E, 107300 E, "
    "108650 E, 109950 E, 111250 A, 112450 B, 114800 E, 116000 E, 117400 E, 118650 C, 119850 D, "
    "122150 L, 123350 E, 125550 E, 127150 C, 128350 D, 130600 E, 133000 E, 135550 E, 137150 C, "
    "138350 D, 140400 E, 141800 E, 143100 E, 145200 C, 146400 D, 148800 E, 150000 E, 151250 C, "
    "152450 D, 154250 C, 155450 D, 157750 E, 158950 C, 160150 D, 162200 C, 163500 K, 165550 E, "
    "166850 M, 168050 B";

std::vector<std::string> section(const std::vector<std::string>& lines, const std::string& head) {
    const auto start = std::find(lines.begin(), lines.end(), head);
    if (start == lines.end()) return {};
    const auto end = std::find_if(start + 1, lines.end(),
                                  [](const std::string& l) { return l.starts_with('['); });
    return {start + 1, end};
}

// Reads a fixed-width record: the keyword, then each field checked to fill exactly its width
// with blanks before its digits. Returns the numbers; a field out of shape fails the test.
std::vector<int> readFixedWidth(const std::string& line, const std::string& keyword,
                                const std::vector<std::size_t>& widths, std::string* rest) {
    std::vector<int> values;
    if (!line.starts_with(keyword + ",")) {
        ADD_FAILURE() << "not a " << keyword << " record: " << line;
        return values;
    }
    std::size_t at = keyword.size() + 1;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const std::string field = line.substr(at, widths[i]);
        const std::size_t digits = field.find_first_not_of(' ');
        const bool shaped = field.size() == widths[i] && digits != std::string::npos &&
                            std::all_of(field.begin() + static_cast<long>(digits), field.end(),
                                        [](char c) { return std::isdigit(c) != 0; });
        EXPECT_TRUE(shaped) << "field " << i + 1 << " \"" << field << "\" of: " << line;
        if (!shaped) return values;
        values.push_back(std::stoi(field));
        at += widths[i];
        const bool last = i + 1 == widths.size();
        if (!last || rest != nullptr) {
            EXPECT_EQ(line[at], ',') << "after field " << i + 1 << " of: " << line;
            ++at;
        }
    }
    if (rest != nullptr) {
        *rest = line.substr(at);
    } else {
        EXPECT_EQ(at, line.size()) << "text after the last field of: " << line;
    }
    return values;
}

std::vector<int> numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<int> values;
    for (std::string v; std::getline(in, v, ',');) {
        std::istringstream field(v);
        for (int n; field >> n;) values.push_back(n);
    }
    return values;
}

class TrainDescriptionTest : public ::testing::Test {
  protected:
    std::vector<std::string> lines = documentLines(trainDescription());
};

TEST_F(TrainDescriptionTest, HasItsSectionsInOrder) {
    ASSERT_EQ(lines.size(), 166u);
    const std::pair<std::size_t, const char*> heads[] = {
        {1, "[generale]"},       {6, "[aderenze]"}, {8, "[vel_limite]"}, {31, "[stazioni]"},
        {66, "[rallentamenti]"}, {67, "[segnali]"}, {165, "[codici]"},   {166, "[fine]"},
    };
    for (const auto& [number, text] : heads) EXPECT_EQ(lines[number - 1], text) << number;
    EXPECT_TRUE(encodeDocument(trainDescription()).ends_with(" 0\r\n[codici]\r\n[fine]\r\n"));
}

TEST_F(TrainDescriptionTest, GeneralAndAdhesionRecords) {
    const std::vector<std::string> expected = {
        "numero vetture,    12",
        "percentuale massa frenata,    125",
        "sabbia,    300",
        // Blanks only between the three numbers, and one blank at the end of the line.
        "orologio,    9" + std::string(15, ' ') + "7" + std::string(13, ' ') + "0 ",
    };
    EXPECT_EQ(section(lines, "[generale]"), expected);
    EXPECT_EQ(section(lines, "[aderenze]"), std::vector<std::string>{"aderenza,   0,    100"});
}

TEST_F(TrainDescriptionTest, SpeedLimitRecords) {
    const std::vector<std::string> body = section(lines, "[vel_limite]");
    std::string table = kSpeedLimits;
    std::replace(table.begin(), table.end(), ';', ',');
    const std::vector<int> expected = numbers(table);
    ASSERT_EQ(body.size(), 22u);
    std::vector<int> read;
    for (const std::string& line : body) {
        for (int v : readFixedWidth(line, "velocita", {8, 6}, nullptr)) read.push_back(v);
    }
    EXPECT_EQ(read, expected);
    EXPECT_EQ(body.front(), "velocita,       0,    70");
}

TEST_F(TrainDescriptionTest, StationRecords) {
    const std::vector<std::string> body = section(lines, "[stazioni]");
    ASSERT_EQ(body.size(), std::size(kStations));
    for (std::size_t i = 0; i < body.size(); ++i) {
        const std::vector<std::string> row = splitTrimmed(kStations[i], '|');
        std::string rest;
        const std::vector<int> read = readFixedWidth(
            body[i], "stazione", {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2}, &rest);
        std::string expectedNumbers;
        for (std::size_t f = 0; f + 1 < row.size(); ++f) expectedNumbers += row[f] + ",";
        EXPECT_EQ(read, numbers(expectedNumbers)) << body[i];
        EXPECT_EQ(rest, " " + row.back()) << body[i];
    }
    EXPECT_EQ(body[1],
              "stazione,    3150,  2,  600,  1, 1, 0,  4,1,1,  2,1,1,   60,   9,13, 0, "
              "GENOVA P.PRINCIPE");
}

TEST_F(TrainDescriptionTest, EmptySectionsAreTheirHeadAlone) {
    EXPECT_TRUE(section(lines, "[rallentamenti]").empty());
    EXPECT_TRUE(section(lines, "[codici]").empty());
}

TEST_F(TrainDescriptionTest, SignalRecordsFollowTheirPatterns) {
    const std::vector<std::string> body = section(lines, "[segnali]");
    std::istringstream expected(kSignals);
    std::map<char, int> counts;
    int previousPosition = -1;
    int previousSx = 2;
    std::size_t i = 0;
    for (std::string item; std::getline(expected, item, ',');) {
        std::istringstream in(item);
        int position = 0;
        char pattern = 0;
        in >> position >> pattern;
        ASSERT_LT(i, body.size()) << "missing signal at " << position;
        const std::vector<int> read =
            readFixedWidth(body[i], "segnale", {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 2}, nullptr);
        ASSERT_EQ(read.size(), 11u);
        EXPECT_EQ(read[0], position);
        const std::vector<int> values(read.begin() + 1, read.end());
        EXPECT_EQ(values, numbers(kSignalPatterns.at(pattern).first)) << body[i];
        EXPECT_GT(read[0], previousPosition);
        // A signal whose left aspect is 1 is always followed by one whose left aspect is 2.
        if (previousSx == 1) {
            EXPECT_EQ(read[1], 2) << body[i];
        }
        previousPosition = read[0];
        previousSx = read[1];
        ++counts[pattern];
        ++i;
    }
    EXPECT_EQ(i, 97u);
    EXPECT_EQ(body.size(), 97u);
    for (const auto& [letter, pattern] : kSignalPatterns) {
        EXPECT_EQ(counts[letter], pattern.second) << "pattern " << letter;
    }
    for (const char* example : {"segnale,    1500,   1, 5, 6,  1, 0,    1,  3,1,1, 0",
                                "segnale,   35150,   2, 3, 1,  0, 0,    2,  2,1,0, 0"}) {
        EXPECT_NE(std::find(body.begin(), body.end(), example), body.end()) << example;
    }
}

}  // namespace
}  // namespace scenario::content
