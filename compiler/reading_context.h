// State shared by the two reading phases of one compilation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/compilation_observer.h"
#include "compiler/description_grammar.h"
#include "compiler/description_sources.h"
#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "compiler/record_fields.h"
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
    FieldSpan keywordSpan;
    // For the observer alone: the last keyword field that held a word, and where it stands.
    std::string lastWord;
    FieldSpan lastWordSpan;

    // Reads a field where a keyword is expected and notes where it stands.
    std::string readKeyword(FieldReader& in) {
        std::string field = in.readText();
        keywordSpan = in.fieldSpan();
        recordPlace = keywordSpan.start;
        if (model.observer && !field.empty() && !isComment(field)) [[unlikely]] {
            lastWord = field;
            lastWordSpan = keywordSpan;
        }
        return field;
    }

    // The description being read came to its end: the observer learns how it ended.
    void descriptionEnds() {
        if (model.observer) model.observer->descriptionEnds(reading, lastWordSpan, lastWord);
    }

    // The keyword field just read passed the keyword test of `grammar`: its record starts.
    RecordFields startRecord(FieldReader& in, const RecordGrammar& grammar) {
        if (model.observer) model.observer->recordStarts(reading, grammar.kind, keywordSpan);
        return RecordFields(in, grammar, model.observer);
    }

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

}  // namespace scenario
