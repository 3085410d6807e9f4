#include "common/windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace common {
namespace {

struct Conversion {
    const char* utf8;
    std::string expected;
};

TEST(Windows1252Test, ConvertsEachCharacterToItsByte) {
    const Conversion cases[] = {
        {"", ""},
        {"abc ,.'|_", "abc ,.'|_"},
        {"\x7f", "\x7f"},
        {"è", "\xE8"},
        {"à", "\xE0"},
        {"ò", "\xF2"},
        {"°", "\xB0"},
        {"\u00A0", "\xA0"},
        {"ÿ", "\xFF"},
        {"n°3 è",
         "n\xB0"
         "3 \xE8"},
    };
    for (const Conversion& c : cases) {
        EXPECT_EQ(utf8ToWindows1252(c.utf8), c.expected) << c.utf8;
    }
}

// The 27 characters Windows-1252 puts in 0x80 to 0x9F instead of C1 controls.
TEST(Windows1252Test, ConvertsTheCharactersOfTheHighControlRange) {
    const struct {
        char32_t character;
        unsigned char byte;
    } table[] = {
        {U'\u20AC', 0x80}, {U'\u201A', 0x82}, {U'\u0192', 0x83}, {U'\u201E', 0x84},
        {U'\u2026', 0x85}, {U'\u2020', 0x86}, {U'\u2021', 0x87}, {U'\u02C6', 0x88},
        {U'\u2030', 0x89}, {U'\u0160', 0x8A}, {U'\u2039', 0x8B}, {U'\u0152', 0x8C},
        {U'\u017D', 0x8E}, {U'\u2018', 0x91}, {U'\u2019', 0x92}, {U'\u201C', 0x93},
        {U'\u201D', 0x94}, {U'\u2022', 0x95}, {U'\u2013', 0x96}, {U'\u2014', 0x97},
        {U'\u02DC', 0x98}, {U'\u2122', 0x99}, {U'\u0161', 0x9A}, {U'\u203A', 0x9B},
        {U'\u0153', 0x9C}, {U'\u017E', 0x9E}, {U'\u0178', 0x9F},
    };
    for (const auto& entry : table) {
        // Encoded by hand so that the expectation does not rest on the decoder under test.
        std::string utf8;
        const char32_t c = entry.character;
        if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
        EXPECT_EQ(utf8ToWindows1252(utf8), std::string(1, static_cast<char>(entry.byte)))
            << "U+" << std::hex << static_cast<unsigned>(c);
    }
}

TEST(Windows1252Test, RefusesWhatTheCodePageCannotHoldOrIsNotUtf8) {
    const struct {
        const char* name;
        std::string utf8;
    } cases[] = {
        // C1 controls, including those whose bytes the code page leaves undefined.
        {"U+0081", "\xC2\x81"},
        {"U+008D", "\xC2\x8D"},
        {"U+0090", "\xC2\x90"},
        {"U+009D", "\xC2\x9D"},
        {"U+0080", "\xC2\x80"},
        {"Latin Extended-A", "\xC5\x81"},  // U+0141
        {"Cyrillic", "\xD0\x96"},          // U+0416
        {"outside the BMP", "\xF0\x9F\x9A\x82"},
        {"lone continuation byte", "a\x80"},
        {"raw Windows-1252 byte", "\xE8"},
        {"truncated sequence", "\xE2\x82"},
        {"overlong slash", "\xC0\xAF"},
        {"overlong three-byte", "\xE0\x80\xAF"},
        {"surrogate", "\xED\xA0\x80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(utf8ToWindows1252(c.utf8), EncodingError) << c.name;
    }
}

TEST(Windows1252Test, ErrorNamesTheCharacterAndItsOffset) {
    try {
        utf8ToWindows1252("abc\xC5\x81");
        FAIL() << "no error";
    } catch (const EncodingError& e) {
        EXPECT_STREQ(e.what(), "character U+0141 has no Windows-1252 byte at byte 3");
    }
}

// Every byte back to UTF-8 and again to the same byte: the two directions read one table. The
// five bytes the code page leaves undefined have no character to go back from.
TEST(Windows1252Test, EveryDefinedByteComesBackFromItsCharacter) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = utf8FromWindows1252(byte);
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;  // U+FFFD
        } else {
            EXPECT_EQ(utf8ToWindows1252(utf8), byte) << b;
        }
    }
    EXPECT_EQ(utf8FromWindows1252("n\xB0"
                                  "3 \xE8 \x80"),
              "n°3 è €");
}

TEST(Windows1252Test, LowerCaseFollowsTheCodePage) {
    EXPECT_EQ(lowerWindows1252("AZ\xC0\xD6\xD7\xD8\xDE\xDF\x8A\x8C\x8E\x9F@[`{"),
              "az\xE0\xF6\xD7\xF8\xFE\xDF\x9A\x9C\x9E\xFF@[`{");
}

}  // namespace
}  // namespace common
