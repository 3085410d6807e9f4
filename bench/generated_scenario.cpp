#include "bench/generated_scenario.h"

#include <cstdio>
#include <initializer_list>
#include <stdexcept>

namespace bench {
namespace {

// Objects are laid on a grid that keeps every one in a cell of its own: signals at 550 m past
// each kilometre (even cells), speed indicator boards at 2800 m past every fifth kilometre and
// station stop cells (both odd cells that never meet), so no placement is refused.
constexpr std::int32_t kCurveSpacing = 2000;
constexpr std::int32_t kGradientSpacing = 1000;
constexpr std::int32_t kMountainSpacing = 20000;
constexpr std::int32_t kSpeedIndicatorSpacing = 5000;
constexpr std::int32_t kSpeedSpacing = 3000;
constexpr std::int32_t kAdhesionSpacing = 5000;
constexpr std::int32_t kSignalSpacing = 1000;
constexpr std::int32_t kStationSpacing = 12800;
constexpr std::int32_t kFirstStation = 6000;

class Text {
  public:
    void line(const std::string& text) {
        out_ += text;
        out_ += "\r\n";
    }
    // "keyword,  v1,  v2, ..." as the descriptions of the carried scenario write records.
    void record(const char* keyword, std::initializer_list<std::int32_t> values,
                const char* tail = nullptr) {
        std::string text = keyword;
        for (const std::int32_t v : values) {
            text += ",  ";
            text += std::to_string(v);
        }
        if (tail != nullptr) {
            text += ",  ";
            text += tail;
        }
        line(text);
    }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
};

std::string lineDescription(std::int32_t metres, GeneratedScenario& counts) {
    Text t;
    t.line("[generale]");
    t.record("lunghezza percorso", {metres});
    t.record("progressiva chilometrica uno", {0, 0, 0});
    t.record("progressiva chilometrica due", {0, 0, 0});
    t.record("progressiva chilometrica tre", {0, 0, 0});
    t.record("sfondo uno", {1000});
    t.record("sfondo due", {3000});
    t.record("sfondo tre", {1});
    t.record("ripetizione segnali 4 codici", {500, metres + 1000});

    t.line("[curve]");
    for (std::int32_t k = 0;; ++k) {
        const std::int32_t start = k * kCurveSpacing + 400;
        const std::int32_t length = 300 + 100 * (k % 7);
        if (start + length > metres - 1000) break;
        char keyword[16];
        std::snprintf(keyword, sizeof keyword, "curva%c%d", k % 2 == 0 ? 'd' : 's', 1 + k % 6);
        t.record(keyword, {start, length});
        ++counts.curves;
    }

    t.line("[pendenze]");
    for (std::int32_t p = 0; p < metres; p += kGradientSpacing) {
        const std::int32_t k = p / kGradientSpacing;
        t.record("pendenza", {p, (k * 7) % 25 - 12});
        ++counts.gradients;
    }

    // At most 80 stretches fit the mountain tables; 50 on the longest line.
    t.line("[montagne]");
    for (std::int32_t k = 0;; ++k) {
        const std::int32_t start = k * kMountainSpacing + 1000;
        if (start + 8000 > metres - 1000) break;
        const std::int32_t tipo = k % 3 == 0 ? 11 : 1 + k % 3;
        t.record("montagna", {start, start + 8000, tipo});
        ++counts.mountains;
    }

    t.line("[cartelli]");
    for (std::int32_t p = 2800; p <= metres - 1000; p += kSpeedIndicatorSpacing) {
        const std::int32_t k = p / kSpeedIndicatorSpacing;
        const std::int32_t speed = 60 + 10 * (k % 10);
        t.record("indicatori_vmax", {p, speed, speed + 10, speed + 20, k % 3}, " ,  ,  ,  0");
        ++counts.speedIndicators;
    }
    t.line("[fine]");
    return t.take();
}

std::string trainDescription(std::int32_t metres, GeneratedScenario& counts) {
    Text t;
    t.line("[generale]");
    t.record("percentuale massa frenata", {125});
    t.record("numero vetture", {12});
    t.record("sabbia", {300});
    t.line("orologio,    6               0             0 ");

    t.line("[aderenze]");
    for (std::int32_t p = 0; p < metres; p += kAdhesionSpacing) {
        t.record("aderenza", {p, 70 + 5 * ((p / kAdhesionSpacing) % 7)});
        ++counts.adhesionStretches;
    }

    t.line("[vel_limite]");
    for (std::int32_t p = 0; p < metres; p += kSpeedSpacing) {
        t.record("velocita", {p, 60 + 10 * (((p / kSpeedSpacing) * 7) % 11)});
        ++counts.speedStretches;
    }

    t.line("[segnali]");
    for (std::int32_t p = 550; p <= metres - 450; p += kSignalSpacing) {
        if ((p / kSignalSpacing) % 2 == 0) {
            t.record("segnale", {p, 2, 3, 1, 0, 0, 2, 2, 1, 0, 30});
        } else {
            t.record("segnale", {p, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0});
        }
        ++counts.signals;
    }

    t.line("[stazioni]");
    for (std::int32_t s = 0; s < kMaxStations; ++s) {
        const std::int32_t p = kFirstStation + s * kStationSpacing;
        if (p + 8000 > metres) break;
        const std::int32_t minutes = 6 * 60 + 6 * s;
        char name[32];
        std::snprintf(name, sizeof name, "STAZIONE %02d", s + 1);
        t.record("stazione",
                 {p, 2, 400, 1, 0, 0, 4, 1, 1, 2, 1, 1, 60, minutes / 60, minutes % 60, 0}, name);
        ++counts.stations;
    }
    t.line("[fine]");
    return t.take();
}

}  // namespace

GeneratedScenario generateScenario(std::int32_t metres) {
    if (metres < 20000 || metres > 1000000 || metres % 1000 != 0) {
        throw std::invalid_argument("a generated line is 20,000 to 1,000,000 m, in whole km");
    }
    GeneratedScenario scenario;
    scenario.metres = metres;
    scenario.line = lineDescription(metres, scenario);
    scenario.train = trainDescription(metres, scenario);
    return scenario;
}

}  // namespace bench
