// The line description of GENOVA - TORINO (169 km): general data, curves, gradients, mountain
// stretches, speed indicator boards and location boards, in the text format of the line
// reader. Positions are metres from GENOVA BRIGNOLE.
#include <string>
#include <vector>

#include "content/owned_line_table.h"
#include "content/scenario_content.h"

namespace scenario::content {
namespace {

struct Curve {
    const char* keyword;  // "curva", side s or d, radius class 1 to 6
    int start;
    int length;
};

constexpr Curve kCurves[] = {
    {"curvas4", 950, 550},    {"curvad2", 2250, 550},   {"curvad3", 3800, 550},
    {"curvad4", 4350, 300},   {"curvas1", 4950, 550},   {"curvas4", 5500, 300},
    {"curvad3", 7000, 900},   {"curvas3", 8500, 650},   {"curvad4", 9950, 750},
    {"curvad2", 16000, 1050}, {"curvas4", 17150, 300},  {"curvad3", 17500, 100},
    {"curvas2", 18200, 300},  {"curvad4", 20300, 300},  {"curvas4", 20650, 300},
    {"curvas4", 21650, 450},  {"curvas2", 23100, 300},  {"curvad4", 26800, 300},
    {"curvad4", 32400, 650},  {"curvas2", 33050, 800},  {"curvad4", 33950, 700},
    {"curvas4", 36900, 350},  {"curvas4", 37750, 700},  {"curvad5", 41200, 300},
    {"curvas3", 41550, 300},  {"curvas3", 42250, 300},  {"curvas3", 45200, 2000},
    {"curvas2", 48450, 1250}, {"curvad4", 54550, 300},  {"curvad3", 57450, 750},
    {"curvas5", 58800, 300},  {"curvad6", 59700, 300},  {"curvas5", 61450, 300},
    {"curvad1", 66300, 2000}, {"curvad4", 77950, 450},  {"curvad3", 85300, 900},
    {"curvas5", 89200, 400},  {"curvas3", 94050, 300},  {"curvad4", 97850, 300},
    {"curvad4", 130650, 650}, {"curvad3", 131550, 600}, {"curvas3", 132150, 600},
    {"curvas4", 134450, 650}, {"curvas2", 138650, 600}, {"curvad5", 165600, 500},
};

struct Gradient {
    int position;
    int perMille;
};

constexpr Gradient kGradients[] = {
    {0, 0},      {900, 3},    {4100, 4},    {4600, 6},    {5000, 8},   {5200, 9},   {5550, 11},
    {6000, 13},  {6250, 15},  {7000, 16},   {7300, 17},   {22850, 12}, {29150, 0},  {42800, 5},
    {46000, 0},  {79800, 3},  {80450, 0},   {92600, 2},   {99950, 3},  {103050, 5}, {109200, 1},
    {113000, 3}, {118000, 0}, {128250, 10}, {129050, 12}, {138550, 1}, {160900, 4},
};

struct Mountain {
    int inizio;
    int fine;
    int tipo;
};

constexpr Mountain kMountains[] = {
    {500, 2850, 11},    {3500, 6900, 11},   {7700, 9400, 11},   {9700, 12100, 11},
    {12850, 14100, 11}, {14650, 16000, 11}, {17000, 21300, 11}, {23200, 28000, 11},
    {32100, 35000, 11}, {36200, 39150, 11}, {40900, 42000, 11}, {134000, 134100, 2},
};

// The blanks after the commas carry no meaning to the reader; the file keeps the three
// spacings it has always had.
enum class Spacing {
    twoBlanks,           // every field after ",  "
    speedsOneBlank,      // the three speeds after ", "
    firstSpeedTwoBlanks  // the first speed after ",  ", the other two after ", "
};

struct SpeedIndicator {
    int posizione;
    int vas;
    int vbs;
    int vcs;
    int strisces;
    Spacing spacing;
};

constexpr Spacing k2 = Spacing::twoBlanks;
constexpr Spacing k1 = Spacing::speedsOneBlank;
constexpr Spacing k21 = Spacing::firstSpeedTwoBlanks;

// Only the left-hand speeds are given; the right-hand ones stay empty and strisced is 0.
constexpr SpeedIndicator kSpeedIndicators[] = {
    {800, 60, 60, 60, 0, k2},       {4250, 90, 95, 100, 0, k2},      {9600, 110, 120, 120, 0, k2},
    {22500, 110, 120, 140, 0, k2},  {28450, 60, 60, 60, 2, k2},      {29250, 60, 60, 60, 1, k2},
    {29750, 60, 60, 60, 0, k2},     {31500, 75, 80, 80, 0, k2},      {37300, 80, 85, 90, 0, k2},
    {40000, 100, 110, 115, 0, k1},  {46050, 120, 125, 130, 0, k1},   {56900, 140, 150, 160, 0, k1},
    {79600, 140, 160, 180, 0, k1},  {100550, 130, 150, 150, 2, k21}, {101100, 130, 150, 150, 1, k1},
    {101750, 130, 150, 150, 0, k1}, {103500, 140, 160, 170, 0, k1},  {113800, 140, 160, 180, 0, k1},
    {118300, 120, 130, 140, 2, k1}, {118800, 120, 130, 140, 1, k1},  {119300, 120, 130, 140, 0, k1},
    {124250, 140, 140, 150, 0, k1}, {139150, 140, 160, 180, 0, k1},  {144650, 140, 160, 160, 2, k1},
    {145250, 140, 160, 160, 1, k1}, {145850, 140, 160, 160, 0, k1},  {160200, 100, 110, 120, 2, k1},
    {160900, 100, 110, 120, 1, k1}, {161550, 100, 110, 120, 0, k1},  {164300, 90, 90, 90, 2, k2},
    {164900, 90, 90, 90, 1, k2},    {165500, 90, 90, 90, 0, k2},
};

std::string n(int value) {
    return std::to_string(value);
}

std::string speedIndicatorLine(const SpeedIndicator& s) {
    const char* first = s.spacing == Spacing::speedsOneBlank ? ", " : ",  ";
    const char* others = s.spacing == Spacing::twoBlanks ? ",  " : ", ";
    return "indicatori_vmax,  " + n(s.posizione) + first + n(s.vas) + others + n(s.vbs) + others +
           n(s.vcs) + ",  " + n(s.strisces) + ",  ,  ,  ,  0";
}

std::vector<std::string> buildLineDescription() {
    std::vector<std::string> lines = {
        "[generale]",
        "lunghezza percorso,    169000",
        "progressiva chilometrica uno,    0,    0,    0",
        "progressiva chilometrica due,    0,    0,    0",
        "progressiva chilometrica tre,    0,    0,    0",
        "sfondo uno,    1000",
        "sfondo due,    3000",
        "sfondo tre,    1",
        "ripetizione segnali 4 codici,    500,    170000",
    };
    lines.push_back("[curve]");
    for (const Curve& c : kCurves) {
        lines.push_back(std::string(c.keyword) + ",  " + n(c.start) + ",  " + n(c.length));
    }
    lines.push_back("[pendenze]");
    for (const Gradient& g : kGradients) {
        lines.push_back("pendenza,  " + n(g.position) + ",   " + n(g.perMille));
    }
    lines.push_back("[montagne]");
    for (const Mountain& m : kMountains) {
        lines.push_back("montagna,   " + n(m.inizio) + ",  " + n(m.fine) + ",  " + n(m.tipo));
    }
    lines.push_back("[cartelli]");
    for (const SpeedIndicator& s : kSpeedIndicators) lines.push_back(speedIndicatorLine(s));
    lines.push_back("[indicazioni]");
    lines.push_back("cartello_indicatore,  133850,   (CAVALCAVIA)");
    lines.push_back("cartello_indicatore,  162000,   (BIVIO SANGONE)");
    lines.push_back("[fine]");
    lines.push_back("");
    lines.push_back("[fine]");
    return lines;
}

}  // namespace

std::span<const std::string_view> lineDescription() {
    static const OwnedLineTable table(buildLineDescription());
    return table.entries();
}

}  // namespace scenario::content
