// The installer's whole job on the scenario it carries: the compiled files decoded at known
// offsets and checked against the scenario's own numbers.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "app/main_window.h"
#include "app/run_installer.h"
#include "compiler/coding.h"
#include "compiler/compiled_file_reader.h"
#include "compiler/compiled_files.h"
#include "compiler/error_codes.h"
#include "tests/app/test_support.h"

namespace app {
namespace {

using scenario::coding::decodeFixed16;
using scenario::coding::decodeFixed32;
using testing::listing;
using testing::RecordingUi;
using testing::slurp;
using testing::spit;
using testing::TempDir;

std::int16_t i16(const std::string& b, std::size_t at) {
    return static_cast<std::int16_t>(decodeFixed16(b.data() + at));
}
std::int32_t i32(const std::string& b, std::size_t at) {
    return static_cast<std::int32_t>(decodeFixed32(b.data() + at));
}
int u8(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]);
}

// One entry of the train file, decoded field by field.
struct Entry {
    int kind;
    std::int32_t long1, long2, long3;
    int flag;
    std::string text;
    std::int16_t int1, int2, int3, int4, int5;
    int byte1, byte2, byte3, byte4;
    std::int32_t long4;
};

std::vector<Entry> decodeTrainFile(const std::string& b) {
    std::vector<Entry> entries;
    std::size_t at = 0;
    while (at + 34 <= b.size()) {
        Entry e{};
        e.kind = u8(b, at);
        e.long1 = i32(b, at + 1);
        e.long2 = i32(b, at + 5);
        e.long3 = i32(b, at + 9);
        e.flag = u8(b, at + 13);
        const std::size_t n = static_cast<std::uint16_t>(i16(b, at + 14));
        e.text = b.substr(at + 16, n);
        at += n;
        e.int1 = i16(b, at + 16);
        e.int2 = i16(b, at + 18);
        e.int3 = i16(b, at + 20);
        e.int4 = i16(b, at + 22);
        e.int5 = i16(b, at + 24);
        e.byte1 = u8(b, at + 26);
        e.byte2 = u8(b, at + 27);
        e.byte3 = u8(b, at + 28);
        e.byte4 = u8(b, at + 29);
        e.long4 = i32(b, at + 30);
        at += 34;
        entries.push_back(e);
    }
    EXPECT_EQ(at, b.size()) << "the train file ends inside an entry";
    return entries;
}

struct Installed {
    TempDir dir;
    RecordingUi ui;
    int status = -1;
    std::string plan, train, route;
};

void install(Installed& run) {
    run.status = runInstaller(run.ui, [&] { return run.dir.str(); });
    run.plan = slurp(run.dir.file("GENOVA_TORINO_linea.dat"));
    run.train = slurp(run.dir.file("GENOVA_TORINO_IC514.sim"));
    run.route = slurp(run.dir.file("GENOVA_TORINO_IC514.dat"));
}

TEST(CarriedScenario, InstallsThreeDocumentsAndThreeCompiledFiles) {
    Installed run;
    install(run);
    EXPECT_EQ(run.status, kExitSuccess);
    EXPECT_TRUE(run.ui.messages.empty());
    EXPECT_EQ(listing(run.dir.path()),
              (std::set<std::string>{
                  "GENOVA_TORINO_IC514_note.txt", "GENOVA_TORINO_IC514_rallentamenti.txt",
                  "GENOVA_TORINO_IC514_scheda_treno.txt", "GENOVA_TORINO_linea.dat",
                  "GENOVA_TORINO_IC514.sim", "GENOVA_TORINO_IC514.dat"}));
}

TEST(CarriedScenario, RouteFile) {
    Installed run;
    install(run);
    const std::string& r = run.route;
    ASSERT_EQ(r.size(), 52815u);  // cells 0 to lastCell 3520, 15 bytes each
    const auto cell = [&](int c) { return static_cast<std::size_t>(c) * 15; };
    // Cell 1 carries the format stamp 5121 and the plain scenario code 2448.
    EXPECT_EQ(u8(r, 16), 0x01);
    EXPECT_EQ(u8(r, 17), 0x14);
    EXPECT_EQ(i16(r, 18), 2448);
    // The signal at 35150 m in cell 704, and its approach codes.
    const std::size_t s = cell(704);
    EXPECT_EQ(u8(r, s), 1);
    EXPECT_EQ(i16(r, s + 1), 32);
    EXPECT_EQ(i16(r, s + 3), 11);
    EXPECT_EQ(i16(r, s + 5), 0);
    EXPECT_EQ(i16(r, s + 7), 8);
    EXPECT_EQ(u8(r, s + 9), 0);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(u8(r, cell(704 - 2 * k) + 10), 80 + k) << k;
    // The first station's stop cell and the location board at 133850 m (cell 2678).
    EXPECT_EQ(u8(r, cell(8)), 10);
    EXPECT_EQ(i16(r, cell(8) + 1), 1);
    EXPECT_EQ(u8(r, cell(2678)), 14);
    EXPECT_EQ(i16(r, cell(2678) + 1), 80);
    // Speed limit 70 km/h from the start, gradient 0 at the start, adhesion 100.
    EXPECT_EQ(u8(r, cell(0) + 12), 14);
    EXPECT_EQ(u8(r, cell(0) + 13), 100);
    EXPECT_EQ(u8(r, cell(0) + 14), 100);
    // The last three cells have no speed limit, gradient or adhesion.
    for (int c = 3518; c <= 3520; ++c) {
        EXPECT_EQ(u8(r, cell(c) + 12), 0) << c;
        EXPECT_EQ(u8(r, cell(c) + 13), 0) << c;
        EXPECT_EQ(u8(r, cell(c) + 14), 0) << c;
    }
    // The carried train has no slowdowns: no cell holds a mark.
    for (int c = 0; c <= 3520; ++c) EXPECT_NE(u8(r, cell(c)), 12) << c;
}

TEST(CarriedScenario, TrainFile) {
    Installed run;
    install(run);
    const std::vector<Entry> e = decodeTrainFile(run.train);
    ASSERT_EQ(e.size(), 87u);
    const std::array<std::pair<std::int32_t, const char*>, 34> stations = {{
        {0, "GENOVA BRIGNOLE"},
        {3150, "GENOVA P.PRINCIPE"},
        {7350, "BIVIO FEGINO"},
        {12400, "GENOVA S.QUIRICO"},
        {22250, "MIGNANEGO"},
        {30750, "RONCO SCRIVIA"},
        {35650, "ISOLA DEL CANTONE"},
        {39350, "PIETRABISSARA"},
        {42400, "RIGOROSO"},
        {45550, "ARQUATA SCRIVIA"},
        {49850, "SERRAVALLE SCRIVIA"},
        {56350, "NOVI LIGURE"},
        {65450, "DONNA"},
        {68850, "FRUGAROLO BOSCOMARENGO"},
        {79000, "ALESSANDRIA"},
        {86700, "SOLERO"},
        {92600, "FELIZZANO"},
        {96450, "MASIO QUATTORDIO"},
        {99900, "ROCCHETTA TANARO CERRO"},
        {102850, "CASTELLO D'ANNONE"},
        {113000, "ASTI"},
        {120300, "S.DAMIANO D'ASTI"},
        {123800, "BALDICHIERI TIGLIOLE"},
        {128850, "VILLAFRANCA CANTARANA"},
        {133250, "PB 15"},
        {135800, "S.PAOLO SOLBRITO"},
        {138850, "VILLANOVA D'ASTI"},
        {146900, "PESSIONE"},
        {152900, "CAMBIANO SANTENA"},
        {156000, "TROFARELLO"},
        {160600, "MONCALIERI"},
        {161900, "BIVIO SANGONE"},
        {164000, "TORINO LINGOTTO"},
        {169000, "TORINO PORTA NUOVA"},
    }};
    EXPECT_EQ(e[0].text, "");
    EXPECT_EQ(e[0].long1, 0);
    for (std::size_t i = 0; i < stations.size(); ++i) {
        SCOPED_TRACE(stations[i].second);
        EXPECT_EQ(e[i + 1].long3, stations[i].first);
        EXPECT_EQ(e[i + 1].text, stations[i].second);
    }
    // The first station: area -450 to 450 m, departure 9.08.
    EXPECT_EQ(e[1].long1, -450);
    EXPECT_EQ(e[1].long2, 450);
    EXPECT_EQ(e[1].long4, (9 * 60 + 8) * 60);
    // The terminus: kind 6, area 168300 to 169150 m, arrival 10.52.
    EXPECT_EQ(e[34].kind, 6);
    EXPECT_EQ(e[34].long1, 168300);
    EXPECT_EQ(e[34].long2, 169150);
    EXPECT_EQ(e[34].long4, (10 * 60 + 52) * 60);
    for (int i = 35; i <= 78; ++i) EXPECT_EQ(e[static_cast<std::size_t>(i)].text, "") << i;
    EXPECT_EQ(e[79].text, "(BIVIO SANGONE)");
    EXPECT_EQ(e[80].text, "(CAVALCAVIA)");
    for (int i = 81; i <= 83; ++i) {
        EXPECT_EQ(e[static_cast<std::size_t>(i)].long1, 0);
        EXPECT_EQ(e[static_cast<std::size_t>(i)].long2, 0);
    }
    EXPECT_EQ(e[84].long1, 125);
    EXPECT_EQ(e[84].long2, 169000);
    EXPECT_EQ(e[84].long3, 12);
    EXPECT_EQ(e[85].long1, 1000);
    EXPECT_EQ(e[85].long2, 1);
    EXPECT_EQ(e[85].long3, 3000);
    EXPECT_EQ(e[85].text, "GENOVA_TORINO");
    EXPECT_EQ(e[85].int1, 610);
    EXPECT_EQ(e[85].long4, 32979);
    EXPECT_EQ(e[86].long1, 500);
    EXPECT_EQ(e[86].long2, 170000);
    EXPECT_EQ(e[86].long3, 4);
    EXPECT_EQ(e[86].text, "IC514");
    EXPECT_EQ(e[86].int1, 300);
    EXPECT_EQ(e[86].int3, 9);
    EXPECT_EQ(e[86].int4, 7);
    EXPECT_EQ(e[86].int5, 0);
}

TEST(CarriedScenario, LinePlanFile) {
    Installed run;
    install(run);
    const std::string& p = run.plan;
    ASSERT_EQ(p.size(), 3519964u);  // 20 x planLength - 36, planLength 176000
    const std::size_t half = 10 * 176000 - 18;
    // Points 0 and 1 are 16-bit integers: (0, 0) and (0, 1).
    EXPECT_EQ(p.substr(0, 8), std::string("\x02\x00\x00\x00\x02\x00\x00\x00", 8));
    EXPECT_EQ(p.substr(half, 8), std::string("\x02\x00\x00\x00\x02\x00\x01\x00", 8));
    // Point 2 is the first double: straight on, y = 2.
    EXPECT_EQ(i16(p, half + 8), 5);
    EXPECT_EQ(scenario::coding::decodeDouble(p.data() + half + 10), 2.0);
    // Points planLength - 1 and planLength stay empty.
    EXPECT_EQ(p.substr(half - 4, 4), std::string(4, '\0'));
    EXPECT_EQ(p.substr(p.size() - 4), std::string(4, '\0'));
}

TEST(CarriedScenario, CompiledFilesDecodeAndEncodeBackToTheSameBytes) {
    Installed run;
    install(run);
    EXPECT_EQ(scenario::encodeRouteTable(scenario::decodeRouteTable(run.route)), run.route);
    EXPECT_EQ(scenario::encodeLineTable(scenario::decodeLineTable(run.train)), run.train);
    std::string plan;
    scenario::encodeTrackPlan(scenario::decodeTrackPlan(run.plan),
                              [&](std::string_view piece) { plan += piece; });
    EXPECT_EQ(plan, run.plan);
}

TEST(CarriedScenario, WithoutTrackPlanNoLinePlanFileIsTouched) {
    TempDir dir;
    RecordingUi ui;
    spit(dir.file("GENOVA_TORINO_linea.dat"), "an earlier plan");
    Form1 form(ui, [&] { return dir.str(); });
    form.lineName = "GENOVA_TORINO";
    form.trainName = "IC514";
    form.dati_linea();
    form.dati_treno();
    std::int32_t j = 0;
    form.memorizza_percorso(j);
    EXPECT_EQ(slurp(dir.file("GENOVA_TORINO_linea.dat")), "an earlier plan");
    EXPECT_EQ(slurp(dir.file("GENOVA_TORINO_IC514.dat")).size(), 52815u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "GENOVA_TORINO_linea.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "GENOVA_TORINO_IC514-.txt"));
}

TEST(CarriedScenario, LongerEarlierCompiledFilesAreReplacedWhole) {
    Installed run;
    const std::string leftover(4000000, 'x');
    for (const char* name :
         {"GENOVA_TORINO_linea.dat", "GENOVA_TORINO_IC514.sim", "GENOVA_TORINO_IC514.dat"}) {
        spit(run.dir.file(name), leftover);
    }
    install(run);
    Installed fresh;
    install(fresh);
    EXPECT_EQ(run.plan.size(), 3519964u);
    EXPECT_EQ(run.route.size(), 52815u);
    EXPECT_EQ(run.plan, fresh.plan);
    EXPECT_EQ(run.train, fresh.train);
    EXPECT_EQ(run.route, fresh.route);
}

// A description that puts data where the stamps go ends the run through errore: the
// descriptions are deleted and no compiled file is written.
TEST(CarriedScenario, StampFailuresEndTheRunWithoutCompiledFiles) {
    struct Case {
        scenario::ErrorCode code;
        const char* shown;  // the number the message box shows
        const char* train;
    };
    for (const Case c : {Case{scenario::ErrorCode::dataOverFormatStamps, "1250",
                              "[generale]\r\nsegnale, 20, 1,1,1,1,0,1,1,1,1,0\r\n[fine]\r\n"},
                         // value1 = s1 x 10 + d1 = 0 passes the first test; value2 = 10.
                         Case{scenario::ErrorCode::dataOverScenarioCodes, "1251",
                              "[generale]\r\nsegnale, 20, 1,0,1,0,0,1,0,0,0,0\r\n[fine]\r\n"}}) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(std::to_string(scenario::codeNumber(c.code)), c.shown);
        TempDir dir;
        RecordingUi ui;
        spit(dir.file("GENOVA_TORINO_linea.txt"),
             "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n[fine]\r\n");
        spit(dir.file("GENOVA_TORINO_IC514-.txt"), c.train);
        const int status = runReportingFailures(ui, [&] {
            Form1 form(ui, [&] { return dir.str(); });
            form.lineName = "GENOVA_TORINO";
            form.trainName = "IC514";
            std::int32_t j = 1;
            form.memorizza_percorso(j);
        });
        EXPECT_EQ(status, kExitFatalCompilerError);
        EXPECT_EQ(ui.messages, std::vector<std::string>{std::string(" Errore n. ") + c.shown});
        EXPECT_TRUE(listing(dir.path()).empty());
    }
}

}  // namespace
}  // namespace app
