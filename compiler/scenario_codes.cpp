#include "compiler/scenario_codes.h"

#include "common/windows1252.h"

namespace scenario {

namespace {
constexpr std::size_t kCodeLength = 25;
constexpr std::string_view kPadding = "aabbccddeeffgghhiillmmnnoo";
}  // namespace

std::string scenarioCodeText(const ScenarioModel& model) {
    std::string text = common::lowerWindows1252(model.lineTable[kRepetitionEntry].text +
                                                model.lineTable[kLineGeneral].text);
    text += kPadding;
    return text.substr(0, kCodeLength);
}

std::int16_t codice_gara_og(const ScenarioModel& model) {
    std::int32_t sum = 0;
    for (const char c : scenarioCodeText(model)) sum += static_cast<unsigned char>(c);
    return static_cast<std::int16_t>(sum);  // at most 25 x 255
}

std::int32_t codice_gara_st(const ScenarioModel& model) {
    std::int32_t sum = 0;
    std::int32_t i = 1;
    for (const char c : scenarioCodeText(model)) sum += i++ * static_cast<unsigned char>(c);
    return sum;
}

}  // namespace scenario
