#include "tools/command_line/starter_scenario.h"

#include "content/text_writer.h"

namespace tool {
namespace {

// Line tables, ended by their marker, for the one writing procedure of text files. A comment
// is one field: a line that starts with '-' and holds no comma. The field names are
// those of docs/format.md.
constexpr std::string_view kLine[] = {
    "[generale]",
    "- lunghezza percorso: line_length in m",
    "lunghezza percorso,    10000",
    "- progressiva chilometrica uno: first  second  third",
    "progressiva chilometrica uno,    0,    0,    0",
    "- ripetizione segnali 4 codici: repetition_first  repetition_second in m",
    "ripetizione segnali 4 codici,    500,    11000",
    "[curve]",
    "- curvas2: start  length in m; s or d is the side and 1 to 6 the class",
    "curvas2,  3000,  600",
    "[pendenze]",
    "- pendenza: position in m  gradient in per mille from -100 to 155",
    "pendenza,     0,   0",
    "pendenza,  4000,   6",
    "pendenza,  7000,   0",
    "[fine]",
    scenario::content::kEndMarker,
};

constexpr std::string_view kTrain[] = {
    "[generale]",
    "- percentuale massa frenata: braked_mass_percent",
    "percentuale massa frenata,    120",
    "- numero vetture: cars",
    "numero vetture,    6",
    "- sabbia: sand",
    "sabbia,    300",
    "- orologio: clock_hours  clock_minutes  clock_seconds",
    "orologio,    8   0   0",
    "[vel_limite]",
    "- velocita: position in m  speed in km/h; the first at 0",
    "velocita,       0,    80",
    "velocita,    1000,   120",
    "[aderenze]",
    "- aderenza: position in m  adhesion 0 to 255",
    "aderenza,       0,   100",
    "[stazioni]",
    "- stazione: position  station_kind  length  code_4 to code_13  hours  minutes  seconds  "
    "name",
    "stazione,     500,  2,  600,  1, 0, 0,  4,1,1,  2,1,1,    1,   8, 0, 0, PARTENZA",
    "stazione,   10000,  6,  400,  1, 1, 0,  1,1,0,  2,1,1,    0,   8, 9, 0, ARRIVO",
    "[rallentamenti]",
    "- rallentamento: position  speed  length  f_tt  f_ta  d_v",
    "rallentamento,   5000,  60,  500,  0,  1,  0",
    "[segnali]",
    "- segnale: position  sx  s1  s2  s3  rapp  dx  d1  d2  d3  tempo",
    "segnale,    1500,   2, 3, 1,  0, 0,    2,  2,1,0, 0",
    "segnale,    3000,   1, 1, 0,  0, 0,    1,  1,0,0, 0",
    "segnale,    6500,   1, 1, 0,  0, 0,    1,  1,0,0, 0",
    "segnale,    9000,   2, 3, 1,  0, 0,    2,  2,1,0, 0",
    "[fine]",
    scenario::content::kEndMarker,
};

}  // namespace

std::span<const std::string_view> starterLineDescription() {
    return kLine;
}

std::span<const std::string_view> starterTrainDescription() {
    return kTrain;
}

}  // namespace tool
