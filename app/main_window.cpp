#include "app/main_window.h"

#include <span>
#include <string_view>
#include <utility>

#include "app/exit_status.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"

namespace app {

Form1::Form1(platform::Ui& ui, DirectoryProvider appDir) : ui_(ui), appDir_(std::move(appDir)) {}

void Form1::Form_Load() {
    lineName = "GENOVA_TORINO";
    trainName = "IC514";

    // The window takes no events once the work starts, so it is painted here or not at all.
    ui_.showWaitWindow();

    dati_linea();
    dati_treno();
    dati_note();
    dati_rallentamenti();
    dati_scheda();
    // The compiler stage, memorizza_percorso with j = 1, runs here once the compiler exists.
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

void Form1::errore(const std::string& a) {
    ui_.showMessage(" Errore n. " + a);
    throw ProgramEnd{kExitFatalCompilerError};
}

}  // namespace app
