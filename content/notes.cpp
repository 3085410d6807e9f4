// The scenario's notes for the driver: why IC 514 runs on the Isola del Cantone diversion today
// and which timetable sheet to follow from Ronco.
#include <string_view>

#include "content/scenario_content.h"
#include "content/text_writer.h"

namespace scenario::content {
namespace {

// The text keeps its wording as written, blanks included: line 5 ends in a blank.
constexpr std::string_view kNotes[] = {
    "Il treno IC 514 per interruzione della linea diretta fra Ronco Scrivia",
    "ed Arquata Scrivia viene istradato sulla linea Ronco - Isola del Cantone",
    "La scheda treno da guardare una volta arrivati a Ronco è quella n°3",
    "del treno 11514 (di fantasia) che percorre la deviazione.Naturalmente",
    "l'arrivo ad Arquata è fortemente ritardato rispetto alla situazione ",
    "normale . Però la velocità di fiancata consente un bel recupero fino",
    "a Torino P.N. e si può tranquillamente arrivare in orario.",
    "Lo scenario è fedele alla realtà (nella planimetria) nel primo tratto fino a NOVI all'80%",
    "poi al 95%.",
    "Per segnalazioni sullo scenario: scenari@example.org",
    kEndMarker,
};

}  // namespace

std::span<const std::string_view> notes() {
    return kNotes;
}

}  // namespace scenario::content
