// Columns between the editor and the descriptions: the editor's units (UTF-16 or UTF-8) of a
// line, its edits applied at those positions, the bytes a save as Windows-1252 gives, and the
// file: URIs that name the descriptions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/editor_server/document_text.h"
#include "tools/editor_server/file_uri.h"
#include "tools/editor_server/saved_bytes.h"

namespace tool::editor {
namespace {

TEST(EditorText, ColumnsInTheUnitsOfEachEncoding) {
    // "città €5 😀x": à and € take 2 and 3 bytes of UTF-8 and one UTF-16 unit each; 😀 takes
    // 4 bytes and a surrogate pair.
    const std::string line =
        "citt\xC3\xA0 \xE2\x82\xAC"
        "5 \xF0\x9F\x98\x80x";
    struct Case {
        std::size_t byte;
        std::size_t utf16;
        std::size_t utf8;
    };
    const std::vector<Case> cases{{0, 0, 0},   {4, 4, 4},   {6, 5, 6},    {7, 6, 7},
                                  {10, 7, 10}, {12, 9, 12}, {16, 11, 16}, {17, 12, 17}};
    for (const Case& c : cases) {
        EXPECT_EQ(unitsBefore(line, c.byte, PositionEncoding::utf16), c.utf16) << c.byte;
        EXPECT_EQ(unitsBefore(line, c.byte, PositionEncoding::utf8), c.utf8) << c.byte;
        EXPECT_EQ(byteOffsetAt(line, c.utf16, PositionEncoding::utf16), c.byte) << c.byte;
        EXPECT_EQ(byteOffsetAt(line, c.utf8, PositionEncoding::utf8), c.byte) << c.byte;
    }
    // Half a surrogate pair, or inside a UTF-8 sequence, goes back to the character's start;
    // past the end stops at the end.
    EXPECT_EQ(byteOffsetAt(line, 10, PositionEncoding::utf16), 12u);
    EXPECT_EQ(byteOffsetAt(line, 5, PositionEncoding::utf8), 4u);
    EXPECT_EQ(byteOffsetAt(line, 99, PositionEncoding::utf16), line.size());
    EXPECT_EQ(charactersBefore(line, 12), 9u);
    EXPECT_EQ(byteOffsetOfCharacter(line, 9), 12u);
}

TEST(EditorText, LinesEndAtCrLfCrOrLf) {
    const DocumentText text("a\r\nb\rc\nd\r\n");
    ASSERT_EQ(text.lineCount(), 5u);
    EXPECT_EQ(text.line(0), "a");
    EXPECT_EQ(text.line(1), "b");
    EXPECT_EQ(text.line(2), "c");
    EXPECT_EQ(text.line(3), "d");
    EXPECT_EQ(text.line(4), "");
    EXPECT_EQ(text.offsetOf({2, 0}, PositionEncoding::utf16), 5u);
    EXPECT_EQ(text.offsetOf({2, 9}, PositionEncoding::utf16), 6u) << "clamped to the line";
    EXPECT_EQ(text.offsetOf({9, 0}, PositionEncoding::utf16), text.text().size());
    EXPECT_EQ(text.positionOf(5, PositionEncoding::utf16), (Position{2, 0}));
}

TEST(EditorText, EditsAtEditorPositions) {
    struct Case {
        const char* name;
        std::string before;
        Position from;
        Position to;
        std::string with;
        PositionEncoding encoding;
        std::string after;
    };
    const std::vector<Case> cases{
        {"after an accented name, UTF-16",
         "stazione, CITT\xC3\x80, 5\r\n",
         {0, 17},
         {0, 18},
         "6",
         PositionEncoding::utf16,
         "stazione, CITT\xC3\x80, 6\r\n"},
        {"after an accented name, UTF-8",
         "stazione, CITT\xC3\x80, 5\r\n",
         {0, 18},
         {0, 19},
         "6",
         PositionEncoding::utf8,
         "stazione, CITT\xC3\x80, 6\r\n"},
        {"a line joined", "a\r\nb\r\n", {0, 1}, {1, 0}, "", PositionEncoding::utf16, "ab\r\n"},
        {"a line split", "ab", {0, 1}, {0, 1}, "\r\n", PositionEncoding::utf16, "a\r\nb"},
        {"after a character beyond U+FFFF",
         "\xF0\x9F\x98\x80"
         "1",
         {0, 2},
         {0, 3},
         "2",
         PositionEncoding::utf16,
         "\xF0\x9F\x98\x80"
         "2"},
        {"at the end", "a\r\n", {1, 0}, {1, 0}, "[fine]", PositionEncoding::utf16, "a\r\n[fine]"},
    };
    for (const Case& c : cases) {
        DocumentText text(c.before);
        text.replace(text.offsetOf(c.from, c.encoding), text.offsetOf(c.to, c.encoding), c.with);
        EXPECT_EQ(text.text(), c.after) << c.name;
        EXPECT_EQ(text.lineCount(), DocumentText(c.after).lineCount()) << c.name;
    }
}

TEST(EditorText, SavedAsWindows1252WithEveryUnsavableCharacterPlaced) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string bytes;
        std::vector<UnsavableCharacter> unsavable;
    };
    const std::vector<Case> cases{
        {"ASCII", "segnale, 2600\r\n", "segnale, 2600\r\n", {}},
        {"letters of the code page",
         "CITT\xC3\x80 \xE2\x82\xAC \xC5\x92",
         "CITT\xC0 \x80 \x8C",
         {}},
        {"a character outside it", "a\r\nb \xE2\x9C\x93 c", "a\r\nb ? c", {{1, 2, 0x2713}}},
        {"beyond U+FFFF, one character",
         "\xF0\x9F\x98\x80"
         "x\ry\xE2\x9C\x93",
         "?x\ry?",
         {{0, 0, 0x1F600}, {1, 1, 0x2713}}},
        {"a C1 control", "\xC2\x81", "?", {{0, 0, 0x81}}},
        {"bytes that are no UTF-8", "\xFF\xC3", "??", {{0, 0, 0xFFFD}, {0, 1, 0xFFFD}}},
    };
    for (const Case& c : cases) {
        const SavedBytes saved = bytesAsSaved(c.utf8);
        EXPECT_EQ(saved.bytes, c.bytes) << c.name;
        ASSERT_EQ(saved.unsavable.size(), c.unsavable.size()) << c.name;
        EXPECT_EQ(saved.unsavableCount, c.unsavable.size()) << c.name;
        for (std::size_t i = 0; i < c.unsavable.size(); ++i) {
            EXPECT_EQ(saved.unsavable[i].line, c.unsavable[i].line) << c.name;
            EXPECT_EQ(saved.unsavable[i].character, c.unsavable[i].character) << c.name;
            EXPECT_EQ(saved.unsavable[i].code, c.unsavable[i].code) << c.name;
        }
    }
    // A whole text of them is counted, and only the first ones are placed.
    std::string many;
    for (int i = 0; i < 1000; ++i) many += "\xE2\x9C\x93";
    const SavedBytes saved = bytesAsSaved(many);
    EXPECT_EQ(saved.bytes, std::string(1000, '?'));
    EXPECT_EQ(saved.unsavableCount, 1000u);
    EXPECT_EQ(saved.unsavable.size(), kMaxUnsavableTold);
}

TEST(EditorText, FileUris) {
    EXPECT_EQ(pathFromUri("file:///home/a/X_linea.txt"), "/home/a/X_linea.txt");
    EXPECT_EQ(pathFromUri("file://localhost/home/a%20b/CITT%C3%80_linea.txt"),
              "/home/a b/CITT\xC3\x80_linea.txt");
    EXPECT_EQ(pathFromUri("untitled:Untitled-1"), std::nullopt);
    EXPECT_EQ(pathFromUri("file://server/share/x.txt"), std::nullopt);
    EXPECT_EQ(pathFromUri("file:///a%2"), std::nullopt);
    EXPECT_EQ(pathFromUri("file:///a%00b"), std::nullopt);
    EXPECT_EQ(uriFromPath("/home/a b/CITT\xC3\x80_linea.txt"),
              "file:///home/a%20b/CITT%C3%80_linea.txt");
    for (const char* path : {"/tmp/x/GENOVA_TORINO_IC514-.txt", "/a/%25 #?/b"}) {
        EXPECT_EQ(pathFromUri(uriFromPath(path)), path);
    }
}

}  // namespace
}  // namespace tool::editor
