// A windowed program that runs the installer's compiler stage, on the Windows window and message
// box, over descriptions that put a signal in the route's first 50 m, where the stamps go: the
// compiler then ends the run through errore. The Windows tests start it under Wine beside its
// own descriptions to see the message box and the exit status a person would get.
#include <cstdint>
#include <memory>
#include <string_view>

#include "app/main_window.h"
#include "app/run_installer.h"
#include "platform/files.h"
#include "platform/ui.h"

int main() {
    const std::unique_ptr<platform::Ui> ui = platform::makeUi();
    return app::runReportingFailures(*ui, [&] {
        app::Form1 form(*ui);
        form.lineName = "GENOVA_TORINO";
        form.trainName = "IC514";
        ui->showWaitWindow();
        const std::string dir = platform::appDir();
        platform::replaceFile(
            platform::joinPath(dir, "GENOVA_TORINO_linea.txt"),
            std::string_view("[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n[fine]\r\n"));
        platform::replaceFile(
            platform::joinPath(dir, "GENOVA_TORINO_IC514-.txt"),
            std::string_view("[generale]\r\nsegnale, 20, 1,1,1,1,0,1,1,1,1,0\r\n[fine]\r\n"));
        std::int32_t j = 1;
        form.memorizza_percorso(j);
    });
}
