// The train description of IC514 on GENOVA - TORINO: general data, adhesion, speed limits,
// stations and signals, in the fixed-width text format of the train reader. This run of the
// train is diverted from RONCO SCRIVIA via ISOLA DEL CANTONE to ARQUATA SCRIVIA and has no
// slowdowns.
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

struct SpeedLimit {
    int position;
    int kmh;  // holds from `position` on
};

constexpr SpeedLimit kSpeedLimits[] = {
    {0, 70},       {4200, 100},   {9550, 120},   {22550, 140},  {30250, 60},   {31000, 80},
    {37300, 90},   {40000, 115},  {46050, 130},  {56900, 160},  {79600, 180},  {102250, 150},
    {103500, 170}, {113800, 180}, {119800, 140}, {124250, 150}, {139150, 180}, {146350, 160},
    {147500, 180}, {152400, 160}, {162050, 120}, {166000, 90},
};
constexpr std::array<std::size_t, 2> kSpeedLimitWidths = {8, 6};

constexpr std::size_t kStationFields = 16;

// Fields 1 to 16 of a station record: position, kind, length, ten small codes, and the
// scheduled time as hours, minutes, seconds (all 0 where the train has none).
struct Station {
    std::array<int, kStationFields> fields;
    const char* name;
};

constexpr Station kStations[] = {
    {{0, 2, 900, 1, 0, 0, 4, 1, 1, 2, 1, 1, 1, 9, 8, 0}, "GENOVA BRIGNOLE"},
    {{3150, 2, 600, 1, 1, 0, 4, 1, 1, 2, 1, 1, 60, 9, 13, 0}, "GENOVA P.PRINCIPE"},
    {{7350, 22, 400, 0, 0, 0, 0, 0, 0, 4, 1, 1, 0, 0, 0, 0}, "BIVIO FEGINO"},
    {{12400, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "GENOVA S.QUIRICO"},
    {{22250, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "MIGNANEGO"},
    {{30750, 12, 500, 1, 0, 0, 4, 1, 1, 2, 1, 1, 0, 0, 0, 0}, "RONCO SCRIVIA"},
    {{35650, 12, 400, 0, 0, 0, 1, 1, 0, 3, 1, 1, 0, 0, 0, 0}, "ISOLA DEL CANTONE"},
    {{39350, 12, 300, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "PIETRABISSARA"},
    {{42400, 12, 300, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "RIGOROSO"},
    {{45550, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "ARQUATA SCRIVIA"},
    {{49850, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "SERRAVALLE SCRIVIA"},
    {{56350, 2, 600, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "NOVI LIGURE"},
    {{65450, 28, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "DONNA"},
    {{68850, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "FRUGAROLO BOSCOMARENGO"},
    {{79000, 2, 600, 1, 1, 0, 4, 1, 1, 2, 1, 1, 60, 9, 57, 0}, "ALESSANDRIA"},
    {{86700, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "SOLERO"},
    {{92600, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "FELIZZANO"},
    {{96450, 28, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "MASIO QUATTORDIO"},
    {{99900, 24, 300, 0, 0, 0, 0, 0, 0, 4, 1, 1, 0, 0, 0, 0}, "ROCCHETTA TANARO CERRO"},
    {{102850, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "CASTELLO D'ANNONE"},
    {{113000, 2, 600, 1, 1, 0, 4, 1, 1, 2, 1, 1, 40, 10, 18, 0}, "ASTI"},
    {{120300, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "S.DAMIANO D'ASTI"},
    {{123800, 22, 300, 0, 0, 0, 0, 0, 0, 4, 1, 1, 0, 0, 0, 0}, "BALDICHIERI TIGLIOLE"},
    {{128850, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "VILLAFRANCA CANTARANA"},
    {{133250, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "PB 15"},
    {{135800, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "S.PAOLO SOLBRITO"},
    {{138850, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "VILLANOVA D'ASTI"},
    {{146900, 12, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "PESSIONE"},
    {{152900, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "CAMBIANO SANTENA"},
    {{156000, 4, 600, 0, 1, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "TROFARELLO"},
    {{160600, 4, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "MONCALIERI"},
    {{161900, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "BIVIO SANGONE"},
    {{164000, 4, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 0, 0, 0}, "TORINO LINGOTTO"},
    {{169000, 6, 700, 1, 1, 0, 1, 1, 0, 2, 1, 1, 0, 10, 52, 0}, "TORINO PORTA NUOVA"},
};
constexpr std::array<std::size_t, kStationFields> kStationWidths = {8, 3, 5, 3, 2, 2, 3, 1,
                                                                    1, 3, 1, 1, 5, 4, 2, 2};

constexpr std::size_t kSignalFields = 11;

// The ten values of a signal after its position: sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo.
// The signals of this line use thirteen combinations of them.
struct SignalPattern {
    char letter;
    std::array<int, kSignalFields - 1> values;
};

constexpr SignalPattern kSignalPatterns[] = {
    {'A', {1, 5, 6, 1, 0, 1, 3, 1, 1, 0}}, {'B', {2, 2, 3, 1, 0, 2, 2, 1, 1, 0}},
    {'C', {1, 4, 1, 0, 0, 1, 3, 1, 0, 0}}, {'D', {2, 4, 1, 0, 0, 2, 2, 1, 0, 0}},
    {'E', {2, 4, 0, 0, 0, 2, 2, 0, 0, 0}}, {'F', {1, 5, 6, 0, 0, 1, 3, 1, 0, 0}},
    {'G', {2, 2, 4, 1, 0, 2, 2, 1, 1, 0}}, {'H', {1, 3, 1, 0, 0, 1, 3, 1, 0, 0}},
    {'I', {2, 3, 1, 0, 0, 2, 2, 1, 0, 0}}, {'J', {1, 4, 1, 1, 0, 1, 3, 1, 1, 0}},
    {'K', {2, 4, 1, 1, 0, 2, 2, 1, 1, 0}}, {'L', {1, 4, 0, 0, 0, 1, 3, 0, 0, 0}},
    {'M', {1, 3, 4, 1, 0, 1, 3, 1, 1, 0}},
};

struct Signal {
    int posizione;
    char pattern;
};

constexpr Signal kSignals[] = {
    {1500, 'A'},   {2600, 'B'},   {5600, 'C'},   {6900, 'D'},   {11950, 'E'},  {13300, 'E'},
    {14650, 'E'},  {16000, 'E'},  {17350, 'E'},  {18700, 'E'},  {20550, 'C'},  {21800, 'D'},
    {29000, 'F'},  {30250, 'G'},  {33900, 'H'},  {35150, 'I'},  {37750, 'C'},  {38950, 'D'},
    {40750, 'C'},  {41950, 'D'},  {43800, 'C'},  {45050, 'D'},  {48150, 'C'},  {49350, 'D'},
    {52500, 'E'},  {54500, 'J'},  {55700, 'K'},  {58050, 'E'},  {59400, 'E'},  {60750, 'E'},
    {62450, 'E'},  {63900, 'L'},  {65100, 'E'},  {67000, 'C'},  {68250, 'D'},  {70500, 'E'},
    {71900, 'E'},  {73300, 'E'},  {74650, 'E'},  {76050, 'E'},  {77250, 'A'},  {78450, 'B'},
    {82100, 'E'},  {83500, 'E'},  {84900, 'C'},  {86150, 'D'},  {88500, 'E'},  {90850, 'C'},
    {92050, 'D'},  {94350, 'E'},  {95700, 'E'},  {97050, 'E'},  {98300, 'L'},  {99550, 'E'},
    {101050, 'C'}, {102300, 'D'}, {104550, 'E'}, {105900, 'E'}, {107300, 'E'}, {108650, 'E'},
    {109950, 'E'}, {111250, 'A'}, {112450, 'B'}, {114800, 'E'}, {116000, 'E'}, {117400, 'E'},
    {118650, 'C'}, {119850, 'D'}, {122150, 'L'}, {123350, 'E'}, {125550, 'E'}, {127150, 'C'},
    {128350, 'D'}, {130600, 'E'}, {133000, 'E'}, {135550, 'E'}, {137150, 'C'}, {138350, 'D'},
    {140400, 'E'}, {141800, 'E'}, {143100, 'E'}, {145200, 'C'}, {146400, 'D'}, {148800, 'E'},
    {150000, 'E'}, {151250, 'C'}, {152450, 'D'}, {154250, 'C'}, {155450, 'D'}, {157750, 'E'},
    {158950, 'C'}, {160150, 'D'}, {162200, 'C'}, {163500, 'K'}, {165550, 'E'}, {166850, 'M'},
    {168050, 'B'},
};
constexpr std::array<std::size_t, kSignalFields> kSignalWidths = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 2};

const SignalPattern& patternOf(const Signal& signal) {
    for (const SignalPattern& p : kSignalPatterns) {
        if (p.letter == signal.pattern) return p;
    }
    throw std::logic_error("signal at " + std::to_string(signal.posizione) + " has no pattern '" +
                           signal.pattern + "'");
}

std::string signalLine(const Signal& signal) {
    std::array<int, kSignalFields> values{};
    values[0] = signal.posizione;
    const SignalPattern& pattern = patternOf(signal);
    for (std::size_t i = 0; i < pattern.values.size(); ++i) values[i + 1] = pattern.values[i];
    return fixedWidthRecord("segnale", values, kSignalWidths);
}

std::vector<std::string> buildTrainDescription() {
    std::vector<std::string> lines = {
        "[generale]",
        "numero vetture,    12",
        "percentuale massa frenata,    125",
        "sabbia,    300",
        // Hours, minutes and seconds of the start clock, separated by blanks only.
        "orologio,    9               7             0 ",
        "[aderenze]",
        "aderenza,   0,    100",
        "[vel_limite]",
    };
    for (const SpeedLimit& s : kSpeedLimits) {
        lines.push_back(
            fixedWidthRecord("velocita", std::array{s.position, s.kmh}, kSpeedLimitWidths));
    }
    lines.push_back("[stazioni]");
    for (const Station& s : kStations) {
        lines.push_back(fixedWidthRecord("stazione", s.fields, kStationWidths) + ", " + s.name);
    }
    lines.push_back("[rallentamenti]");
    lines.push_back("[segnali]");
    for (const Signal& s : kSignals) lines.push_back(signalLine(s));
    lines.push_back("[codici]");
    lines.push_back("[fine]");
    return lines;
}

}  // namespace

std::span<const std::string_view> trainDescription() {
    static const OwnedLineTable table(buildTrainDescription());
    return table.entries();
}

}  // namespace scenario::content
