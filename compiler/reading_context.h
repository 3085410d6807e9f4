// State shared by the two reading phases of one compilation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/description_sources.h"
#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "compiler/scenario_model.h"

namespace scenario {

struct ReadingContext {
    ReadingContext(ScenarioModel& m, const DescriptionSources& s) : model(m), sources(s) {}

    ScenarioModel& model;
    const DescriptionSources& sources;
    bool lineConsumed = false;
    bool trainConsumed = false;
    FailureSite site;
    int nextBoardEntry = kFirstBoardEntry;
    // The speed and adhesion in force, carried from the start of the train phase.
    std::int32_t currentSpeed = 0;
    std::int32_t currentAdhesion = 0;
    // The description being read and where its current record's keyword stands.
    Description reading = Description::none;
    SourcePlace recordPlace;

    // Records a failure of the current record: its code and, where it has one, its position.
    void fail(ErrorCode code, std::optional<std::int32_t> position = std::nullopt) {
        model.error.errorCode = code;
        if (position) model.error.errorPosition = *position;
        site = FailureSite{reading, recordPlace, {}, recordPlace};
    }
};

// A text stored in the LineTable is written with a 16-bit length.
inline std::string storedText(std::string text, SourcePlace place) {
    if (text.size() > 0xFFFF) {
        throw ReadFailure("a text of " + std::to_string(text.size()) +
                              " bytes is longer than the 65535 a compiled text may hold",
                          place);
    }
    return text;
}

enum class PhaseEnd { goOn, stop };

PhaseEnd readLineDescription(ReadingContext& ctx);
void readTrainDescription(ReadingContext& ctx);

// Substring tests on keyword fields.
bool contains(std::string_view field, std::string_view what);
bool containsIgnoringCase(std::string_view field, std::string_view what);

}  // namespace scenario
