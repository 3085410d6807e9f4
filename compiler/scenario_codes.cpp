#include "compiler/scenario_codes.h"

namespace scenario {

namespace {
constexpr std::size_t kCodeLength = 25;
constexpr std::string_view kPadding = "aabbccddeeffgghhiillmmnnoo";
}  // namespace

std::string lowerWindows1252(std::string_view text) {
    std::string lower(text);
    for (char& ch : lower) {
        const auto c = static_cast<unsigned char>(ch);
        unsigned char l = c;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
            l = static_cast<unsigned char>(c + 0x20);
        } else if (c == 0x8A || c == 0x8C || c == 0x8E) {  // Š Œ Ž
            l = static_cast<unsigned char>(c + 0x10);
        } else if (c == 0x9F) {  // Ÿ
            l = 0xFF;
        }
        ch = static_cast<char>(l);
    }
    return lower;
}

std::string scenarioCodeText(ScenarioModel& model) {
    std::string text = lowerWindows1252(model.lineTable[kRepetitionEntry].text +
                                        model.lineTable[kLineGeneral].text);
    text += kPadding;
    model.lineBuffer = text;
    return text.substr(0, kCodeLength);
}

std::int16_t codice_gara_og(ScenarioModel& model) {
    std::int32_t sum = 0;
    for (const char c : scenarioCodeText(model)) sum += static_cast<unsigned char>(c);
    return static_cast<std::int16_t>(sum);  // at most 25 x 255
}

std::int32_t codice_gara_st(ScenarioModel& model) {
    std::int32_t sum = 0;
    std::int32_t i = 1;
    for (const char c : scenarioCodeText(model)) sum += i++ * static_cast<unsigned char>(c);
    return sum;
}

}  // namespace scenario
