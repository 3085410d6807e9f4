// The compiler's one entry: names and options in, the model, what the reading consumed, the
// stamp result and the compiled files out.
#include "compiler/compilation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compile_support.h"
#include "compiler/compilation_observer.h"
#include "tests/support/scratch.h"

namespace scenario {
namespace {

using testing::loaderOf;
using testing::shortLine;
using testing::train;

std::string fixture(const std::string& name) {
    return test_support::slurp(std::string(SCENARIO_FIXTURES_DIR) + "/" + name);
}

std::vector<std::string> namesOf(const std::vector<CompiledFile>& files) {
    std::vector<std::string> names;
    for (const CompiledFile& file : files) names.push_back(file.name);
    return names;
}

std::string bytesOf(const CompiledFile& file) {
    std::string bytes;
    file.produce([&bytes](std::string_view piece) { bytes += piece; });
    return bytes;
}

// The files are the model's stamped tables under the scenario's names, the line plan file only
// with the track plan.
TEST(Compilation, GivesTheModelsTablesUnderTheScenariosNames) {
    const std::string line = fixture("COLLE_MARE_linea.txt");
    const std::string trainText = fixture("COLLE_MARE_R2041-.txt");
    for (const std::int32_t j : {1, 0}) {
        SCOPED_TRACE(j);
        const Compilation c = compile({"COLLE_MARE", "R2041"},
                                      {inMemory(line), inMemory(trainText)}, {.makeTrackPlan = j});
        ASSERT_EQ(c.model.error.errorCode, ErrorCode::none);
        ASSERT_EQ(c.stamp, StampResult::stamped);
        EXPECT_TRUE(c.reading.lineConsumed);
        EXPECT_TRUE(c.reading.trainConsumed);
        const std::vector<CompiledFile> files = c.files();
        std::vector<std::string> expected = {"COLLE_MARE_R2041.sim", "COLLE_MARE_R2041.dat"};
        if (j != 0) expected.insert(expected.begin(), "COLLE_MARE_linea.dat");
        ASSERT_EQ(namesOf(files), expected);

        const std::string route = bytesOf(files.back());
        EXPECT_EQ(route, encodeRouteTable(c.model.routeTable));
        EXPECT_EQ(route.size(), 15u * 341);          // cells 0 to lastCell 340
        EXPECT_EQ(route.substr(16, 2), "\x01\x14");  // the format stamp 5121 in cell 1
        EXPECT_EQ(c.model.lineTable[kLineGeneral].text, "COLLE_MARE");
        EXPECT_EQ(c.model.lineTable[kRepetitionEntry].text, "R2041");
        EXPECT_EQ(bytesOf(files[files.size() - 2]), encodeLineTable(c.model.lineTable));
        if (j != 0) {
            EXPECT_EQ(bytesOf(files.front()).size(), 20u * 17000 - 36);
        }
        EXPECT_EQ(c.model.trackPlan.dimensioned(), j != 0);
    }
}

// A compilation that is not stamped gives no file; the reading has still consumed what the
// shell must delete.
TEST(Compilation, UnstampedGivesNoFileButTellsWhatWasConsumed) {
    struct Case {
        const char* what;
        std::optional<std::string> line;
        std::string train;
        StampResult stamp;
        ErrorCode code;
        bool lineConsumed;
        bool trainConsumed;
    };
    const Case cases[] = {
        {"a signal in cell 1", shortLine(), train("segnale, 20, 1,1,1,1,0,1,1,1,1,0\r\n"),
         StampResult::dataOverFormatStamps, ErrorCode::none, true, true},
        {"no line description", std::nullopt, train(), StampResult::noRoute,
         ErrorCode::lineDescriptionMissing, false, false},
        {"a line too long", "[generale]\r\nlunghezza percorso, 1000001\r\n[fine]\r\n", train(),
         StampResult::noRoute, ErrorCode::lineTooLong, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Compilation got =
            compile({"GENOVA_TORINO", "IC514"}, {loaderOf(c.line), loaderOf(c.train)});
        EXPECT_EQ(got.stamp, c.stamp);
        EXPECT_EQ(got.model.error.errorCode, c.code);
        EXPECT_EQ(got.reading.lineConsumed, c.lineConsumed);
        EXPECT_EQ(got.reading.trainConsumed, c.trainConsumed);
        EXPECT_TRUE(got.files().empty());
    }
}

// What an observer hears of a compilation: each record with its keyword's place and its values
// as read (a field that names two records starts each), and each cell placed, by the record
// being read or by the marks pass; the model keeps no pointer to it afterwards.
TEST(Compilation, TellsTheObserverEachRecordAndPlacement) {
    struct Recorder : CompilationObserver {
        struct Record {
            Description file;
            RecordKind kind;
            FieldSpan keyword;
            std::vector<ReadField> fields;
        };
        std::vector<Record> records;
        std::map<std::int64_t, int> placedBy;  // the record's index, -1 for the marks pass
        int current = -1;
        void recordStarts(Description file, RecordKind kind, FieldSpan keyword) override {
            records.push_back({file, kind, keyword, {}});
            current = static_cast<int>(records.size()) - 1;
        }
        void fieldRead(const ReadField& field) override {
            records.back().fields.push_back({field.span, field.number, {}});
        }
        void marksPassStarts() override { current = -1; }
        void placed(std::int64_t cell) override { placedBy[cell] = current; }
        void taken(std::int64_t) override {}
    } recorder;
    const Compilation c = compile(
        {"GENOVA_TORINO", "IC514"},
        {loaderOf(shortLine("montagna, 500, 2850, 11\r\n")),
         loaderOf(train("segnale rallentamento, 2500, 2,3,1,0,0,2,2,1,0,0, 5000, 30, 300, 1, 1, "
                        "0\r\n"))},
        {.makeTrackPlan = 0, .observer = &recorder});
    ASSERT_EQ(c.stamp, StampResult::stamped);
    EXPECT_EQ(c.model.observer, nullptr);

    ASSERT_EQ(recorder.records.size(), 4u);
    const auto values = [&](std::size_t i) {
        std::vector<std::int32_t> v;
        for (const ReadField& f : recorder.records[i].fields) v.push_back(f.number);
        return v;
    };
    EXPECT_EQ(recorder.records[0].kind, RecordKind::lineLength);
    EXPECT_EQ(recorder.records[0].file, Description::line);
    EXPECT_EQ(recorder.records[0].keyword, (FieldSpan{{2, 1}, {2, 19}}));
    EXPECT_EQ(recorder.records[0].fields.at(0).span, (FieldSpan{{2, 21}, {2, 26}}));
    EXPECT_EQ(values(0), std::vector<std::int32_t>{10000});
    EXPECT_EQ(recorder.records[1].kind, RecordKind::mountain);
    EXPECT_EQ(values(1), (std::vector<std::int32_t>{500, 2850, 11}));
    const FieldSpan both{{2, 1}, {2, 22}};
    EXPECT_EQ(recorder.records[2].kind, RecordKind::signal);
    EXPECT_EQ(recorder.records[2].file, Description::train);
    EXPECT_EQ(recorder.records[2].keyword, both);
    EXPECT_EQ(recorder.records[2].fields.size(), 11u);
    EXPECT_EQ(recorder.records[2].fields.at(0).span, (FieldSpan{{2, 24}, {2, 28}}));
    EXPECT_EQ(recorder.records[3].kind, RecordKind::slowdown);
    EXPECT_EQ(recorder.records[3].keyword, both);
    EXPECT_EQ(values(3), (std::vector<std::int32_t>{5000, 30, 300, 1, 1, 0}));

    EXPECT_EQ(recorder.placedBy.at(13), 1);   // a marker of the mountain stretch
    EXPECT_EQ(recorder.placedBy.at(51), 2);   // the signal at 2500 m
    EXPECT_EQ(recorder.placedBy.at(101), 3);  // the slowdown's start at 5000 m
    EXPECT_EQ(recorder.placedBy.at(77), 3);   // its warning board 1200 m before
    int byMarksPass = 0;
    for (const auto& [cell, record] : recorder.placedBy) {
        if (record < 0) {
            ++byMarksPass;
            EXPECT_EQ(c.model.routeTable[static_cast<std::size_t>(cell)].kind, CellKind::kMark);
        }
    }
    EXPECT_GT(byMarksPass, 0);
}

}  // namespace
}  // namespace scenario
