#include "compiler/memorizza_dati.h"

#include "compiler/reading_context.h"

namespace scenario {

bool contains(std::string_view field, std::string_view what) {
    return field.find(what) != std::string_view::npos;
}

bool containsIgnoringCase(std::string_view field, std::string_view what) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (what.size() > field.size()) return false;
    for (std::size_t i = 0; i + what.size() <= field.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && lower(field[i + k]) == lower(what[k])) ++k;
        if (k == what.size()) return true;
    }
    return false;
}

ReadingResult memorizza_dati(ScenarioModel& model, const DescriptionSources& sources) {
    ReadingContext ctx{model, sources};
    try {
        if (readLineDescription(ctx) == PhaseEnd::goOn) readTrainDescription(ctx);
    } catch (const ReadFailure& failure) {
        // A read failure abandons both descriptions: both are deleted where they still exist,
        // and the position of an earlier failure stays.
        ctx.lineConsumed = true;
        ctx.trainConsumed = true;
        model.error.errorCode = ErrorCode::readFailure;
        const SourcePlace place = failure.place().line > 0 ? failure.place() : ctx.recordPlace;
        ctx.site = FailureSite{ctx.reading, place, failure.what(), ctx.recordPlace};
    }
    return ReadingResult{ctx.lineConsumed, ctx.trainConsumed, ctx.site};
}

}  // namespace scenario
