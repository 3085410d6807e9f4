// The grammar of the two descriptions, written down once: for each kind of record the section
// it belongs to, the words its keyword field must hold, whether capitals count, and its value
// fields in the order they are read, each with its name, the width it is read in, its unit, the
// range of values the format reference documents and what it means. The readers take their
// keyword tests and field lists from here; the tools read it to recognise records, count their
// fields and name them; docs/format.md's keyword and field tables are held to it by a test.
//
// The keyword tests (description_grammar.cpp) hold their words in place, and the reference's
// words (description_reference.cpp: spellings, fields, meanings) stand apart from them, so that
// a program that only compiles carries none of those words and relocates no table as it starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace scenario {

// Where a record is recognised: the line description's general section (from "[generale]" to
// the first heading after it), the rest of the line description, or the train description
// after its "[generale]".
enum class Section { lineGeneral, lineRecords, train };

// Every kind of record, in the order the readers test for them within each section.
enum class RecordKind {
    lineLength,
    progressiveTre,
    progressiveDue,
    progressiveUno,
    backgroundUno,
    backgroundDue,
    backgroundTre,
    signalRepetition,
    gradient,
    curve,
    mountain,
    speedIndicator,
    locationBoard,
    brakedMass,
    cars,
    speed,
    adhesion,
    clock,
    sand,
    signal,
    slowdown,
    abbattimento,
    station,
};

// How a field is read: a number of that width (a number that does not fit is a read failure),
// or a text.
enum class FieldWidth { int32, int16, byte, text };

// The values the format reference documents for a field, beyond what its width allows: a span
// (or two), a step, a few values written in the keyword, a longest text, or words that name no
// checkable range ("small numbers").
struct ValueRange {
    enum class Kind { any, between, multipleOf, oneOf, textBytes, words };
    Kind kind = Kind::any;
    std::int64_t low = 0;  // between: the first span; multipleOf: the step; textBytes: the most
    std::int64_t high = 0;
    std::int64_t secondLow = 0;  // between: a second span when secondHigh > secondLow
    std::int64_t secondHigh = 0;
    std::string_view text;  // oneOf: the values, each one character; words: the words
};

constexpr ValueRange anyValue() {
    return {};
}
constexpr ValueRange between(std::int64_t low, std::int64_t high) {
    return {ValueRange::Kind::between, low, high, 0, 0, {}};
}
constexpr ValueRange between(std::int64_t low, std::int64_t high, std::int64_t secondLow,
                             std::int64_t secondHigh) {
    return {ValueRange::Kind::between, low, high, secondLow, secondHigh, {}};
}
constexpr ValueRange multipleOf(std::int64_t step) {
    return {ValueRange::Kind::multipleOf, step, 0, 0, 0, {}};
}
constexpr ValueRange oneOf(std::string_view characters) {
    return {ValueRange::Kind::oneOf, 0, 0, 0, 0, characters};
}
constexpr ValueRange atMostBytes(std::int64_t most) {
    return {ValueRange::Kind::textBytes, most, 0, 0, 0, {}};
}
constexpr ValueRange inWords(std::string_view words) {
    return {ValueRange::Kind::words, 0, 0, 0, 0, words};
}

struct FieldGrammar {
    std::string_view name;  // the field's name in the format reference
    FieldWidth width = FieldWidth::int32;
    std::string_view unit;  // "m", "km/h", "per mille", ...; empty for a plain number
    ValueRange range;
    std::string_view meaning;  // one line, in the format reference's words
};

// The letters a to z that a text holds in either case, one bit each: a word can stand in a
// field only when the field holds all of its letters, which most tests can tell at once.
constexpr std::uint32_t lettersOf(std::string_view text) {
    std::uint32_t letters = 0;
    for (const char c : text) {
        const char l = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
        if (l >= 'a' && l <= 'z') letters |= std::uint32_t{1} << (l - 'a');
    }
    return letters;
}

// A keyword field as the keyword tests look at it: as written, and the letters it holds, found
// once for all the tests.
class KeywordField {
  public:
    explicit KeywordField(std::string_view field) : text_(field), letters_(lettersOf(field)) {}
    std::string_view text() const { return text_; }
    std::uint32_t letters() const { return letters_; }

  private:
    std::string_view text_;
    std::uint32_t letters_;
};

// Whether check expects the records of a kind in increasing position, and how strictly.
enum class PositionOrder { free, increasing, strictlyIncreasing };

// A word of a keyword test, held in the table itself rather than pointed at.
class Word {
  public:
    template <std::size_t N>
    consteval Word(const char (&text)[N]) : size_(N - 1) {
        static_assert(N <= sizeof(text_) + 1, "a keyword's word is short");
        for (std::size_t i = 0; i + 1 < N; ++i) text_[i] = text[i];
    }
    constexpr Word() = default;
    constexpr operator std::string_view() const { return {text_, size_}; }
    constexpr bool empty() const { return size_ == 0; }

  private:
    char text_[15]{};
    std::uint8_t size_ = 0;
};

// Which cell a record's position puts its object into: the cell p / 50 for a mark and for
// what holds from a position on (a gradient, a speed, an adhesion, a mountain stretch's start),
// p / 50 + 1 for the objects of signals, slowdowns and boards; none for a record placed by no
// cell of its position.
enum class PositionCell : std::uint8_t { none, ofPosition, afterPosition };

struct RecordGrammar {
    RecordKind kind;
    Section section;
    // The keyword field must contain each word, tested in this order; capitals count only
    // when `caseSensitive`. The second word is empty for a one-word test.
    Word word;
    Word secondWord;
    bool caseSensitive = false;
    // Recognised only when the track plan is compiled.
    bool needsTrackPlan = false;
    PositionOrder order = PositionOrder::free;
    bool once = false;  // a general value: a second record replaces the first
    // A scenario the simulator can drive has one: without it the compiled files hold 0 where
    // its values go (no line, no brakes, no cars, no speed limit, no adhesion, no station).
    bool required = false;
    PositionCell cell = PositionCell::none;
    // The letters of the words, set with the grammar, so that a test can fail without a search.
    std::uint32_t letters = 0;

    // Whether a keyword field passes this record's keyword test.
    bool matches(const KeywordField& field) const {
        if ((letters & ~field.letters()) != 0) return false;
        return holds(field.text(), word) && (secondWord.empty() || holds(field.text(), secondWord));
    }
    bool matches(std::string_view field) const { return matches(KeywordField(field)); }
    // The same test with capitals counting nowhere: what an author who mistyped the case meant.
    bool matchesIgnoringCase(std::string_view field) const;

    // The reference's words for the record (description_reference.cpp):
    // the keyword as the carried descriptions write it, by custom;
    std::string_view spelling() const;
    // what one record gives, in words;
    std::string_view noun() const;
    // the value fields, in the order read;
    std::span<const FieldGrammar> fields() const;
    // the values the keyword field itself carries, and how it carries them, in words.
    std::span<const FieldGrammar> keywordParts() const;
    std::string_view keywordNote() const;

  private:
    bool holds(std::string_view field, std::string_view w) const;
};

// What is added to p / 50 for the cell of a record at position p; none when its position takes
// no cell (PositionCell::none).
std::optional<int> cellOffset(const RecordGrammar& record);
// The cell a record of `kind`, one whose position takes a cell, at `position`: the placements
// take it from here, and the tools that tell where a record stands ask the same.
std::int64_t positionCell(RecordKind kind, std::int64_t position);

// The width a field is read in, as the format reference writes it: "32-bit", "16-bit", "8-bit"
// or "text".
std::string_view widthText(FieldWidth width);

// A range as the format reference writes it: "−100 to 155", "multiple of 50", "`s` or `d`",
// "up to 65,535 bytes"; empty for any value.
std::string rangeText(const ValueRange& range);

// How far a curve of class 1 to 6 turns the track each metre; the class is the first of the
// digits 1 to 6 that its keyword holds.
inline constexpr double kCurveClassTurns[] = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
// A curve whose keyword holds this letter, in either case, turns left; any other turns right.
inline constexpr std::string_view kLeftCurveMark = "s";
// The code systems of the signal repetition: the first of these digits its keyword holds.
inline constexpr std::string_view kRepetitionCodes = "49";

// Every record of a section, in the order the reader tests for them; a keyword field that
// passes several tests is handled by each, in this order, each reading its own fields.
std::span<const RecordGrammar> sectionRecords(Section section);
const RecordGrammar& recordGrammar(RecordKind kind);

// Every record of both descriptions: the line's general section, its records, the train's.
std::span<const RecordGrammar> allRecords();

// How many comment fields in a row a section drops before it examines one as a keyword field.
int commentFieldsDropped(Section section);

// A keyword field that contains it is a comment.
inline constexpr char kCommentMark = '-';
inline bool isComment(std::string_view field) {
    return field.find(kCommentMark) != std::string_view::npos;
}
// A section heading holds "[" and "]" and does not start with the comment mark; the first one
// after "[generale]" ends the line description's general section.
bool isHeading(std::string_view field);
// Everything before the first field that contains it (capitals allowed) is skipped.
inline constexpr std::string_view kGeneralHeading = "[generale]";
// A whole description ends with this heading: the last field of a file is never examined as a
// keyword, so a file that ends otherwise has lost its last field, or was cut short.
inline constexpr std::string_view kEndHeading = "[fine]";
// The section headings the carried descriptions use; the readers know only "[generale]".
std::span<const std::string_view> customHeadings(bool lineDescription);

// Substring tests on keyword fields; only the ASCII letters A to Z match their lower case.
bool contains(std::string_view field, std::string_view what);
bool containsIgnoringCase(std::string_view field, std::string_view what);
std::string lowerAscii(std::string_view text);

}  // namespace scenario
