// The installer's window. It owns the whole state of one run, and its methods are the stages of
// the run, called in a fixed order from Form_Load.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compiler/compilation.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace app {

// Where the scenario's files go: the directory that holds the executable. Asked anew for every
// file name, so that no path is kept between stages.
using DirectoryProvider = std::function<std::string()>;

// Thrown by `errore` to end the program at once. It deliberately derives from no standard
// exception, so that only the program's entry catches it and no stage can go on after it.
struct ProgramEnd {
    int exitStatus;
};

class Form1 {
  public:
    explicit Form1(platform::Ui& ui, DirectoryProvider appDir = &platform::appDir);

    // The whole run: sets the names, shows and paints the window, takes the folder for itself
    // (waiting while another run holds it), writes the five documents in their order and
    // compiles the two descriptions.
    void Form_Load();

    // The five writers, each replacing its document next to the executable.
    void dati_linea();          // line description
    void dati_treno();          // train description
    void dati_note();           // notes for the driver
    void dati_rallentamenti();  // slowdown order
    void dati_scheda();         // train timetable sheet

    // Compiles the two descriptions into the compiled files: reads both into the model,
    // deletes the descriptions it consumed, stamps the scenario and writes the line plan file
    // (only when j is non-zero), the train file and the route file. A reader that put data
    // where the stamps go ends the program through errore, before any compiled file is written.
    void memorizza_percorso(std::int32_t& j);

    // Shows " Errore n. " followed by `a` and ends the program: throws ProgramEnd, and nothing
    // after the call runs.
    [[noreturn]] void errore(const std::string& a);

    std::string lineName;
    std::string trainName;
    // The model and what the compilation made of the descriptions.
    scenario::Compilation compilation;

  private:
    // Every file the run writes, the descriptions included, without a directory.
    std::vector<std::string> fileNames() const;
    std::string pathOf(const std::string& fileName) const;

    platform::Ui& ui_;
    DirectoryProvider appDir_;
};

}  // namespace app
