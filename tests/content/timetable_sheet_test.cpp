#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "content/scenario_content.h"
#include "tests/content/document_lines.h"

namespace scenario::content {
namespace {

using testing::documentLines;
using testing::splitTrimmed;

// sheet | row | first speed | second speed | Progr Km | place | arrival | passing | departure
constexpr const char* kRows[] = {
    "1 | 1 | 60 | 60 | 0+000 | GENOVA BRIGNOLE |  |  | 9.02",
    "1 | 2 | 60 | 60 | 3+150 | GENOVA P.PRINCIPE | 9.08 |  | 9.13",
    "1 | 3 | 100 | 90 | 4+250 | Cartello Indicatore |  |  |",
    "1 | 4 |  |  | 7+350 | BIVIO FEGINO |  | 9.17 |",
    "1 | 5 | 120 | 100 | 9+600 | Cartello Indicatore |  |  |",
    "1 | 6 |  |  | 12+400 | GENOVA S.QUIRICO |  | 9.20 |",
    "1 | 7 |  |  | 22+250 | MIGNANEGO |  | 9.25 |",
    "1 | 8 | 140 | 130 | 22+500 | Cartello Indicatore |  |  |",
    "1 | 9 | 60 | 60 | 29+750 | Cartello Indicatore |  |  |",
    "1 | 10 |  |  | 30+750 | RONCO SCRIVIA |  | 9.31 |",
    "1 | 11 | 130 | 120 | 31+200 | Dev.Uscita |  |  |",
    "1 | 12 |  |  | 45+550 | ARQUATA SCRIVIA |  | 9.37 |",
    "1 | 13 |  |  | 49+850 | SERRAVALLE SCRIVIA |  | 9.40 |",
    "1 | 14 |  |  | 56+350 | NOVI LIGURE |  | 9.43 |",
    "1 | 15 | 160 | 140 | 56+900 | Cartello Indicatore |  |  |",
    "1 | 16 |  |  | 65+450 | DONNA |  | 9.47 |",
    "1 | 17 |  |  | 68+850 | FRUGAROLO BOSCOMARENGO |  | 9.49 |",
    "1 | 18 |  |  | 79+000 | ALESSANDRIA | 9.55 |  | 9.57",
    "1 | 19 | 180 | 150 | 79+600 | Cartello Indicatore |  |  |",
    "1 | 20 |  |  | 86+700 | SOLERO |  | 10.03 |",
    "1 | 21 |  |  | 92+600 | FELIZZANO |  | 10.06 |",
    "1 | 22 |  |  | 96+450 | MASIO QUATTORDIO |  | 10.07 |",
    "1 | 23 |  |  | 99+900 | ROCCHETTA TANARO CERRO |  | 10.09 |",
    "1 | 24 | 150 | 130 | 101+750 | Cartello Indicatore |  |  |",
    "1 | 25 |  |  | 102+850 | CASTELLO D'ANNONE |  | 10.11 |",
    "1 | 26 | 170 | 140 | 103+500 | Cartello Indicatore |  |  |",
    "1 | 27 |  |  | 113+000 | ASTI | 10.17 |  | 10.18",
    "1 | 28 | 180 | 160 | 113+800 | Cartello Indicatore |  |  |",
    "1 | 29 | 140 | 130 | 119+300 | Cartello Indicatore |  |  |",
    "1 | 30 |  |  | 120+300 | S.DAMIANO D'ASTI |  | 10.24 |",
    "1 | 31 |  |  | 123+800 | BALDICHIERI TIGLIOLE |  | 10.26 |",
    "1 | 32 | 150 | 140 | 124+250 | Cartello Indicatore |  |  |",
    "1 | 33 |  |  | 128+850 | VILLAFRANCA CANTARANA |  | 10.27 |",
    "1 | 34 |  |  | 133+250 | EX P.B.15 |  | 10.30 |",
    "1 | 35 |  |  | 135+800 | S.PAOLO SOLBRITO |  | 10.31 |",
    "1 | 36 |  |  | 138+850 | VILLANOVA D'ASTI |  | 10.33 |",
    "2 | 1 | 150 | 140 | 138+850 | VILLANOVA D'ASTI |  | 10.33 |",
    "2 | 2 | 180 | 170 | 139+150 | Cartello Indicatore |  |  |",
    "2 | 3 | 160 | 150 | 145+850 | Cartello Indicatore |  |  |",
    "2 | 4 |  |  | 146+900 | PESSIONE |  | 10.36 |",
    "2 | 5 |  |  | 152+900 | CAMBIANO SANTENA |  | 10.38 |",
    "2 | 6 |  |  | 156+000 | TROFARELLO |  | 10.40 |",
    "2 | 7 |  |  | 160+600 | MONCALIERI |  | 10.42 |",
    "2 | 8 | 120 | 110 | 161+550 | Cartello Indicatore |  |  |",
    "2 | 9 |  |  | 161+900 | BIVIO SANGONE |  | 10.43 |",
    "2 | 10 |  |  | 164+000 | TORINO LINGOTTO |  | 10.46 |",
    "2 | 11 | 90 | 80 | 165+500 | Cartello Indicatore |  |  |",
    "2 | 12 |  |  | 169+000 | TORINO P.N. | 10.52 |  |",
    "3 | 1 | 60 | 60 | 30+750 | RONCO SCRIVIA |  |  | 9.31",
    "3 | 2 | 80 | 80 | 31+500 | Cartello Indicatore |  |  |",
    "3 | 3 |  |  | 35+650 | ISOLA DEL CANTONE |  | 9.35 |",
    "3 | 4 | 90 | 85 | 37+300 | Cartello Indicatore |  |  |",
    "3 | 5 |  |  | 39+350 | PIETRABISSARA |  | 9.38 |",
    "3 | 6 | 115 | 100 | 40+000 | Cartello Indicatore |  |  |",
    "3 | 7 |  |  | 42+400 | RIGOROSO |  | 9.40 |",
    "3 | 8 |  |  | 45+550 | ARQUATA SCRIVIA | 9.42 |  |",
};

// The line numbers (from 1) of each sheet's rows.
constexpr int kFirstRowLine[] = {0, 17, 72, 105};

const std::vector<std::string> kHeaderSheet1 = {
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA 1/3               |              |",
    " |   TRENO n.514     |                   da: GENOVA BR.            |    V200 c    |",
    " |___________________|                    a: VILLANOVA D'ASTI      |     125%     |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |       DIR         |              |      680T         |",
    " |___________________|              |___________________|",
};

const std::vector<std::string> kTableHead = {
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
};

std::vector<std::string> headerOf(int sheet) {
    std::vector<std::string> header = kHeaderSheet1;
    if (sheet == 2) {
        header[1] =
            " |                   |                    SCHEDA 2/3               |              |";
        header[2] =
            " |   TRENO n.514     |                   da: VILLANOVA D'ASTI      |    V200 c    |";
        header[3] =
            " |___________________|                    a: TORINO P.N.           |     125%     |";
        header[7] = " |        IC         |              |      680T         |";
    } else if (sheet == 3) {
        header[1] =
            " |                   |                    SCHEDA 3/3               |              |";
        header[2] =
            " |   TRENO n.11514   |                   da: RONCO SCRIVIA         |    V200 c    |";
        header[3] =
            " |___________________|                    a: ARQUATA SCRIVIA       |     125%     |";
        header[7] = " |        IC         |              |      680T         |";
    }
    return header;
}

std::vector<std::string> slice(const std::vector<std::string>& lines, int first, int count) {
    return {lines.begin() + first - 1, lines.begin() + first - 1 + count};
}

class TimetableSheetTest : public ::testing::Test {
  protected:
    std::vector<std::string> lines = documentLines(timetableSheet());
};

TEST_F(TimetableSheetTest, LinesHaveTheirPlacesAndLengths) {
    ASSERT_EQ(lines.size(), 119u);
    std::map<int, std::size_t> length;
    for (int empty : {1, 2, 12, 53, 54, 56, 57, 67, 85, 86, 89, 100, 114, 115, 117}) {
        length[empty] = 0;
    }
    for (int header : {3, 58, 91}) {
        const std::size_t block[] = {82, 83, 83, 83, 83, 56, 64, 57, 57};
        for (int i = 0; i < 9; ++i) length[header + i] = block[i];
    }
    for (int head : {13, 68, 101}) {
        for (int i = 0; i < 4; ++i) length[head + i] = i == 0 ? 82 : 83;
    }
    for (int row = 17; row <= 52; ++row) length[row] = 83;
    length[31] = 84;  // the board at 56+900
    for (int row = 72; row <= 84; ++row) length[row] = 83;
    for (int row = 105; row <= 113; ++row) length[row] = 83;
    length[55] = 81;
    length[87] = 72;
    length[88] = 11;
    length[90] = 61;
    length[116] = 72;
    length[118] = 82;
    length[119] = 1;
    ASSERT_EQ(length.size(), 119u);
    for (const auto& [number, expected] : length) {
        EXPECT_EQ(lines[number - 1].size(), expected) << "line " << number;
    }
    for (int dots : {55, 87, 116}) {
        EXPECT_EQ(lines[dots - 1].find_first_not_of('.'), std::string::npos) << dots;
    }
    EXPECT_EQ(lines[87], std::string(11, ' '));
    EXPECT_EQ(lines[118], " ");
    EXPECT_EQ(lines[30].back(), ' ');
    EXPECT_TRUE(encodeDocument(timetableSheet()).ends_with("______________\r\n \r\n"));
}

TEST_F(TimetableSheetTest, HeaderBlocksAndTableHeads) {
    EXPECT_EQ(slice(lines, 3, 9), headerOf(1));
    EXPECT_EQ(slice(lines, 58, 9), headerOf(2));
    EXPECT_EQ(slice(lines, 91, 9), headerOf(3));
    for (int head : {13, 68, 101}) EXPECT_EQ(slice(lines, head, 4), kTableHead) << head;
    EXPECT_EQ(lines[89], "                DEVIAZIONE TRENO IC 514 VIA ISOLA DEL CANTONE");
    EXPECT_EQ(lines[117], kHeaderSheet1[0]);
}

TEST_F(TimetableSheetTest, TablesCloseWithTheirBottomRules) {
    EXPECT_EQ(
        lines[51],
        " |_____|_____|_138+850__|_____|_VILLANOVA D'ASTI___________|_____10.33______|_____|");
    EXPECT_EQ(lines[83], kTableHead[3]);
    EXPECT_EQ(lines[112], kTableHead[3]);
}

// Reads each row back by the alignment rules of its sheet and compares it with the row data.
TEST_F(TimetableSheetTest, RowsHoldTheirDataInPlace) {
    std::map<int, int> rowsOfSheet;
    for (const char* data : kRows) {
        const std::vector<std::string> row = splitTrimmed(data, '|');
        ASSERT_EQ(row.size(), 9u) << data;
        const int sheet = std::stoi(row[0]);
        const int number = std::stoi(row[1]);
        ++rowsOfSheet[sheet];
        const bool diversion = sheet == 3;
        const bool closingRule = sheet == 1 && number == 36;
        std::string line = lines[kFirstRowLine[sheet] + number - 2];
        SCOPED_TRACE(line);
        if (closingRule) std::replace(line.begin(), line.end(), '_', ' ');
        if (sheet == 1 && number == 15) {
            ASSERT_TRUE(line.ends_with("| "));
            line.pop_back();
        }
        ASSERT_TRUE(line.starts_with(" |") && line.ends_with("|"));
        const std::vector<std::string> cells = [&] {
            std::vector<std::string> pieces;
            std::istringstream in(line.substr(2, line.size() - 3));
            for (std::string cell; std::getline(in, cell, '|');) pieces.push_back(cell);
            return pieces;
        }();
        ASSERT_EQ(cells.size(), 7u);
        const std::size_t widths[] = {5, 5, 10, 5, 28, 16, 5};
        for (std::size_t c = 0; c < 7; ++c) ASSERT_EQ(cells[c].size(), widths[c]) << c;

        // Speeds: right-aligned in the first three characters (four for the first speed on the
        // diversion sheet), blanks after.
        const auto speedCell = [](const std::string& speed, std::size_t alignedIn) {
            if (speed.empty()) return std::string(5, ' ');
            return std::string(alignedIn - speed.size(), ' ') + speed +
                   std::string(5 - alignedIn, ' ');
        };
        EXPECT_EQ(cells[0], speedCell(row[2], diversion ? 4 : 3));
        EXPECT_EQ(cells[1], speedCell(row[3], 3));
        const std::string& km = row[4];
        EXPECT_EQ(cells[2], diversion ? " " + km + std::string(9 - km.size(), ' ')
                                      : std::string(8 - km.size(), ' ') + km + "  ");
        EXPECT_EQ(cells[3], std::string(5, ' '));
        EXPECT_EQ(cells[4], " " + row[5] + std::string(27 - row[5].size(), ' '));
        EXPECT_EQ(cells[6], std::string(5, ' '));

        // Each time is told apart by where it stands in its cell.
        std::string arrival, passing, departure;
        std::istringstream times(cells[5]);
        for (std::string time; times >> time;) {
            const std::size_t start = cells[5].find(time);
            const std::size_t end = start + time.size();
            if (start == 1) {
                arrival = time;
            } else if (end == 10) {
                passing = time;
            } else if (end == (diversion ? 15u : 14u)) {
                departure = time;
            } else {
                ADD_FAILURE() << "time " << time << " out of place in \"" << cells[5] << "\"";
            }
        }
        EXPECT_EQ(arrival, row[6]);
        EXPECT_EQ(passing, row[7]);
        EXPECT_EQ(departure, row[8]);
    }
    EXPECT_EQ(rowsOfSheet[1], 36);
    EXPECT_EQ(rowsOfSheet[2], 12);
    EXPECT_EQ(rowsOfSheet[3], 8);
}

TEST_F(TimetableSheetTest, CellsAsTheyAreDrawn) {
    std::set<std::string> cells;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        for (std::string cell; std::getline(in, cell, '|');) cells.insert(cell);
    }
    for (const char* cell :
         {" 60  ", "100  ", "   0+000  ", " 101+750  ", " 10.52          ", "          9.02  ",
          "      9.17      ", "     10.03      ", " 9.08     9.13  ", " 10.17   10.18  ", "  60 ",
          " 115 ", " 30+750   ", "           9.31 "}) {
        EXPECT_TRUE(cells.contains(cell)) << '"' << cell << '"';
    }
}

}  // namespace
}  // namespace scenario::content
