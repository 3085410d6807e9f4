#include "compiler/description_grammar.h"

#include <iterator>
#include <string>

namespace scenario {
namespace {

using W = FieldWidth;

constexpr std::int64_t kInt16Low = -32768;
constexpr std::int64_t kInt16High = 32767;
constexpr std::int64_t kLongestText = 65535;

// Meanings that several fields share, so that the reference tells them in one row.
struct SharedMeanings {
    std::string_view background, stretch, leftSpeeds, rightPart, clock, sides, aspects,
        stationCodes, scheduled;
};
constexpr SharedMeanings kShared{
    .background = "A background value, carried to the train file",
    .stretch =
        "The mountain stretch, cells start / 50 to end / 50 − 1; at most 80 stretches (error 105)",
    .leftSpeeds =
        "The three speeds shown on the board's left part; each is stored as left × 20 + right / 5, "
        "which must fit 16 bits",
    .rightPart = "The same for the right part; by custom left empty (`,  ,`), which reads as 0",
    .clock = "The clock at the start of the run",
    .sides =
        "The signal's left and right kind; sx × 3 + dx is its approach code's tens (sx = dx = 1 "
        "gives 41 to 44, sx = dx = 2 gives 81 to 84)",
    .aspects =
        "The signal's three aspect pairs, stored as s1 × 10 + d1, s2 × 10 + d2, s3 × 10 + d3",
    .stationCodes = "Station values, carried to the train file",
    .scheduled = "Scheduled time, stored as seconds after midnight; 0, 0, 0 where there is none",
};

// ---- The line description's general section ----

constexpr FieldGrammar kLineLength[] = {
    {"line_length", W::int32, "m", between(0, 1000000),
     "The line's length. The route gets cells up to (length + 7000) / 50. Required ([error "
     "104](errors.md#error-104-the-line-description-gives-no-line-length-of-0-m-or-more)); "
     "above 1,000,000 is error 1"},
};

constexpr FieldGrammar kProgressive[] = {
    {"first", W::int32, "", multipleOf(50),
     "The progressive's first value (error 2 otherwise). The three records are ordered by "
     "`first`, greatest first; when two share the greatest `first`, all three become 0; when "
     "every `first` is 0, the last of tre, due, uno with a positive `second` moves to the first "
     "place"},
    {"second", W::int32, "", multipleOf(50),
     "The progressive's second value (error 2 otherwise); 100 more when `third` is 1"},
    {"third", W::int32, "", anyValue(), "The progressive's third value"},
};

constexpr FieldGrammar kBackgroundUno[] = {
    {"background_uno", W::int32, "", anyValue(), kShared.background}};
constexpr FieldGrammar kBackgroundDue[] = {
    {"background_due", W::int32, "", anyValue(), kShared.background}};
constexpr FieldGrammar kBackgroundTre[] = {
    {"background_tre", W::int32, "", anyValue(), kShared.background}};

constexpr FieldGrammar kRepetition[] = {
    {"repetition_first", W::int32, "m", multipleOf(50),
     "The first signal repetition distance (error 3 otherwise)"},
    {"repetition_second", W::int32, "m", multipleOf(50),
     "The second signal repetition distance (error 4 otherwise)"},
};
constexpr FieldGrammar kRepetitionCode[] = {
    {"repetition_code", W::text, "", oneOf(kRepetitionCodes),
     "The code system: the keyword must hold the digit `4` or `9` (error 5 otherwise); 0 when "
     "`repetition_second` is 0"},
};

// ---- The line description's records ----

constexpr FieldGrammar kGradient[] = {
    {"position", W::int32, "m", anyValue(),
     "Where the gradient starts; it holds up to the cell before the next gradient record. "
     "Cells before the first record have gradient 0"},
    {"gradient", W::int32, "per mille", between(-100, 155),
     "Rising positive, falling negative; stored + 100 in a byte"},
};

constexpr FieldGrammar kCurve[] = {
    {"start", W::int32, "m", anyValue(),
     "Where the curve starts; the track runs straight up to it"},
    {"length", W::int32, "m", anyValue(),
     "The curve's length; start + length must stay inside the line plus 7000 m (error 103)"},
};
constexpr FieldGrammar kCurveKeyword[] = {
    {"side", W::text, "", oneOf("sd"),
     "A keyword that holds `s` or `S` anywhere turns one way (by custom `curvas`), any other the "
     "other way (by custom `curvad`)"},
    {"class", W::text, "", between(1, 6),
     "Sharpness, 1 gentlest (turn 0.0001 a metre) to 6 sharpest (0.003); the first of the "
     "digits 1, 2, 3, 4, 5, 6 found in the keyword counts. No digit is error 103"},
};

constexpr FieldGrammar kMountain[] = {
    {"start", W::int32, "m", anyValue(), kShared.stretch},
    {"end", W::int32, "m", anyValue(), kShared.stretch},
    {"type", W::int32, "", between(1, 10, 11, 20),
     "The stretch type; 10 more (11 to 20) also puts a marker every 200 m. A stretch that "
     "starts at most 150 m after the previous one ends becomes type 3"},
};

constexpr FieldGrammar kSpeedIndicator[] = {
    {"position", W::int32, "m", anyValue(), "The speed indicator board's position"},
    {"speed_a_left", W::int32, "km/h", anyValue(), kShared.leftSpeeds},
    {"speed_b_left", W::int32, "km/h", anyValue(), kShared.leftSpeeds},
    {"speed_c_left", W::int32, "km/h", anyValue(), kShared.leftSpeeds},
    {"stripes_left", W::int32, "count", anyValue(),
     "Stripes on the left part; stored as left × 10 + right"},
    {"speed_a_right", W::int32, "km/h", anyValue(), kShared.rightPart},
    {"speed_b_right", W::int32, "km/h", anyValue(), kShared.rightPart},
    {"speed_c_right", W::int32, "km/h", anyValue(), kShared.rightPart},
    {"stripes_right", W::int32, "count", anyValue(), kShared.rightPart},
};

constexpr FieldGrammar kLocationBoard[] = {
    {"position", W::int32, "m", anyValue(),
     "The location board's position; at most 81 boards (error 106), each taking the place of "
     "one station"},
    {"text", W::text, "", atMostBytes(kLongestText),
     "What the board says, by custom in parentheses"},
};

// ---- The train description ----

constexpr FieldGrammar kBrakedMass[] = {
    {"braked_mass_percent", W::int32, "%", anyValue(), "Braked-mass percentage of the train"},
};
constexpr FieldGrammar kCars[] = {{"cars", W::int32, "count", anyValue(), "Number of cars"}};

constexpr FieldGrammar kSpeed[] = {
    {"position", W::int32, "m", anyValue(),
     "Where the line speed limit starts; it holds up to the cell before the next speed record"},
    {"speed", W::int32, "km/h", between(0, 1277),
     "The limit, stored in units of 5 km/h (72 becomes 70, 73 becomes 75). Begin with a record "
     "at position 0: cells before the first record get 0"},
};

constexpr FieldGrammar kAdhesion[] = {
    {"position", W::int32, "m", anyValue(), "Where the adhesion value starts, as for the speed"},
    {"adhesion", W::int32, "", between(0, 255), "Adhesion value (the low 8 bits are kept)"},
};

constexpr FieldGrammar kClockFields[] = {
    {"clock_hours", W::int16, "", between(0, 23), kShared.clock},
    {"clock_minutes", W::int16, "", between(0, 59), kShared.clock},
    {"clock_seconds", W::int16, "", between(0, 59), kShared.clock},
};
constexpr FieldGrammar kSand[] = {{"sand", W::int16, "", anyValue(), "Sand carried"}};

constexpr FieldGrammar kSignal[] = {
    {"position", W::int32, "m", anyValue(),
     "The signal's position; it takes cell position / 50 + 1, and gives the approach codes of "
     "the cells 100, 200, 300 and 400 m before it"},
    {"sx", W::int32, "", inWords("small numbers"), kShared.sides},
    {"s1", W::int32, "", between(0, 9), kShared.aspects},
    {"s2", W::int32, "", between(0, 9), kShared.aspects},
    {"s3", W::int32, "", between(0, 9), kShared.aspects},
    {"rapp", W::int32, "", inWords("small number"), "Stored as rapp × 10 + sx × 3 + dx"},
    {"dx", W::int32, "", inWords("small numbers"), kShared.sides},
    {"d1", W::int32, "", between(0, 9), kShared.aspects},
    {"d2", W::int32, "", between(0, 9), kShared.aspects},
    {"d3", W::int32, "", between(0, 9), kShared.aspects},
    {"tempo", W::int32, "", between(0, 255),
     "Timing, kept only when sx is 2; a value from 1 to 100 becomes 101"},
};

constexpr FieldGrammar kSlowdown[] = {
    {"position", W::int32, "m", anyValue(),
     "Where the slowdown starts. Beyond 1500 m it gets a warning board 1200 m before"},
    {"speed", W::int32, "km/h", anyValue(),
     "The slowdown's speed; below 110 the compiler adds speed marks inside it and before the "
     "next signal"},
    {"length", W::int32, "m", anyValue(), "The slowdown's end is at position + length"},
    {"f_tt", W::int32, "", between(kInt16Low, kInt16High), "Stored in the start and end cells"},
    {"f_ta", W::int32, "", anyValue(),
     "Not 0: four countdown cells before the warning board (only a slowdown beyond 1500 m has "
     "one)"},
    {"d_v", W::int32, "", between(kInt16Low, kInt16High), "Not 0: stored in the slowdown's cells"},
};

constexpr FieldGrammar kAbbattimento[] = {
    {"position", W::int32, "m", anyValue(),
     "The mark's position; it takes cell position / 50, without the 1 other objects add"},
    {"speed", W::int32, "km/h", between(kInt16Low, kInt16High),
     "Above 0: a mark with this speed; 0 or below: a mark without a speed"},
};

constexpr FieldGrammar kStation[] = {
    {"position", W::int32, "m", multipleOf(50), "The station's position (error 8 otherwise)"},
    {"station_kind", W::byte, "", anyValue(),
     "Kinds 5 and 6 (terminus): the area runs from position − length to position + 150, no "
     "approach codes. Kinds 7 and 8: position − length to position + length. Others: half the "
     "length on either side. Kinds 25 and above mark an area only, with no stop cell and no "
     "approach codes"},
    {"length", W::int32, "m", multipleOf(100),
     "Shapes the area (error 9 otherwise); the stop is in the area's last 50 m cell, the "
     "approach codes 81 to 84 in the four cells before it. Areas must be at least 350 m apart "
     "(error 22)"},
    {"code_4", W::byte, "", anyValue(), kShared.stationCodes},
    {"code_5", W::byte, "", anyValue(),
     "Kept only for a station of 600 m or more, and never for the first station"},
    {"code_6", W::byte, "", anyValue(),
     "Not 0: an ordinary station's area ends 50 m later; 0 for kinds 5 to 8 and the first "
     "station"},
    {"code_7", W::int16, "", anyValue(), kShared.stationCodes},
    {"code_8", W::int16, "", anyValue(), kShared.stationCodes},
    {"code_9", W::byte, "", anyValue(), kShared.stationCodes},
    {"code_10", W::int16, "", anyValue(), kShared.stationCodes},
    {"code_11", W::int16, "", anyValue(), kShared.stationCodes},
    {"code_12", W::int16, "", anyValue(), kShared.stationCodes},
    {"code_13", W::byte, "", anyValue(), kShared.stationCodes},
    {"hours", W::int32, "", between(0, 23), kShared.scheduled},
    {"minutes", W::int32, "", between(0, 59), kShared.scheduled},
    {"seconds", W::int32, "", between(0, 59), kShared.scheduled},
    {"name", W::text, "", atMostBytes(kLongestText), "The station's name"},
};

// No values carried in the keyword.
constexpr std::span<const FieldGrammar> kNoParts;

// What the reference tells of each record, by kind: the keyword as the carried descriptions
// write it, what one record gives, its value fields and the values its keyword carries.
struct RecordWords {
    RecordKind kind;
    std::string_view spelling;
    std::string_view noun;
    std::span<const FieldGrammar> fields;
    std::span<const FieldGrammar> keywordParts;
    std::string_view keywordNote;
};

using K = RecordKind;

constexpr RecordWords kWords[] = {
    {K::lineLength, "lunghezza percorso", "line length", kLineLength, kNoParts, ""},
    {K::progressiveTre, "progressiva chilometrica tre", "kilometre progressive", kProgressive,
     kNoParts, ""},
    {K::progressiveDue, "progressiva chilometrica due", "kilometre progressive", kProgressive,
     kNoParts, ""},
    {K::progressiveUno, "progressiva chilometrica uno", "kilometre progressive", kProgressive,
     kNoParts, ""},
    {K::backgroundUno, "sfondo uno", "background value", kBackgroundUno, kNoParts, ""},
    {K::backgroundDue, "sfondo due", "background value", kBackgroundDue, kNoParts, ""},
    {K::backgroundTre, "sfondo tre", "background value", kBackgroundTre, kNoParts, ""},
    {K::signalRepetition, "ripetizione segnali 4 codici", "signal repetition", kRepetition,
     kRepetitionCode, ", with `4` or `9`"},
    {K::gradient, "pendenza", "gradient", kGradient, kNoParts, ""},
    {K::curve, "curvas3", "curve", kCurve, kCurveKeyword,
     ", with a side and a class: `curvas1` to `curvas6`, `curvad1` to `curvad6`"},
    {K::mountain, "montagna", "mountain stretch", kMountain, kNoParts, ""},
    {K::speedIndicator, "indicatori_vmax", "speed indicator board", kSpeedIndicator, kNoParts, ""},
    {K::locationBoard, "cartello_indicatore", "location board", kLocationBoard, kNoParts, ""},
    {K::brakedMass, "percentuale massa frenata", "braked-mass percentage", kBrakedMass, kNoParts,
     ""},
    {K::cars, "numero vetture", "number of cars", kCars, kNoParts, ""},
    {K::speed, "velocita", "speed", kSpeed, kNoParts, ""},
    {K::adhesion, "aderenza", "adhesion", kAdhesion, kNoParts, ""},
    {K::clock, "orologio", "clock", kClockFields, kNoParts, ""},
    {K::sand, "sabbia", "sand", kSand, kNoParts, ""},
    {K::signal, "segnale", "signal", kSignal, kNoParts, ""},
    {K::slowdown, "rallentamento", "slowdown", kSlowdown, kNoParts, ""},
    {K::abbattimento, "abbattimento", "abbattimento mark", kAbbattimento, kNoParts, ""},
    {K::station, "stazione", "station", kStation, kNoParts, ""},
};

constexpr bool inKindOrder() {
    for (std::size_t i = 0; i < std::size(kWords); ++i) {
        if (kWords[i].kind != static_cast<RecordKind>(i)) return false;
    }
    return std::size(kWords) == static_cast<std::size_t>(RecordKind::station) + 1;
}
static_assert(inKindOrder(), "the records' words stand in the order of RecordKind");

const RecordWords& wordsOf(RecordKind kind) {
    return kWords[static_cast<std::size_t>(kind)];
}

constexpr std::string_view kLineHeadings[] = {
    "[generale]", "[curve]", "[pendenze]", "[montagne]", "[cartelli]", "[indicazioni]", "[fine]"};
constexpr std::string_view kTrainHeadings[] = {"[generale]", "[aderenze]",      "[vel_limite]",
                                               "[stazioni]", "[rallentamenti]", "[segnali]",
                                               "[codici]",   "[fine]"};

// Whole numbers as the reference writes them: thousands set apart from 10,000 up, and a minus
// sign rather than a hyphen.
std::string numberText(std::int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (digits.size() > 4) {
        for (std::size_t at = digits.size() - 3; at > 0; at = at > 3 ? at - 3 : 0) {
            digits.insert(at, ",");
        }
    }
    return (n < 0 ? "\u2212" : "") + digits;
}

}  // namespace

std::string_view widthText(FieldWidth width) {
    constexpr std::string_view kNames[] = {"32-bit", "16-bit", "8-bit", "text"};
    return kNames[static_cast<std::size_t>(width)];
}

std::string rangeText(const ValueRange& range) {
    switch (range.kind) {
        case ValueRange::Kind::any:
            return "";
        case ValueRange::Kind::between: {
            std::string text = numberText(range.low) + " to " + numberText(range.high);
            if (range.secondHigh > range.secondLow) {
                text +=
                    ", or " + numberText(range.secondLow) + " to " + numberText(range.secondHigh);
            }
            return text;
        }
        case ValueRange::Kind::multipleOf:
            return "multiple of " + numberText(range.low);
        case ValueRange::Kind::oneOf: {
            std::string text;
            for (std::size_t i = 0; i < range.text.size(); ++i) {
                if (i > 0) text += i + 1 == range.text.size() ? " or " : ", ";
                text += std::string("`") + range.text[i] + "`";
            }
            return text;
        }
        case ValueRange::Kind::textBytes:
            return "up to " + numberText(range.low) + " bytes";
        case ValueRange::Kind::words:
            return std::string(range.text);
    }
    return "";

}  // namespace

std::string_view RecordGrammar::spelling() const {
    return wordsOf(kind).spelling;
}

std::string_view RecordGrammar::noun() const {
    return wordsOf(kind).noun;
}

std::span<const FieldGrammar> RecordGrammar::fields() const {
    return wordsOf(kind).fields;
}

std::span<const FieldGrammar> RecordGrammar::keywordParts() const {
    return wordsOf(kind).keywordParts;
}

std::string_view RecordGrammar::keywordNote() const {
    return wordsOf(kind).keywordNote;
}

std::span<const std::string_view> customHeadings(bool lineDescription) {
    if (lineDescription) return kLineHeadings;
    return kTrainHeadings;
}

}  // namespace scenario
