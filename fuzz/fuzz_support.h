// What every fuzz target of the compiler shares: compiling description texts held in memory
// through the compiler's one entry, as the installer does, encoding the compiled files, and the
// properties that must hold for any input whatever it holds. A broken property aborts, so that
// libFuzzer keeps the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/coding.h"
#include "compiler/compilation.h"
#include "compiler/compiled_file_reader.h"
#include "compiler/error_codes.h"
#include "compiler/rounding.h"
#include "compiler/scenario_model.h"

namespace scenario::fuzz {

[[noreturn]] inline void broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? void() : ::scenario::fuzz::broken(#cond, __FILE__, __LINE__))

// The pair target's input is the line description, this separator, then the train description.
inline constexpr std::string_view kTrainSeparator = "\n@@train@@\n";

// A compilation and the bytes of its compiled files.
struct Compiled {
    Compilation compilation;
    std::string linePlanFile;  // empty when no plan was built or the stamps failed
    std::string trainFile;
    std::string routeFile;
};

inline SourceLoader loaderOf(std::optional<std::string_view> text) {
    return text ? inMemory(*text) : SourceLoader([] { return SourceFile{}; });
}

// Plans up to this many points (a 13,000 m line) are decoded back and compared point by point.
inline constexpr std::int64_t kPlanPointsDecoded = 20001;

// The walk over the line plan file's variants: a 16-bit tag and its payload each, with
// nothing left over, two per plan point.
inline void checkPlanFile(const std::string& bytes, std::int64_t points) {
    std::int64_t variants = 0;
    std::size_t at = 0;
    while (at + 2 <= bytes.size()) {
        const unsigned tag = coding::decodeFixed16(bytes.data() + at);
        at += 2;
        FUZZ_CHECK(tag == 0 || tag == 2 || tag == 5);
        at += tag == 2 ? 2 : tag == 5 ? 8 : 0;
        ++variants;
    }
    FUZZ_CHECK(at == bytes.size());
    FUZZ_CHECK(variants == 2 * points);
}

// Compiles the two texts (nullopt: the file does not exist) with makeTrackPlan `j` and encodes
// the files, checking on the way what holds for every input.
inline Compiled compileChecked(std::optional<std::string_view> line,
                               std::optional<std::string_view> train, std::int32_t j) {
    Compiled c;
    c.compilation = compile({"GENOVA_TORINO", "IC514"}, {loaderOf(line), loaderOf(train)},
                            {.makeTrackPlan = j});
    const ScenarioModel& m = c.compilation.model;
    const ReadingResult& reading = c.compilation.reading;

    const ErrorCode code = m.error.errorCode;
    FUZZ_CHECK(code == ErrorCode::none || !describeErrorCode(code).empty());
    FUZZ_CHECK(afterErrorCode(code) != AfterCode::stopsCompile);
    // A description that was there is always consumed, except the train description when the
    // line phase stopped the reading; a read failure abandons both.
    FUZZ_CHECK(!line || reading.lineConsumed);
    FUZZ_CHECK(code != ErrorCode::readFailure || (reading.lineConsumed && reading.trainConsumed));
    FUZZ_CHECK(line || !reading.lineConsumed);

    if (m.routeDimensioned()) {
        FUZZ_CHECK(m.lastCell >= 0);
        FUZZ_CHECK(m.routeTable.size() == static_cast<std::size_t>(m.lastCell) + 1);
        FUZZ_CHECK(m.lastCell == roundHalfEven(m.planLength / 50.0));
        FUZZ_CHECK(m.planLength >= 7000 && m.planLength <= 1007000);
        if (j != 0) FUZZ_CHECK(m.trackPlan.points() == std::int64_t{m.planLength} + 1);
    }
    if (j == 0) FUZZ_CHECK(!m.trackPlan.dimensioned());

    const StampResult stamp = c.compilation.stamp;
    FUZZ_CHECK((stamp == StampResult::noRoute) == (m.routeTable.size() < 2));
    const auto files = c.compilation.files();
    if (stamp != StampResult::stamped) {
        FUZZ_CHECK(files.empty());
        return c;
    }
    FUZZ_CHECK(m.routeTable[1].value1 == kRouteStamp);
    FUZZ_CHECK(m.lineTable[kLineGeneral].int1 == kTrainStamp);

    FUZZ_CHECK(files.size() == (j != 0 ? 3u : 2u));
    std::string* targets[] = {&c.linePlanFile, &c.trainFile, &c.routeFile};
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string* out = targets[i + (j != 0 ? 0 : 1)];
        files[i].produce([out](std::string_view piece) { out->append(piece); });
    }

    FUZZ_CHECK(c.routeFile.size() == kRouteCellBytes * m.routeTable.size());
    std::size_t texts = 0;
    for (const LineRecord& r : m.lineTable) texts += r.text.size();
    FUZZ_CHECK(c.trainFile.size() == kLineRecordBytes * kLineTableEntries + texts);
    if (j != 0) checkPlanFile(c.linePlanFile, m.trackPlan.points());
    // The installer encodes the plan from its drawing, the tools from its stored points: the
    // same bytes either way.
    if (j != 0) {
        std::string fromDrawing;
        encodeTrackPlan(m.trackPlan.drawing(),
                        [&fromDrawing](std::string_view piece) { fromDrawing.append(piece); });
        FUZZ_CHECK(fromDrawing == c.linePlanFile);
    }

    // The files hold the model's tables exactly.
    FUZZ_CHECK(decodeRouteTable(c.routeFile) == m.routeTable);
    FUZZ_CHECK(decodeLineTable(c.trainFile) == m.lineTable);
    // Decoding a long line's plan costs more than compiling it; the decoders have a target of
    // their own, and checkPlanFile has walked every plan above.
    if (j != 0 && m.trackPlan.dimensioned() && m.trackPlan.points() <= kPlanPointsDecoded) {
        const TrackPlan plan = decodeTrackPlan(c.linePlanFile);
        FUZZ_CHECK(plan.points() == m.trackPlan.points());
        for (int coord = 0; coord < 2; ++coord) {
            for (std::int64_t p = 0; p < plan.points(); ++p) {
                const PlanValue got = plan.at(p, coord);
                const PlanValue want = m.trackPlan.at(p, coord);
                FUZZ_CHECK(got.tag == want.tag);
                // Bit for bit: a plan point may be any double, NaN included.
                FUZZ_CHECK(std::memcmp(&got.value, &want.value, sizeof got.value) == 0 ||
                           got.tag == PlanTag::empty);
            }
        }
    }
    return c;
}

}  // namespace scenario::fuzz
