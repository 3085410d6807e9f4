#include "app/main_window.h"

#include <optional>
#include <span>
#include <utility>

#include "app/exit_status.h"
#include "compiler/compilation.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "output/compiled_output.h"

namespace app {

Form1::Form1(platform::Ui& ui, DirectoryProvider appDir) : ui_(ui), appDir_(std::move(appDir)) {}

void Form1::Form_Load() {
    lineName = "GENOVA_TORINO";
    trainName = "IC514";

    // The window takes no events once the work starts, so it is painted here or not at all.
    ui_.showWaitWindow();

    // A second copy started in the same folder waits here until this one has ended, then does
    // its whole job: two runs at once would write the same files and delete each other's
    // descriptions while the other reads them.
    // What a run killed part way left of its temporary files goes as the folder is taken.
    const output::TakenFolder folder = output::TakenFolder::take(appDir_(), fileNames());

    dati_linea();
    dati_treno();
    dati_note();
    dati_rallentamenti();
    dati_scheda();
    std::int32_t j = 1;
    memorizza_percorso(j);
}

std::vector<std::string> Form1::fileNames() const {
    namespace content = scenario::content;
    return {content::lineDescriptionName(lineName),
            content::trainDescriptionName(lineName, trainName),
            content::notesName(lineName, trainName),
            content::slowdownOrderName(lineName, trainName),
            content::timetableSheetName(lineName, trainName),
            scenario::linePlanFileName(lineName),
            scenario::trainFileName(lineName, trainName),
            scenario::routeFileName(lineName, trainName)};
}

std::string Form1::pathOf(const std::string& fileName) const {
    return platform::joinPath(appDir_(), fileName);
}

void Form1::dati_linea() {
    scenario::content::writeDocument(pathOf(scenario::content::lineDescriptionName(lineName)),
                                     scenario::content::lineDescription());
}

void Form1::dati_treno() {
    scenario::content::writeDocument(
        pathOf(scenario::content::trainDescriptionName(lineName, trainName)),
        scenario::content::trainDescription());
}

void Form1::dati_note() {
    scenario::content::writeDocument(pathOf(scenario::content::notesName(lineName, trainName)),
                                     scenario::content::notes());
}

void Form1::dati_rallentamenti() {
    scenario::content::writeDocument(
        pathOf(scenario::content::slowdownOrderName(lineName, trainName)),
        scenario::content::slowdownOrder());
}

void Form1::dati_scheda() {
    scenario::content::writeDocument(
        pathOf(scenario::content::timetableSheetName(lineName, trainName)),
        scenario::content::timetableSheet());
}

namespace {

// The descriptions are the ones this run wrote moments before. One that cannot be found or read
// back is a fault of the disk or of another program, not of the scenario: compiling without it
// would write compiled files that lack its records and end as a success. The run stops there,
// before anything is deleted or written, and says which file and why.
scenario::SourceLoader loaderOf(std::string path) {
    return [path = std::move(path)] {
        platform::ReadResult read = platform::readFile(path);
        if (read.status != platform::ReadStatus::ok) {
            throw platform::FileError("cannot read " + path +
                                      (read.reason.empty() ? "" : ": " + read.reason));
        }
        return scenario::SourceFile{scenario::SourceFile::State::loaded, std::move(read.bytes)};
    };
}

}  // namespace

void Form1::memorizza_percorso(std::int32_t& j) {
    namespace content = scenario::content;
    const std::string lineDescription = content::lineDescriptionName(lineName);
    const std::string trainDescription = content::trainDescriptionName(lineName, trainName);
    // The installer only writes the plan: its points are computed as they are encoded.
    compilation =
        scenario::compile({lineName, trainName},
                          {loaderOf(pathOf(lineDescription)), loaderOf(pathOf(trainDescription))},
                          {.makeTrackPlan = j, .planPoints = scenario::PlanPoints::drawingOnly});
    if (compilation.reading.lineConsumed) platform::removeFile(pathOf(lineDescription));
    if (compilation.reading.trainConsumed) platform::removeFile(pathOf(trainDescription));

    // No route (only when the descriptions were taken away during the run) is told by the code
    // the readers recorded.
    if (const std::optional<output::Unwritable> why = output::unwritable(compilation)) {
        errore(std::to_string(scenario::codeNumber(why->code)));
    }
    output::writeCompiledFiles(compilation.files(),
                               [this](const std::string& name) { return pathOf(name); });
}

void Form1::errore(const std::string& a) {
    ui_.showMessage(" Errore n. " + a);
    throw ProgramEnd{kExitFatalCompilerError};
}

}  // namespace app
