// Quick fixes from the mends the diagnostics carry: a word replaced in its line, and text added
// at the end of a description (a missing last line), each offered only where the editor asks.
#include <gtest/gtest.h>

#include "tools/editor_server/published_diagnostics.h"
#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

json withMend(const json& range, const json& replacement) {
    return {{"range", range},
            {"severity", 2},
            {"code", "x"},
            {"message", "m"},
            {"data", {{"replacement", replacement}}}};
}

TEST(EditorQuickFix, EachMendWhereTheEditorAsks) {
    const DocumentText text("[generale]\r\nsegnlae, 1\r\nsegnale, 2");
    const json word = columnsRange(text, 2, 1, 7, PositionEncoding::utf16);
    EXPECT_EQ(word, json::parse(R"({"start": {"line": 1, "character": 0},
                                    "end": {"line": 1, "character": 7}})"));
    // A line past the last is the end of the text.
    const json end = columnsRange(text, 4, 1, 0, PositionEncoding::utf16);
    EXPECT_EQ(end, json::parse(R"({"start": {"line": 2, "character": 10},
                                   "end": {"line": 2, "character": 10}})"));
    const json diagnostics = json::array(
        {withMend(word, {{"range", word}, {"newText", "segnale"}}),
         withMend(end, {{"range", end}, {"newText", "\r\n[fine]\r\n"}}),
         {{"range", word}, {"severity", 1}, {"code", "error-25"}, {"message", "no mend"}}});
    const std::string uri = "file:///x/X_Y-.txt";

    const json onWord = quickFixes(diagnostics, uri, word);
    ASSERT_EQ(onWord.size(), 1u);
    EXPECT_EQ(onWord[0]["title"], "Write \"segnale\"");
    EXPECT_EQ(onWord[0]["kind"], "quickfix");
    EXPECT_EQ(onWord[0]["edit"]["changes"][uri][0]["newText"], "segnale");
    EXPECT_FALSE(onWord[0]["diagnostics"][0].contains("data"));

    const json atEnd = quickFixes(diagnostics, uri, end);
    ASSERT_EQ(atEnd.size(), 1u);
    EXPECT_EQ(atEnd[0]["title"], "Write \"[fine]\"");
    EXPECT_EQ(atEnd[0]["edit"]["changes"][uri][0]["range"], end);

    const json elsewhere = columnsRange(text, 1, 1, 3, PositionEncoding::utf16);
    EXPECT_EQ(quickFixes(diagnostics, uri, elsewhere), json::array());
}

}  // namespace
}  // namespace tool::editor
