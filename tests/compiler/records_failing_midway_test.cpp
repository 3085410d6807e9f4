// A record that fails part way keeps the fields it stored before the failure, and only those:
// the train file written for the failed compilation (as the installer and --write-on-error
// write it) shows them. Each case decodes the train file's entries at their byte offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compile_support.h"

namespace scenario {
namespace {

using testing::compile;
using testing::shortLine;
using testing::train;

// Where each field of a train file entry starts; the fields after the text move by its length.
enum class Field {
    kind,
    long1,
    long2,
    long3,
    flag,
    textLength,
    int1,
    int3,
    int4,
    byte2,
    byte3,
    byte4,
    long4
};

struct FieldPlace {
    std::size_t offset;
    std::size_t size;
    bool afterText;
    bool isSigned;
};

FieldPlace placeOf(Field f) {
    switch (f) {
        case Field::kind:
            return {0, 1, false, false};
        case Field::long1:
            return {1, 4, false, true};
        case Field::long2:
            return {5, 4, false, true};
        case Field::long3:
            return {9, 4, false, true};
        case Field::flag:
            return {13, 1, false, false};
        case Field::textLength:
            return {14, 2, false, false};
        case Field::int1:
            return {16, 2, true, true};
        case Field::int3:
            return {20, 2, true, true};
        case Field::int4:
            return {22, 2, true, true};
        case Field::byte2:
            return {27, 1, true, false};
        case Field::byte3:
            return {28, 1, true, false};
        case Field::byte4:
            return {29, 1, true, false};
        case Field::long4:
            return {30, 4, true, true};
    }
    return {};
}

std::uint64_t littleEndian(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint64_t v = 0;
    for (std::size_t k = size; k-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(bytes.at(at + k));
    return v;
}

// The value of `field` in entry `entry` of a train file: each entry is 34 bytes plus its text.
std::int64_t decode(const std::string& sim, int entry, Field field) {
    std::size_t start = 0;
    for (int e = 0; e < entry; ++e) start += 34 + littleEndian(sim, start + 14, 2);
    const FieldPlace p = placeOf(field);
    const std::size_t at = start + p.offset + (p.afterText ? littleEndian(sim, start + 14, 2) : 0);
    const std::uint64_t raw = littleEndian(sim, at, p.size);
    if (!p.isSigned) return static_cast<std::int64_t>(raw);
    const std::uint64_t sign = std::uint64_t{1} << (8 * p.size - 1);
    return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

std::string trainFileOf(const Compilation& c) {
    for (const CompiledFile& file : c.files()) {
        if (file.name != trainFileName(c.model.lineName, c.model.trainName)) continue;
        std::string bytes;
        file.produce([&bytes](std::string_view piece) { bytes += piece; });
        return bytes;
    }
    return {};
}

struct Stored {
    int entry;
    Field field;
    std::int64_t value;
};

struct MidwayCase {
    const char* name;
    std::string line;
    std::string train;
    ErrorCode code;
    std::vector<Stored> fields;
};

// A station at 3150 m of kind 2, 900 m long, with codes 1, 1, 1 in fields 4 to 6, 4 and 1 in
// fields 7 and 8, 1 in field 9, 2, 1, 1 in fields 10 to 12, 1 in field 13, followed by `rest`.
std::string stationAt3150(const std::string& rest) {
    return "[generale]\r\nstazione, 3150, 2, 900, 1, 1, 1, 4, 1, 1, 2, 1, 1, 1, " + rest;
}

const std::vector<MidwayCase>& midwayCases() {
    static const std::vector<MidwayCase> cases = {
        // Everything up to the seconds is stored, the time included; the area and the name are
        // not, and the forced fields keep what was read.
        {"station name missing where the file ends",
         shortLine(),
         stationAt3150("9, 13, 5\r\n"),
         ErrorCode::readFailure,
         {{1, Field::long3, 3150},
          {1, Field::kind, 2},
          {1, Field::flag, 1},
          {1, Field::byte4, 1},
          {1, Field::byte3, 1},
          {1, Field::int1, 4},
          {1, Field::int4, 1},
          {1, Field::byte2, 1},
          {1, Field::long4, (9 * 60 + 13) * 60 + 5},
          {1, Field::textLength, 0},
          {1, Field::long1, 0},
          {1, Field::long2, 0}}},
        // A time beyond 32 bits fails before the name is read.
        {"station time too large, name present",
         shortLine(),
         stationAt3150("1000000, 0, 0, GENOVA P.PRINCIPE\r\n[fine]\r\n"),
         ErrorCode::readFailure,
         {{1, Field::byte2, 1}, {1, Field::long4, 0}, {1, Field::textLength, 0}}},
        {"station field 7 too large for 16 bits",
         shortLine(),
         train("stazione, 3150, 2, 900, 1, 1, 1, 40000, 1, 1, 2, 1, 1, 1, 9, 13, 5, X\r\n"),
         ErrorCode::readFailure,
         {{1, Field::byte3, 1}, {1, Field::int1, 0}, {1, Field::long4, 0}}},
        {"station position off the 50 m grid",
         shortLine(),
         train("stazione, 3160, 2, 900, 1, 1, 1, 4, 1, 1, 2, 1, 1, 1, 9, 13, 5, X\r\n"),
         ErrorCode::stationPositionNotMultipleOf50,
         {{1, Field::long3, 3160}, {1, Field::kind, 0}}},
        {"station length off the 100 m grid",
         shortLine(),
         train("stazione, 3150, 2, 950, 1, 1, 1, 4, 1, 1, 2, 1, 1, 1, 9, 13, 5, X\r\n"),
         ErrorCode::stationLengthNotMultipleOf100,
         {{1, Field::long3, 3150}, {1, Field::kind, 2}, {1, Field::flag, 0}}},
        {"clock without its minutes where the file ends",
         shortLine(),
         "[generale]\r\norologio, 9\r\n",
         ErrorCode::readFailure,
         {{86, Field::int3, 9}, {86, Field::int4, 0}}},
        {"progressive without its third value where the file ends",
         "[generale]\r\nlunghezza percorso, 10000\r\ntre progressiva, 1000, 2050\r\n",
         train(),
         ErrorCode::readFailure,
         {{81, Field::long1, 1000}, {81, Field::long2, 2050}, {81, Field::long3, 0}}},
        {"signal repetition off the 50 m grid",
         "[generale]\r\nlunghezza percorso, 10000\r\nripetizione segnali 4 codici, 525, 1000\r\n"
         "[curve]\r\n[fine]\r\n",
         train(),
         ErrorCode::firstRepetitionNotMultipleOf50,
         {{86, Field::long1, 525}, {86, Field::long2, 1000}, {86, Field::long3, 0}}},
        {"signal repetition without its second value where the file ends",
         "[generale]\r\nlunghezza percorso, 10000\r\nripetizione segnali 4 codici, 500\r\n",
         train(),
         ErrorCode::readFailure,
         {{86, Field::long1, 500}, {86, Field::long2, 0}}},
    };
    return cases;
}

TEST(RecordsFailingMidway, TheTrainFileHoldsTheFieldsStoredBeforeTheFailure) {
    for (const MidwayCase& c : midwayCases()) {
        SCOPED_TRACE(c.name);
        const Compilation compilation = compile(c.line, c.train);
        EXPECT_EQ(compilation.model.error.errorCode, c.code);
        const std::string sim = trainFileOf(compilation);
        ASSERT_FALSE(sim.empty());
        for (const Stored& s : c.fields) {
            EXPECT_EQ(decode(sim, s.entry, s.field), s.value)
                << "entry " << s.entry << ", field " << static_cast<int>(s.field);
        }
    }
}

}  // namespace
}  // namespace scenario
