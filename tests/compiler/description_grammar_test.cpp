// The description grammar: which records a keyword field names and in what order, and what the
// tools may rely on in its field lists.
#include "compiler/description_grammar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scenario {
namespace {

std::vector<RecordKind> named(Section section, std::string_view field) {
    std::vector<RecordKind> kinds;
    for (const RecordGrammar& r : sectionRecords(section)) {
        if (r.matches(field)) kinds.push_back(r.kind);
    }
    return kinds;
}

TEST(DescriptionGrammar, KeywordFieldsNameRecordsInTheReadersOrder) {
    using K = RecordKind;
    const struct {
        Section section;
        const char* field;
        std::vector<RecordKind> kinds;
    } cases[] = {
        {Section::lineGeneral, "lunghezza percorso", {K::lineLength}},
        {Section::lineGeneral, "LUNGHEZZA PERCORSO", {K::lineLength}},
        {Section::lineGeneral, "progressiva chilometrica due", {K::progressiveDue}},
        {Section::lineGeneral, "Progressiva chilometrica due", {}},
        {Section::lineGeneral, "sfondo uno due", {K::backgroundUno, K::backgroundDue}},
        {Section::lineGeneral, "progressiva tre sfondo", {K::progressiveTre, K::backgroundTre}},
        {Section::lineGeneral, "ripetizione segnali 9 codici", {K::signalRepetition}},
        {Section::lineGeneral, "pendenza", {}},
        {Section::lineRecords, "PENDENZA", {K::gradient}},
        {Section::lineRecords, "curvad3", {K::curve}},
        {Section::lineRecords, "cartello", {}},
        {Section::lineRecords, "Cartello_Indicatore", {K::locationBoard}},
        {Section::lineRecords, "lunghezza percorso", {}},
        {Section::train, "segnale rallentamento", {K::signal, K::slowdown}},
        {Section::train, "rallentamento segnale", {K::signal, K::slowdown}},
        {Section::train, "stazione velocita", {K::speed, K::station}},
        {Section::train, "percentuale massa frenata", {K::brakedMass}},
        {Section::train, "massa", {}},
        {Section::train, "segnlae", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(named(c.section, c.field), c.kinds);
    }
    EXPECT_TRUE(recordGrammar(RecordKind::progressiveUno).matchesIgnoringCase("PROGRESSIVA UNO"));
}

// The tools count on a record's one text field being its last, and on every record's spelling
// passing its own test.
TEST(DescriptionGrammar, EachRecordEndsInItsOnlyTextAndKnowsItsSpelling) {
    for (const RecordGrammar& r : allRecords()) {
        SCOPED_TRACE(std::string(r.spelling()));
        EXPECT_EQ(&recordGrammar(r.kind), &r);
        EXPECT_TRUE(r.matches(r.spelling()));
        // The tests that ignore capitals compare the lowered field with the words as written.
        if (!r.caseSensitive) {
            EXPECT_EQ(lowerAscii(r.word), std::string_view(r.word));
            EXPECT_EQ(lowerAscii(r.secondWord), std::string_view(r.secondWord));
        }
        ASSERT_FALSE(r.fields().empty());
        for (std::size_t i = 0; i + 1 < r.fields().size(); ++i) {
            EXPECT_NE(r.fields()[i].width, FieldWidth::text) << r.fields()[i].name;
        }
        for (const FieldGrammar& f : r.fields()) EXPECT_FALSE(f.meaning.empty()) << f.name;
    }
}

TEST(DescriptionGrammar, RangesReadAsTheReferenceWritesThem) {
    EXPECT_EQ(rangeText(between(0, 1000000)), "0 to 1,000,000");
    EXPECT_EQ(rangeText(between(-100, 155)),
              "\u2212"
              "100 to 155");
    EXPECT_EQ(rangeText(between(-32768, 32767)),
              "\u2212"
              "32,768 to 32,767");
    EXPECT_EQ(rangeText(between(1, 10, 11, 20)), "1 to 10, or 11 to 20");
    EXPECT_EQ(rangeText(multipleOf(50)), "multiple of 50");
    EXPECT_EQ(rangeText(oneOf("sd")), "`s` or `d`");
    EXPECT_EQ(rangeText(atMostBytes(65535)), "up to 65,535 bytes");
    EXPECT_EQ(rangeText(anyValue()), "");
}

TEST(DescriptionGrammar, CommentsAndHeadings) {
    EXPECT_EQ(commentFieldsDropped(Section::lineGeneral), 10);
    EXPECT_EQ(commentFieldsDropped(Section::lineRecords), 2);
    EXPECT_EQ(commentFieldsDropped(Section::train), 2);
    EXPECT_TRUE(isComment("-- a note"));
    EXPECT_TRUE(isHeading("  [curve]"));
    EXPECT_FALSE(isHeading("- [curve]"));
    EXPECT_FALSE(isHeading("[curve"));
}

}  // namespace
}  // namespace scenario
