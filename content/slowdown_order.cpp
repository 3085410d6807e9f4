// The slowdown order (form M. 3) handed to the driver of train 514: a table of the temporary
// speed restrictions on the line, empty for this run but for "Nessun rallentamento".
#include <string>
#include <vector>

#include "content/owned_line_table.h"
#include "content/scenario_content.h"

namespace scenario::content {
namespace {

constexpr const char* kEmptyRow =
    " |   |                            |            |          |         |            |";
constexpr const char* kTableRule =
    " |___|____________________________|____________|__________|_________|____________|";

// The table body has room for 26 restrictions.
constexpr int kBodyRows = 26;

std::vector<std::string> buildSlowdownOrder() {
    std::vector<std::string> lines = {
        "",
        "                               Modulo M. 3",
        "                           ORDINE DI RALLENTAMENTO",
        " ________________________________________________________________________________",
        "  Linea  GENOVA TORINO",
        "",
        "  Si ordina al macchinista del treno 514 di effettuare i seguenti rallentamenti",
        "  _______________________________________________________________________________",
        " |   |                            |Inizio dopo |          |         |            |",
        " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
        " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
        kTableRule,
        kEmptyRow,
        " |   |  Nessun rallentamento      |            |          |         |            |",
    };
    for (int row = 2; row < kBodyRows; ++row) lines.push_back(kEmptyRow);
    lines.push_back(kTableRule);
    const char* prescriptions[] = {
        "",
        "              Prescrizioni specifiche",
        " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
        " B - Interessa anche la stazione di.......",
        " D - Rallentamneto N. ... e N. ...  sono contigui",
        " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
        "     i giorni esclusi i seguenti:.........",
    };
    lines.insert(lines.end(), std::begin(prescriptions), std::end(prescriptions));
    return lines;
}

}  // namespace

std::span<const std::string_view> slowdownOrder() {
    static const OwnedLineTable table(buildSlowdownOrder());
    return table.entries();
}

}  // namespace scenario::content
