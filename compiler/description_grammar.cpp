#include "compiler/description_grammar.h"

#include <array>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "compiler/rounding.h"

namespace scenario {
namespace {

using K = RecordKind;
using S = Section;
constexpr auto kFree = PositionOrder::free;
constexpr auto kIncreasing = PositionOrder::increasing;
constexpr auto kOf = PositionCell::ofPosition;
constexpr auto kAfter = PositionCell::afterPosition;

// The keyword tests, in the order the readers make them, section by section: the words, whether
// capitals count, whether only with the track plan; the order check expects, whether the
// record is a general value, whether a drivable scenario needs one, and the cell its position
// takes.
constexpr RecordGrammar kWritten[] = {
    {K::lineLength, S::lineGeneral, "percorso", "lunghezza", false, false, kFree, true, true},
    {K::progressiveTre, S::lineGeneral, "tre", "progressiva", true, false, kFree, true, false},
    {K::progressiveDue, S::lineGeneral, "due", "progressiva", true, false, kFree, true, false},
    {K::progressiveUno, S::lineGeneral, "uno", "progressiva", true, false, kFree, true, false},
    {K::backgroundUno, S::lineGeneral, "sfondo", "uno", true, false, kFree, true, false},
    {K::backgroundDue, S::lineGeneral, "sfondo", "due", true, false, kFree, true, false},
    {K::backgroundTre, S::lineGeneral, "sfondo", "tre", true, false, kFree, true, false},
    {K::signalRepetition, S::lineGeneral, "segnali", "ripetizione", true, false, kFree, true,
     false},
    {K::gradient, S::lineRecords, "pendenza", {}, false, false, kIncreasing, false, false, kOf},
    {K::curve, S::lineRecords, "curva", {}, false, true, kIncreasing, false, false},
    {K::mountain, S::lineRecords, "montagna", {}, false, false, kFree, false, false, kOf},
    {K::speedIndicator,
     S::lineRecords,
     "indicatori_v",
     {},
     false,
     false,
     kFree,
     false,
     false,
     kAfter},
    {K::locationBoard, S::lineRecords, "cartello", "indicat", false, false, kFree, false, false,
     kAfter},
    {K::brakedMass, S::train, "frenata", "massa", false, false, kFree, true, true},
    {K::cars, S::train, "vetture", {}, false, false, kFree, true, true},
    {K::speed, S::train, "velocit", {}, false, false, kIncreasing, false, true, kOf},
    {K::adhesion, S::train, "aderenza", {}, false, false, kIncreasing, false, true, kOf},
    {K::clock, S::train, "orologio", {}, false, false, kFree, true, false},
    {K::sand, S::train, "sabbia", {}, false, false, kFree, true, false},
    {K::signal, S::train, "segnale", {}, false, false, kIncreasing, false, false, kAfter},
    {K::slowdown, S::train, "rallentamento", {}, false, false, kFree, false, false, kAfter},
    {K::abbattimento, S::train, "abbattimento", {}, false, false, kFree, false, false, kOf},
    {K::station,
     S::train,
     "stazione",
     {},
     false,
     false,
     PositionOrder::strictlyIncreasing,
     false,
     true},
};

// The records with the letters of their words, for the quick half of the keyword tests.
constexpr auto kRecords = [] {
    std::array<RecordGrammar, std::size(kWritten)> records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i] = kWritten[i];
        records[i].letters = lettersOf(records[i].word) | lettersOf(records[i].secondWord);
    }
    return records;
}();

constexpr bool inKindOrder() {
    for (std::size_t i = 0; i < std::size(kRecords); ++i) {
        if (kRecords[i].kind != static_cast<RecordKind>(i)) return false;
        if (i > 0 && kRecords[i].section < kRecords[i - 1].section) return false;
    }
    return true;
}
static_assert(inKindOrder(), "the records stand in the order of RecordKind, section by section");

// Where each section's records stand in kRecords: the first and one past the last.
constexpr std::pair<std::size_t, std::size_t> boundsOf(Section section) {
    std::size_t first = 0;
    while (first < std::size(kRecords) && kRecords[first].section != section) ++first;
    std::size_t end = first;
    while (end < std::size(kRecords) && kRecords[end].section == section) ++end;
    return {first, end};
}
constexpr std::pair<std::size_t, std::size_t> kSectionBounds[] = {
    boundsOf(Section::lineGeneral), boundsOf(Section::lineRecords), boundsOf(Section::train)};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool hasWord(std::string_view field, std::string_view word) {
    return word.empty() || containsIgnoringCase(field, word);
}

}  // namespace

bool RecordGrammar::holds(std::string_view field, std::string_view w) const {
    return caseSensitive ? contains(field, w) : containsIgnoringCase(field, w);
}

bool RecordGrammar::matchesIgnoringCase(std::string_view field) const {
    return hasWord(field, word) && hasWord(field, secondWord);
}

std::span<const RecordGrammar> allRecords() {
    return kRecords;
}

std::span<const RecordGrammar> sectionRecords(Section section) {
    const auto [first, end] = kSectionBounds[static_cast<std::size_t>(section)];
    return std::span<const RecordGrammar>(kRecords).subspan(first, end - first);
}

const RecordGrammar& recordGrammar(RecordKind kind) {
    return kRecords[static_cast<std::size_t>(kind)];
}

std::optional<int> cellOffset(const RecordGrammar& record) {
    switch (record.cell) {
        case PositionCell::ofPosition:
            return 0;
        case PositionCell::afterPosition:
            return 1;
        case PositionCell::none:
            break;
    }
    return std::nullopt;
}

std::int64_t positionCell(RecordKind kind, std::int64_t position) {
    const std::optional<int> offset = cellOffset(recordGrammar(kind));
    if (!offset) throw std::logic_error("a record whose position takes no cell was placed");
    return cellOf(position, *offset);
}

int commentFieldsDropped(Section section) {
    return section == Section::lineGeneral ? 10 : 2;
}

bool contains(std::string_view field, std::string_view what) {
    return field.find(what) != std::string_view::npos;
}

bool containsIgnoringCase(std::string_view field, std::string_view what) {
    if (what.size() > field.size()) return false;
    for (std::size_t i = 0; i + what.size() <= field.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && lower(field[i + k]) == lower(what[k])) ++k;
        if (k == what.size()) return true;
    }
    return false;
}

bool isHeading(std::string_view field) {
    const std::size_t first = field.find_first_not_of(" \t");
    return contains(field, "[") && contains(field, "]") &&
           (first == std::string_view::npos || field[first] != kCommentMark);
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

}  // namespace scenario
