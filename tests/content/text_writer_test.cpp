#include "content/text_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/windows1252.h"
#include "platform/files.h"
#include "tests/support/scratch.h"

namespace scenario::content {
namespace {

using test_support::slurp;
using test_support::spit;
using test_support::TempDir;

TEST(EncodeDocumentTest, WritesTheLinesBeforeTheMarkerEachEndedByCrLf) {
    const struct {
        const char* name;
        std::vector<std::string_view> table;
        std::string expected;
    } cases[] = {
        {"no lines", {kEndMarker}, ""},
        {"one line", {"[fine]", kEndMarker}, "[fine]\r\n"},
        {"empty entry is a line", {"[fine]", "", "[fine]", kEndMarker}, "[fine]\r\n\r\n[fine]\r\n"},
        {"trailing blanks kept", {"a ", " ", kEndMarker}, "a \r\n \r\n"},
        {"entries after the marker ignored",
         {"a", kEndMarker, "never", kEndMarker, "written"},
         "a\r\n"},
        {"only an exact match ends the table",
         {"riferimento fine del file ", "Riferimento fine del file", " riferimento fine del file",
          kEndMarker},
         "riferimento fine del file \r\nRiferimento fine del file\r\n riferimento fine del "
         "file\r\n"},
        {"Windows-1252, no byte-order mark", {"è à ò °", kEndMarker}, "\xE8 \xE0 \xF2 \xB0\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeDocument(c.table), c.expected) << c.name;
    }
}

TEST(EncodeDocumentTest, TableHoldsAtMostAThousandLinesBeforeItsMarker) {
    std::vector<std::string_view> table(kMaxDocumentEntries - 1, "x");
    table.push_back(kEndMarker);
    EXPECT_EQ(encodeDocument(table).size(), 1000u * 3);

    table.back() = "x";
    table.push_back(kEndMarker);  // entry 1002: outside the table
    EXPECT_THROW(encodeDocument(table), std::invalid_argument);
}

TEST(EncodeDocumentTest, RefusesTablesItCannotWriteFaithfully) {
    const struct {
        const char* name;
        std::vector<std::string_view> table;
    } cases[] = {
        {"no marker", {"a", "b"}},
        {"empty table", {}},
        {"character outside Windows-1252", {"\u0141odz", kEndMarker}},
        {"line feed inside a line", {"a\nb", kEndMarker}},
        {"carriage return inside a line", {"a\rb", kEndMarker}},
    };
    for (const auto& c : cases) {
        EXPECT_ANY_THROW(encodeDocument(c.table)) << c.name;
    }
    EXPECT_THROW(encodeDocument(std::vector<std::string_view>{"a"}), std::invalid_argument);
    EXPECT_THROW(encodeDocument(std::vector<std::string_view>{"\u20ACok", "\u0141", kEndMarker}),
                 common::EncodingError);
}

TEST(WriteDocumentTest, CreatesTheFile) {
    TempDir dir;
    const std::string path = dir.file("doc.txt");
    const std::vector<std::string_view> table = {"[generale]", "", "n°3", kEndMarker};
    writeDocument(path, table);
    EXPECT_EQ(slurp(path),
              "[generale]\r\n\r\nn\xB0"
              "3\r\n");
}

TEST(WriteDocumentTest, ReplacesALongerFileCompletely) {
    TempDir dir;
    const std::string path = dir.file("doc.txt");
    spit(path, std::string(10000, 'Z') + "old content");
    writeDocument(path, std::vector<std::string_view>{"[fine]", kEndMarker});
    EXPECT_EQ(slurp(path), "[fine]\r\n");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"doc.txt"});
}

TEST(WriteDocumentTest, LeavesTheOldFileWhenTheTableCannotBeEncoded) {
    TempDir dir;
    const std::string path = dir.file("doc.txt");
    spit(path, "old");
    EXPECT_THROW(writeDocument(path, std::vector<std::string_view>{"\u0416", kEndMarker}),
                 common::EncodingError);
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"doc.txt"});
}

TEST(WriteDocumentTest, ReportsAFileThatCannotBeWritten) {
    TempDir dir;
    const std::string path = dir.file("doc.txt");
    std::filesystem::create_directory(path);
    EXPECT_THROW(writeDocument(path, std::vector<std::string_view>{"a", kEndMarker}),
                 platform::FileError);
}

}  // namespace
}  // namespace scenario::content
