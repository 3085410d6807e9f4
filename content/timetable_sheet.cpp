// The driver's timetable sheet of train 514: sheet 1 from GENOVA BRIGNOLE to VILLANOVA D'ASTI
// over the direct line, sheet 2 on to TORINO P.N., and sheet 3 for today's diversion from
// RONCO SCRIVIA via ISOLA DEL CANTONE to ARQUATA SCRIVIA. Drawn for a fixed-pitch font.
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "content/fixed_width.h"
#include "content/owned_line_table.h"
#include "content/scenario_content.h"

namespace scenario::content {
namespace {

// One row of a sheet: the two speeds of a board (0 = none), the kilometric progressive, the
// place, and the times of day ("" = none) of arrival, passing and departure.
struct Row {
    int firstSpeed;
    int secondSpeed;
    const char* progressive;
    const char* place;
    const char* arrival;
    const char* passing;
    const char* departure;
};

constexpr Row kSheet1[] = {
    {60, 60, "0+000", "GENOVA BRIGNOLE", "", "", "9.02"},
    {60, 60, "3+150", "GENOVA P.PRINCIPE", "9.08", "", "9.13"},
    {100, 90, "4+250", "Cartello Indicatore", "", "", ""},
    {0, 0, "7+350", "BIVIO FEGINO", "", "9.17", ""},
    {120, 100, "9+600", "Cartello Indicatore", "", "", ""},
    {0, 0, "12+400", "GENOVA S.QUIRICO", "", "9.20", ""},
    {0, 0, "22+250", "MIGNANEGO", "", "9.25", ""},
    {140, 130, "22+500", "Cartello Indicatore", "", "", ""},
    {60, 60, "29+750", "Cartello Indicatore", "", "", ""},
    {0, 0, "30+750", "RONCO SCRIVIA", "", "9.31", ""},
    {130, 120, "31+200", "Dev.Uscita", "", "", ""},
    {0, 0, "45+550", "ARQUATA SCRIVIA", "", "9.37", ""},
    {0, 0, "49+850", "SERRAVALLE SCRIVIA", "", "9.40", ""},
    {0, 0, "56+350", "NOVI LIGURE", "", "9.43", ""},
    {160, 140, "56+900", "Cartello Indicatore", "", "", ""},
    {0, 0, "65+450", "DONNA", "", "9.47", ""},
    {0, 0, "68+850", "FRUGAROLO BOSCOMARENGO", "", "9.49", ""},
    {0, 0, "79+000", "ALESSANDRIA", "9.55", "", "9.57"},
    {180, 150, "79+600", "Cartello Indicatore", "", "", ""},
    {0, 0, "86+700", "SOLERO", "", "10.03", ""},
    {0, 0, "92+600", "FELIZZANO", "", "10.06", ""},
    {0, 0, "96+450", "MASIO QUATTORDIO", "", "10.07", ""},
    {0, 0, "99+900", "ROCCHETTA TANARO CERRO", "", "10.09", ""},
    {150, 130, "101+750", "Cartello Indicatore", "", "", ""},
    {0, 0, "102+850", "CASTELLO D'ANNONE", "", "10.11", ""},
    {170, 140, "103+500", "Cartello Indicatore", "", "", ""},
    {0, 0, "113+000", "ASTI", "10.17", "", "10.18"},
    {180, 160, "113+800", "Cartello Indicatore", "", "", ""},
    {140, 130, "119+300", "Cartello Indicatore", "", "", ""},
    {0, 0, "120+300", "S.DAMIANO D'ASTI", "", "10.24", ""},
    {0, 0, "123+800", "BALDICHIERI TIGLIOLE", "", "10.26", ""},
    {150, 140, "124+250", "Cartello Indicatore", "", "", ""},
    {0, 0, "128+850", "VILLAFRANCA CANTARANA", "", "10.27", ""},
    {0, 0, "133+250", "EX P.B.15", "", "10.30", ""},
    {0, 0, "135+800", "S.PAOLO SOLBRITO", "", "10.31", ""},
    {0, 0, "138+850", "VILLANOVA D'ASTI", "", "10.33", ""},
};

// The row of the board at 56+900 has always carried a blank after its closing bar.
constexpr std::size_t kSheet1RowWithTrailingBlank = 14;

constexpr Row kSheet2[] = {
    {150, 140, "138+850", "VILLANOVA D'ASTI", "", "10.33", ""},
    {180, 170, "139+150", "Cartello Indicatore", "", "", ""},
    {160, 150, "145+850", "Cartello Indicatore", "", "", ""},
    {0, 0, "146+900", "PESSIONE", "", "10.36", ""},
    {0, 0, "152+900", "CAMBIANO SANTENA", "", "10.38", ""},
    {0, 0, "156+000", "TROFARELLO", "", "10.40", ""},
    {0, 0, "160+600", "MONCALIERI", "", "10.42", ""},
    {120, 110, "161+550", "Cartello Indicatore", "", "", ""},
    {0, 0, "161+900", "BIVIO SANGONE", "", "10.43", ""},
    {0, 0, "164+000", "TORINO LINGOTTO", "", "10.46", ""},
    {90, 80, "165+500", "Cartello Indicatore", "", "", ""},
    {0, 0, "169+000", "TORINO P.N.", "10.52", "", ""},
};

constexpr Row kSheet3[] = {
    {60, 60, "30+750", "RONCO SCRIVIA", "", "", "9.31"},
    {80, 80, "31+500", "Cartello Indicatore", "", "", ""},
    {0, 0, "35+650", "ISOLA DEL CANTONE", "", "9.35", ""},
    {90, 85, "37+300", "Cartello Indicatore", "", "", ""},
    {0, 0, "39+350", "PIETRABISSARA", "", "9.38", ""},
    {115, 100, "40+000", "Cartello Indicatore", "", "", ""},
    {0, 0, "42+400", "RIGOROSO", "", "9.40", ""},
    {0, 0, "45+550", "ARQUATA SCRIVIA", "9.42", "", ""},
};

// Sheet 3 was drawn apart from the other two and aligns some cells differently.
enum class Drawing { mainLine, diversion };

constexpr std::size_t kSpeedWidth = 5;
constexpr std::size_t kProgressiveWidth = 10;
constexpr std::size_t kNumberWidth = 5;
constexpr std::size_t kPlaceWidth = 28;
constexpr std::size_t kTimeWidth = 16;
constexpr std::size_t kRecWidth = 5;

// Where a time ends in the time cell: passing times end at the tenth character, departures two
// characters before the cell's end (one on the diversion sheet); arrivals start after a blank.
constexpr std::size_t kPassingEnd = 10;

std::string speedCell(int speed, std::size_t alignWidth) {
    if (speed == 0) return std::string(kSpeedWidth, ' ');
    return rightAligned(speed, alignWidth) + std::string(kSpeedWidth - alignWidth, ' ');
}

std::string leftAligned(std::string_view text, std::size_t width) {
    if (text.size() > width) {
        throw std::length_error("\"" + std::string(text) + "\" is wider than its cell");
    }
    return std::string(text) + std::string(width - text.size(), ' ');
}

// One blank, then `text` left-aligned in the rest of the cell.
std::string afterOneBlank(std::string_view text, std::size_t width) {
    std::string cell(1, ' ');
    cell += leftAligned(text, width - 1);
    return cell;
}

void placeEndingAt(std::string& cell, std::string_view time, std::size_t end) {
    if (time.size() > end || end > cell.size()) {
        throw std::length_error("time " + std::string(time) + " does not fit its cell");
    }
    cell.replace(end - time.size(), time.size(), time);
}

std::string timeCell(const Row& row, Drawing drawing) {
    std::string cell(kTimeWidth, ' ');
    const std::string_view arrival = row.arrival;
    if (!arrival.empty()) placeEndingAt(cell, arrival, 1 + arrival.size());
    if (*row.passing != '\0') placeEndingAt(cell, row.passing, kPassingEnd);
    if (*row.departure != '\0') {
        placeEndingAt(cell, row.departure, kTimeWidth - (drawing == Drawing::mainLine ? 2 : 1));
    }
    return cell;
}

std::array<std::string, 7> rowCells(const Row& row, Drawing drawing) {
    const bool main = drawing == Drawing::mainLine;
    return {
        speedCell(row.firstSpeed, main ? 3 : 4),
        speedCell(row.secondSpeed, 3),
        main ? rightAligned(row.progressive, 8) + "  "
             : afterOneBlank(row.progressive, kProgressiveWidth),
        std::string(kNumberWidth, ' '),
        afterOneBlank(row.place, kPlaceWidth),
        timeCell(row, drawing),
        std::string(kRecWidth, ' '),
    };
}

std::string joinCells(const std::array<std::string, 7>& cells) {
    std::string line = " |";
    for (const std::string& cell : cells) line += cell + "|";
    return line;
}

std::string rowLine(const Row& row, Drawing drawing) {
    return joinCells(rowCells(row, drawing));
}

// The last row of sheet 1 closes its table: its blanks become the rule's underscores, all but
// those between the words of the place name.
std::string ruleRowLine(const Row& row) {
    std::array<std::string, 7> cells = rowCells(row, Drawing::mainLine);
    for (std::string& cell : cells) {
        const bool isPlace = &cell == &cells[4];
        const std::size_t keepFrom = isPlace ? 1 : cell.size();
        const std::size_t keepTo = isPlace ? cell.find_last_not_of(' ') + 1 : cell.size();
        for (std::size_t i = 0; i < cell.size(); ++i) {
            if (cell[i] == ' ' && (i < keepFrom || i >= keepTo)) cell[i] = '_';
        }
    }
    return joinCells(cells);
}

// The four lines of a header block that name the sheet; the other five are the same on all.
struct SheetHeader {
    const char* title;
    const char* trainAndFrom;
    const char* to;
    const char* classification;
};

constexpr SheetHeader kHeader1 = {
    " |                   |                    SCHEDA 1/3               |              |",
    " |   TRENO n.514     |                   da: GENOVA BR.            |    V200 c    |",
    " |___________________|                    a: VILLANOVA D'ASTI      |     125%     |",
    " |       DIR         |              |      680T         |",
};
constexpr SheetHeader kHeader2 = {
    " |                   |                    SCHEDA 2/3               |              |",
    " |   TRENO n.514     |                   da: VILLANOVA D'ASTI      |    V200 c    |",
    " |___________________|                    a: TORINO P.N.           |     125%     |",
    " |        IC         |              |      680T         |",
};
constexpr SheetHeader kHeader3 = {
    " |                   |                    SCHEDA 3/3               |              |",
    " |   TRENO n.11514   |                   da: RONCO SCRIVIA         |    V200 c    |",
    " |___________________|                    a: ARQUATA SCRIVIA       |     125%     |",
    " |        IC         |              |      680T         |",
};

constexpr const char* kHeaderTop =
    "  ___________________                                               ______________";

void addHeader(std::vector<std::string>& lines, const SheetHeader& header) {
    lines.insert(lines.end(),
                 {
                     kHeaderTop,
                     header.title,
                     header.trainAndFrom,
                     header.to,
                     "                                                                   "
                     "|______________|",
                     "  ___________________                ___________________",
                     " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
                     header.classification,
                     " |___________________|              |___________________|",
                 });
}

constexpr const char* kTableRule =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

void addTableHead(std::vector<std::string>& lines) {
    lines.insert(lines.end(),
                 {
                     "  ______________________________________________________________________"
                     "__________",
                     " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     "
                     "| Rec |",
                     " | Lim.|Marc.|          |  Rs |                            |                "
                     "|     |",
                     kTableRule,
                 });
}

void addBlankLines(std::vector<std::string>& lines, int count) {
    lines.insert(lines.end(), static_cast<std::size_t>(count), std::string());
}

std::vector<std::string> buildTimetableSheet() {
    std::vector<std::string> lines;
    addBlankLines(lines, 2);

    addHeader(lines, kHeader1);
    addBlankLines(lines, 1);
    addTableHead(lines);
    const std::size_t lastOfSheet1 = std::size(kSheet1) - 1;
    for (std::size_t i = 0; i < lastOfSheet1; ++i) {
        lines.push_back(rowLine(kSheet1[i], Drawing::mainLine));
        if (i == kSheet1RowWithTrailingBlank) lines.back() += ' ';
    }
    lines.push_back(ruleRowLine(kSheet1[lastOfSheet1]));
    addBlankLines(lines, 2);
    lines.push_back(std::string(81, '.'));
    addBlankLines(lines, 2);

    addHeader(lines, kHeader2);
    addBlankLines(lines, 1);
    addTableHead(lines);
    for (const Row& row : kSheet2) lines.push_back(rowLine(row, Drawing::mainLine));
    lines.push_back(kTableRule);
    addBlankLines(lines, 2);
    lines.push_back(std::string(72, '.'));
    lines.push_back(std::string(11, ' '));
    addBlankLines(lines, 1);

    lines.push_back("                DEVIAZIONE TRENO IC 514 VIA ISOLA DEL CANTONE");
    addHeader(lines, kHeader3);
    addBlankLines(lines, 1);
    addTableHead(lines);
    for (const Row& row : kSheet3) lines.push_back(rowLine(row, Drawing::diversion));
    lines.push_back(kTableRule);
    addBlankLines(lines, 2);
    lines.push_back(std::string(72, '.'));
    addBlankLines(lines, 1);

    // The sheet has always ended with the top of a fourth header block and a single blank.
    lines.push_back(kHeaderTop);
    lines.push_back(" ");
    return lines;
}

}  // namespace

std::span<const std::string_view> timetableSheet() {
    static const OwnedLineTable table(buildTimetableSheet());
    return table.entries();
}

}  // namespace scenario::content
