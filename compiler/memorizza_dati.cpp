#include "compiler/memorizza_dati.h"

#include "compiler/reading_context.h"

namespace scenario {

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
        const SourcePlace record = failure.record().line > 0 ? failure.record() : ctx.recordPlace;
        ctx.site = FailureSite{ctx.reading, place, failure.what(), record};
    }
    return ReadingResult{ctx.lineConsumed, ctx.trainConsumed, ctx.site};
}

}  // namespace scenario
