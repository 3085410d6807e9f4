#include "app/main_window.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "app/run_installer.h"
#include "compiler/error_codes.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/app/test_support.h"

namespace app {
namespace {

using testing::listing;
using testing::RecordingUi;
using testing::slurp;
using testing::spit;
using testing::TempDir;

const std::string kLine = "GENOVA_TORINO_linea.txt";
const std::string kTrain = "GENOVA_TORINO_IC514-.txt";
const std::string kNotes = "GENOVA_TORINO_IC514_note.txt";
const std::string kSlowdowns = "GENOVA_TORINO_IC514_rallentamenti.txt";
const std::string kSheet = "GENOVA_TORINO_IC514_scheda_treno.txt";
const std::string kPlan = "GENOVA_TORINO_linea.dat";
const std::string kTrainFile = "GENOVA_TORINO_IC514.sim";
const std::string kRoute = "GENOVA_TORINO_IC514.dat";

// The directory as each stage saw it: the window's showing and every file name built (each
// writer asks for the directory just before it writes) record what was on disk at that moment.
struct Observation {
    std::string event;
    std::set<std::string> files;
    friend bool operator==(const Observation&, const Observation&) = default;
};

void PrintTo(const Observation& o, std::ostream* os) {
    *os << o.event << " {";
    for (const auto& f : o.files) *os << ' ' << f;
    *os << " }";
}

TEST(Form1Test, PaintsTheWindowThenWritesTheFiveDocumentsInOrder) {
    TempDir dir;
    RecordingUi ui;
    std::vector<Observation> seen;
    ui.onShow = [&] { seen.push_back({"window shown", listing(dir.path())}); };
    Form1 form(ui, [&] {
        seen.push_back({"directory asked", listing(dir.path())});
        return dir.str();
    });

    form.Form_Load();

    EXPECT_EQ(form.lineName, "GENOVA_TORINO");
    EXPECT_EQ(form.trainName, "IC514");
    const std::vector<Observation> expected = {
        {"window shown", {}},
        {"directory asked", {}},  // the folder the run takes for itself
        {"directory asked", {}},
        {"directory asked", {kLine}},
        {"directory asked", {kLine, kTrain}},
        {"directory asked", {kLine, kTrain, kNotes}},
        {"directory asked", {kLine, kTrain, kNotes, kSlowdowns}},
    };
    // The five documents, then the compiler reads both descriptions, deletes them, and writes
    // the compiled files in their order.
    ASSERT_GE(seen.size(), expected.size());
    EXPECT_EQ(std::vector<Observation>(seen.begin(), seen.begin() + expected.size()), expected);
    const std::set<std::string> documents = {kNotes, kSlowdowns, kSheet};
    std::set<std::string> plan = documents, withTrainFile = documents;
    plan.insert(kPlan);
    withTrainFile.insert({kPlan, kTrainFile});
    EXPECT_EQ(seen.back(), (Observation{"directory asked", withTrainFile}));
    EXPECT_EQ(seen[seen.size() - 2], (Observation{"directory asked", plan}));
    EXPECT_EQ(listing(dir.path()),
              (std::set<std::string>{kNotes, kSlowdowns, kSheet, kPlan, kTrainFile, kRoute}));
    EXPECT_EQ(ui.shows, 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Form1Test, EachWriterWritesItsOwnDocument) {
    TempDir dir;
    RecordingUi ui;
    Form1 form(ui, [&] { return dir.str(); });
    // The writers alone: a whole run would compile and delete the two descriptions.
    form.lineName = "GENOVA_TORINO";
    form.trainName = "IC514";
    form.dati_linea();
    form.dati_treno();
    form.dati_note();
    form.dati_rallentamenti();
    form.dati_scheda();

    namespace content = scenario::content;
    const struct {
        std::string name;
        std::string bytes;
    } documents[] = {
        {kLine, content::encodeDocument(content::lineDescription())},
        {kTrain, content::encodeDocument(content::trainDescription())},
        {kNotes, content::encodeDocument(content::notes())},
        {kSlowdowns, content::encodeDocument(content::slowdownOrder())},
        {kSheet, content::encodeDocument(content::timetableSheet())},
    };
    for (const auto& document : documents) {
        SCOPED_TRACE(document.name);
        EXPECT_FALSE(document.bytes.empty());
        EXPECT_EQ(slurp(dir.file(document.name)), document.bytes);
    }
}

TEST(Form1Test, ASecondRunReplacesEveryDocumentWhole) {
    TempDir dir;
    const std::string leftover(200000, 'x');  // longer than any document
    for (const auto& name : {kLine, kTrain, kNotes, kSlowdowns, kSheet}) {
        spit(dir.file(name), leftover);
    }
    RecordingUi ui;
    Form1 form(ui, [&] { return dir.str(); });
    form.Form_Load();

    EXPECT_EQ(slurp(dir.file(kNotes)),
              scenario::content::encodeDocument(scenario::content::notes()));
    EXPECT_EQ(slurp(dir.file(kSheet)),
              scenario::content::encodeDocument(scenario::content::timetableSheet()));
}

TEST(Form1Test, ErroreShowsItsCodeAndNothingAfterItRuns) {
    for (const scenario::ErrorCode stop :
         {scenario::ErrorCode::dataOverFormatStamps, scenario::ErrorCode::dataOverScenarioCodes}) {
        const std::string code = std::to_string(scenario::codeNumber(stop));
        SCOPED_TRACE(code);
        TempDir dir;
        RecordingUi ui;
        const int status = runReportingFailures(ui, [&] {
            Form1 form(ui, [&] { return dir.str(); });
            form.lineName = "GENOVA_TORINO";
            form.trainName = "IC514";
            form.dati_linea();
            form.errore(code);
            form.dati_treno();  // must never run
        });

        EXPECT_EQ(status, kExitFatalCompilerError);
        EXPECT_EQ(ui.messages, std::vector<std::string>{" Errore n. " + code});
        EXPECT_EQ(ui.closes, 1);
        EXPECT_EQ(listing(dir.path()), std::set<std::string>{kLine});
    }
}

}  // namespace
}  // namespace app
