// Quick fixes from the mends the diagnostics carry: a word replaced in its line, and text added
// at the end of a description (a missing last line), each offered only where the editor asks.
#include <gtest/gtest.h>

#include <memory>

#include "tools/editor_server/description_check.h"
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

// A train description cut after its last record is told so at its last field, with the
// closing line as the mend: taking it leaves the description whole, and the warning gone.
TEST(EditorQuickFix, AddsTheClosingLineOfADescriptionCutShort) {
    const auto line = std::make_shared<const DocumentText>(
        "[generale]\r\nlunghezza percorso,  10000\r\n[fine]\r\n");
    const std::string whole =
        "[generale]\r\npercentuale massa frenata,  110\r\nnumero vetture,  6\r\n"
        "velocita,  0,  80\r\naderenza,  0,  100\r\n"
        "stazione,  1000,  2,  400,  1, 0, 0,  4,1,1,  2,1,1,  60,  8,30, 0, MONTE\r\n";
    const std::string uri = "file:///x/X_Y-.txt";
    const auto diagnosticsOf = [&](const std::string& train) {
        CheckOrder order;
        order.kind = DescriptionKind::train;
        order.target = {"X_Y-.txt", uri, std::make_shared<const DocumentText>(train)};
        order.line = DescriptionInput{"X_linea.txt", "file:///x/X_linea.txt", line};
        return checkDescription(order, {}).diagnostics;
    };

    const json cut = diagnosticsOf(whole);
    ASSERT_EQ(cut.size(), 1u) << cut.dump(1);
    EXPECT_EQ(cut[0]["code"], "missing-end-header");
    const json fixes = quickFixes(cut, uri, cut[0]["range"]);
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_EQ(fixes[0]["title"], "Write \"[fine]\"");
    const json edit = fixes[0]["edit"]["changes"][uri][0];
    // At the end of the text: after the last line's end, on the line past it.
    EXPECT_EQ(edit["range"]["start"], json::parse(R"({"line": 6, "character": 0})"));
    EXPECT_EQ(edit["newText"], "[fine]\r\n");
    EXPECT_EQ(diagnosticsOf(whole + edit["newText"].get<std::string>()), json::array());

    // Without a line end after the last record, the mend begins with one.
    const json unended = diagnosticsOf(whole.substr(0, whole.size() - 2));
    ASSERT_EQ(unended.size(), 1u) << unended.dump(1);
    EXPECT_EQ(
        quickFixes(unended, uri, unended[0]["range"])[0]["edit"]["changes"][uri][0]["newText"],
        "\r\n[fine]\r\n");
}

}  // namespace
}  // namespace tool::editor
