// The placements that put the descriptions' objects into the route's 50-metre cells: mountain
// stretches and boards from the line description, signals, slowdowns and "abbattimento" marks
// from the train description. A placement takes only a free cell (nothing, or a mountain
// marker); on a taken cell it records its code in the model's ErrorState and writes nothing.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/scenario_model.h"

namespace scenario {

enum class Placement {
    placed,
    taken,    // a cell was taken: errorCode holds the placement's code
    outside,  // a cell would lie outside the route: nothing was written
};

// Mountain stretch from `inizio` to `fine` (metres) of type `tipo`; may change `tipo`. The
// caller has checked that there is room for one more stretch.
Placement memo_montagna(ScenarioModel& model, std::int32_t& inizio, std::int32_t& fine,
                        std::int32_t& tipo);

// Speed indicator board; code 21 on a taken cell. A packed speed that does not fit 16 bits
// throws ReadFailure, as a number too large for its field does.
Placement memo_indicatori_v_max(ScenarioModel& model, std::int32_t posizione, std::int32_t vas,
                                std::int32_t vbs, std::int32_t vcs, std::int32_t strisces,
                                std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                                std::int32_t strisced);

// Location board at `p` with text `t`, stored in LineTable entry `nextBoardEntry`, which then
// moves one entry down; locationBoardCellTaken on a taken cell.
Placement placeLocationBoard(ScenarioModel& model, std::int32_t p, const std::string& t,
                             int& nextBoardEntry);

// Signal; signalCellTaken on a taken cell. May raise `tempo`.
Placement memo_segnale(ScenarioModel& model, std::int32_t posizione, std::int32_t sx,
                       std::int32_t s1, std::int32_t s2, std::int32_t s3, std::int32_t rapp,
                       std::int32_t dx, std::int32_t d1, std::int32_t d2, std::int32_t d3,
                       std::int32_t& tempo);

// Slowdown starting at `x`, `l` metres long, at speed `v`, with its warning board and
// countdown cells; the code of the first of their cells found taken.
Placement memo_rallentamento(ScenarioModel& model, std::int32_t x, std::int32_t v, std::int32_t l,
                             std::int32_t f_tt, std::int32_t f_ta, std::int32_t d_v);

// "abbattimento" mark at `p` with value `w`. A taken cell is reported as Placement::taken
// without a code: the train reader records its own.
Placement placeAbbattimento(ScenarioModel& model, std::int32_t p, std::int32_t w);

}  // namespace scenario
