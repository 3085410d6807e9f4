#include "compiler/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scenario {
namespace {

// A script of reads: 't' text, 'n' 32-bit, 's' 16-bit, 'b' 8-bit; each read's result as text,
// "FAIL" for a read failure; and whether the end-of-file test holds after each read.
struct Case {
    const char* name;
    std::string input;
    std::string reads;
    std::vector<std::string> expected;
    std::vector<bool> atEnd;
};

std::string readOne(FieldReader& in, char kind) {
    try {
        switch (kind) {
            case 't':
                return in.readText();
            case 'n':
                return std::to_string(in.readInt32());
            case 's':
                return std::to_string(in.readInt16());
            default:
                return std::to_string(in.readByte());
        }
    } catch (const ReadFailure&) {
        return "FAIL";
    }
}

TEST(FieldReader, ReadsFieldsAsTheDescriptionsNeedThem) {
    const std::vector<Case> cases = {
        {"text to comma keeps inner blanks",
         "lunghezza percorso,  169000\r\n",
         "tn",
         {"lunghezza percorso", "169000"},
         {false, true}},
        {"leading blanks skipped, trailing dropped",
         "   a b   ,c\r\n",
         "tt",
         {"a b", "c"},
         {false, true}},
        {"line end ends a text field", "abc\r\ndef\r\n", "tt", {"abc", "def"}, {false, true}},
        {"lone LF and lone CR are line ends",
         "abc\ndef\rghi",
         "ttt",
         {"abc", "def", "ghi"},
         {false, false, true}},
        {"blank line is an empty field",
         "a\r\n\r\nb\r\n",
         "ttt",
         {"a", "", "b"},
         {false, false, true}},
        {"quoted text runs to the closing quote",
         "\"a, b\" , c\r\n",
         "tt",
         {"a, b", "c"},
         {false, true}},
        {"numbers separated by blanks alone",
         "orologio,    9               7             0 \r\n",
         "tsss",
         {"orologio", "9", "7", "0"},
         {false, false, false, true}},
        {"blank-only fields read as 0",
         "0,  ,  ,  ,  0\r\n",
         "nnnnn",
         {"0", "0", "0", "0", "0"},
         {false, false, false, false, true}},
        {"empty field before a line end reads as 0",
         "5,\r\n7\r\n",
         "nnn",
         {"5", "0", "7"},
         {false, false, true}},
        {"signed numbers", "-8, +12, -0\r\n", "nnn", {"-8", "12", "0"}, {false, false, true}},
        {"32-bit limits",
         "2147483647, -2147483648, 2147483648\r\n",
         "nnn",
         {"2147483647", "-2147483648", "FAIL"},
         {false, false, true}},
        {"16-bit limits",
         "32767, -32768, 32768\r\n",
         "sss",
         {"32767", "-32768", "FAIL"},
         {false, false, true}},
        {"8-bit limits",
         "255, 0, 256, -1\r\n",
         "bbbb",
         {"255", "0", "FAIL", "FAIL"},
         {false, false, false, true}},
        {"a huge number does not fit", "99999999999999999999999\r\n", "n", {"FAIL"}, {true}},
        {"not a number",
         "abc, 12x, 1.5, -\r\n",
         "nnnn",
         {"FAIL", "FAIL", "FAIL", "FAIL"},
         {false, false, false, true}},
        {"reading past the end fails", "a\r\n", "tt", {"a", "FAIL"}, {true, true}},
        {"empty input fails at once", "", "t", {"FAIL"}, {true}},
        {"last field without line end", "x, 42", "tn", {"x", "42"}, {false, true}},
        {"trailing blank line is not the end",
         "[fine]\r\n\r\n",
         "tt",
         {"[fine]", ""},
         {false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FieldReader in(c.input);
        ASSERT_EQ(c.reads.size(), c.expected.size());
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            EXPECT_EQ(readOne(in, c.reads[i]), c.expected[i]) << "read " << i;
            EXPECT_EQ(in.atEnd(), c.atEnd[i]) << "after read " << i;
        }
    }
}

// A field's span runs from its first character to just after its last: blanks around it are
// not part of it, the quotes of a quoted text are, and a quoted text may end on a later line.
TEST(FieldReader, RemembersWhereEachFieldStands) {
    FieldReader in(
        "[generale]\r\nlunghezza percorso ,    169000  ,  \r\n  \"x\"\r\n\"a\r\nbc\" ,7");
    const struct {
        char read;  // t text, n number
        FieldSpan span;
    } fields[] = {
        {'t', {{1, 1}, {1, 11}}},  {'t', {{2, 1}, {2, 19}}}, {'n', {{2, 25}, {2, 31}}},
        {'n', {{2, 36}, {2, 36}}}, {'t', {{3, 3}, {3, 6}}},  {'t', {{4, 1}, {5, 4}}},
        {'n', {{5, 6}, {5, 7}}},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(std::to_string(f.span.start.line) + ":" + std::to_string(f.span.start.column));
        if (f.read == 't') {
            in.readText();
        } else {
            in.readInt32();
        }
        EXPECT_EQ(in.fieldPlace(), f.span.start);
        EXPECT_EQ(in.fieldSpan(), f.span);
    }
}

TEST(FieldReader, FailureNamesTheField) {
    FieldReader in("a\r\n  12x\r\n");
    in.readText();
    try {
        in.readInt32();
        FAIL() << "no read failure";
    } catch (const ReadFailure& failure) {
        EXPECT_EQ(failure.place(), (SourcePlace{2, 3}));
        EXPECT_NE(std::string(failure.what()).find("12x"), std::string::npos);
    }
}

}  // namespace
}  // namespace scenario
