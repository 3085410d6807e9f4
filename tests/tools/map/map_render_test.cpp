// The map's drawing read back from its SVG: labels that never cover each other, every object
// titled with its cell, the plan turned to fill its panel, a stretch drawn alone, and the
// train's slowdowns and the speed boards on the speed chart.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/compiled_files/inspection.h"
#include "tools/map/map_command.h"
#include "tools/map/map_model.h"
#include "tools/map/svg_map.h"

namespace tool {
namespace {

using testing::fixture;
using testing::Outcome;
using testing::spit;
using testing::TempDir;
namespace content = scenario::content;

// ---- reading the SVG back ----

std::optional<std::string> attribute(const std::string& tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t from = at + key.size();
    return tag.substr(from, tag.find('"', from) - from);
}

double number(const std::string& tag, const std::string& name) {
    const auto v = attribute(tag, name);
    if (!v) throw std::runtime_error("no " + name + " in " + tag);
    return std::stod(*v);
}

std::string unescaped(std::string text) {
    for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;) {
            text.replace(at, entity.size(), c);
        }
    }
    return text;
}

// The advance widths of DejaVu Sans, the map's font, and of DejaVu Sans Bold, in ems, for the
// printable ASCII characters from the space to the tilde: read from the fonts' metrics and
// rounded up to a thousandth. Facts about the font, not about the map's code.
constexpr double kRegularEms[] = {
    0.318, 0.401, 0.460, 0.838, 0.637, 0.951, 0.780, 0.275, 0.391, 0.391, 0.500, 0.838,
    0.318, 0.361, 0.318, 0.337, 0.637, 0.637, 0.637, 0.637, 0.637, 0.637, 0.637, 0.637,
    0.637, 0.637, 0.337, 0.337, 0.838, 0.838, 0.838, 0.531, 1.000, 0.685, 0.687, 0.699,
    0.771, 0.632, 0.576, 0.775, 0.752, 0.295, 0.295, 0.656, 0.558, 0.863, 0.749, 0.788,
    0.604, 0.788, 0.695, 0.635, 0.611, 0.732, 0.685, 0.989, 0.686, 0.611, 0.686, 0.391,
    0.337, 0.391, 0.838, 0.500, 0.500, 0.613, 0.635, 0.550, 0.635, 0.616, 0.353, 0.635,
    0.634, 0.278, 0.278, 0.580, 0.278, 0.975, 0.634, 0.612, 0.635, 0.635, 0.412, 0.521,
    0.393, 0.634, 0.592, 0.818, 0.592, 0.592, 0.525, 0.637, 0.337, 0.637, 0.838,
};
constexpr double kBoldEms[] = {
    0.349, 0.457, 0.521, 0.838, 0.696, 1.002, 0.873, 0.307, 0.458, 0.458, 0.523, 0.838,
    0.380, 0.416, 0.380, 0.366, 0.696, 0.696, 0.696, 0.696, 0.696, 0.696, 0.696, 0.696,
    0.696, 0.696, 0.400, 0.400, 0.838, 0.838, 0.838, 0.581, 1.000, 0.774, 0.763, 0.734,
    0.831, 0.684, 0.684, 0.821, 0.837, 0.373, 0.373, 0.775, 0.638, 0.996, 0.837, 0.851,
    0.733, 0.851, 0.771, 0.721, 0.683, 0.813, 0.774, 1.104, 0.771, 0.725, 0.726, 0.458,
    0.366, 0.458, 0.838, 0.500, 0.500, 0.675, 0.716, 0.593, 0.716, 0.679, 0.436, 0.716,
    0.712, 0.343, 0.343, 0.666, 0.343, 1.042, 0.712, 0.688, 0.716, 0.716, 0.494, 0.596,
    0.479, 0.712, 0.652, 0.924, 0.646, 0.652, 0.583, 0.712, 0.366, 0.712, 0.838,
};
static_assert(std::size(kRegularEms) == 95 && std::size(kBoldEms) == 95);
// No glyph of either font for a character outside ASCII that a description can bring (Latin-1,
// Latin Extended, dashes, the ellipsis, the per mille sign) is wider than these.
constexpr double kWidestOtherRegular = 1.422;
constexpr double kWidestOtherBold = 1.556;

// The width `text` takes set in the map's font at `size`, without kerning: the box its glyphs
// fill when drawn.
double setWidth(const std::string& text, double size, bool bold) {
    double ems = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            while (i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
                ++i;
            }
            ems += bold ? kWidestOtherBold : kWidestOtherRegular;
        } else if (c >= 0x20 && c <= 0x7E) {
            ems += (bold ? kBoldEms : kRegularEms)[c - 0x20];
        } else {
            ADD_FAILURE() << "a control character in a label: " << static_cast<int>(c);
        }
    }
    return ems * size;
}

struct Label {
    std::string text;
    double x0, y0, x1, y1;
    bool inside;  // within the picture it stands in
    bool overlaps(const Label& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// Every <text> of the document with the box its glyphs may fill: from its position, anchor,
// font size and weight, turned when it reads upward, moved by the <svg> it stands in.
std::vector<Label> labels(const std::string& svg) {
    struct Picture {
        double x, y, width, height;
    };
    std::vector<Label> found;
    std::vector<Picture> pictures{{0, 0, 1e9, 1e9}};
    // The groups around a text: moved by a translation (the legend's rows), or left hidden
    // until the viewer's zoom lets them fit, when their texts are not drawn.
    struct Group {
        double dx = 0, dy = 0;
        bool hidden = false;
    };
    std::vector<Group> groups{{}};
    for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
        const std::size_t close = svg.find('>', at);
        const std::string tag = svg.substr(at, close - at + 1);
        if (tag.starts_with("<g") && !tag.ends_with("/>")) {
            Group g = groups.back();
            g.hidden = g.hidden || attribute(tag, "visibility") == "hidden";
            const std::optional<std::string> move = attribute(tag, "transform");
            if (move && move->starts_with("translate(")) {
                std::istringstream numbers(move->substr(10));
                double x = 0, y = 0;
                numbers >> x >> y;
                g.dx += x;
                g.dy += y;
            }
            groups.push_back(g);
        } else if (tag == "</g>") {
            groups.pop_back();
        } else if (groups.back().hidden) {
            continue;
        } else if (tag.starts_with("<svg")) {
            const double x = attribute(tag, "x") ? number(tag, "x") : 0;
            const double y = attribute(tag, "y") ? number(tag, "y") : 0;
            pictures.push_back({pictures.back().x + x, pictures.back().y + y, number(tag, "width"),
                                number(tag, "height")});
        } else if (tag == "</svg>") {
            pictures.pop_back();
        } else if (tag.starts_with("<text")) {
            const std::size_t end = svg.find("</text>", close);
            const std::string text = unescaped(svg.substr(close + 1, end - close - 1));
            const double size = number(tag, "font-size");
            const double w = setWidth(text, size, attribute(tag, "font-weight") == "bold");
            const std::string anchor = attribute(tag, "text-anchor").value_or("start");
            const double start = anchor == "middle" ? -w / 2 : anchor == "end" ? -w : 0;
            const Picture& p = pictures.back();
            const double x = number(tag, "x") + p.x + groups.back().dx;
            const double y = number(tag, "y") + p.y + groups.back().dy;
            Label l{text, x + start, y - 0.93 * size, x + start + w, y + 0.24 * size, false};
            if (const std::optional<std::string> turn = attribute(tag, "transform")) {
                EXPECT_TRUE(turn->starts_with("rotate(-90 ")) << tag;  // the only turn used
                l = {text, x - 0.93 * size, y - start - w, x + 0.24 * size, y - start, false};
            }
            l.inside =
                l.x0 >= p.x && l.y0 >= p.y && l.x1 <= p.x + p.width && l.y1 <= p.y + p.height;
            found.push_back(l);
        }
    }
    return found;
}

void expectNoOverlap(const std::string& svg) {
    const std::vector<Label> all = labels(svg);
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(all[i].inside) << "\"" << all[i].text << "\" leaves its picture";
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            EXPECT_FALSE(all[i].overlaps(all[j]))
                << "\"" << all[i].text << "\" and \"" << all[j].text << "\"";
        }
    }
}

// The opening tags of the groups that stand for objects, with the title that follows each.
struct Drawn {
    std::string tag;
    std::string title;
    std::string body;  // up to its </g>
};
std::vector<Drawn> objects(const std::string& svg) {
    std::vector<Drawn> found;
    for (std::size_t at = svg.find("<g data-cell="); at != std::string::npos;
         at = svg.find("<g data-cell=", at + 1)) {
        const std::size_t close = svg.find('>', at);
        Drawn d{svg.substr(at, close - at + 1), "", ""};
        if (svg.compare(close + 1, 7, "<title>") == 0) {
            const std::size_t end = svg.find("</title>", close);
            d.title = unescaped(svg.substr(close + 8, end - close - 8));
        }
        d.body = svg.substr(close + 1, svg.find("</g>", close) - close - 1);
        found.push_back(d);
    }
    return found;
}

std::string root(const std::string& svg) {
    return svg.substr(0, svg.find('>') + 1);
}

// The plan or the profile within the whole map: the <svg> of that class, to the end.
std::string part(const std::string& map, const std::string& cls) {
    const std::size_t at = map.find("class=\"" + cls + "\"");
    if (at == std::string::npos) throw std::runtime_error("no " + cls);
    return map.substr(map.rfind("<svg", at));
}

// The points of a path of M and L commands.
std::vector<std::pair<double, double>> pathPoints(const std::string& svg, const std::string& cls) {
    const std::size_t at = svg.find("class=\"" + cls + "\" d=\"");
    EXPECT_NE(at, std::string::npos) << cls;
    std::vector<std::pair<double, double>> points;
    if (at == std::string::npos) return points;
    const std::size_t from = svg.find("d=\"", at) + 3;
    std::istringstream d(svg.substr(from, svg.find('"', from) - from));
    std::string word;
    while (d >> word) {
        double y;
        d >> y;
        points.emplace_back(std::stod(word.substr(1)), y);
    }
    return points;
}

// ---- scenarios ----

struct Compiled {
    scenario::Compilation compilation;
    MapSources sources() const {
        const scenario::ScenarioModel& model = compilation.model;
        return {&model.routeTable, &model.lineTable, &model.trackPlan};
    }
};

std::unique_ptr<Compiled> compiled(const std::string& line, const std::string& train,
                                   const std::string& lineName, const std::string& trainName) {
    auto c = std::make_unique<Compiled>();
    c->compilation = scenario::compile({lineName, trainName},
                                       {scenario::inMemory(line), scenario::inMemory(train)});
    EXPECT_EQ(c->compilation.model.error.errorCode, scenario::ErrorCode::none);
    EXPECT_EQ(c->compilation.stamp, scenario::StampResult::stamped);
    return c;
}

std::string carriedLine() {
    return content::encodeDocument(content::lineDescription());
}
std::string carriedTrain() {
    return content::encodeDocument(content::trainDescription());
}

// The short line with a speed board at 7000 m, a faster limit from 5000 m, and a 30 km/h
// slowdown from 5000 m for 800 m (its warning board at 3800 m, countdown cells before it).
std::string slowdownLine() {
    return testing::withRecord(fixture(testing::kLineFixture),
                               "indicatori_vmax,  7000,  60,  60,  60,  0,  ,  ,  ,  0");
}
std::string slowdownTrain() {
    return testing::withRecord(
        testing::withRecord(fixture(testing::kTrainFixture), "velocita,  5000,  100"),
        "rallentamento,  5000,  30,  800,  0,  1,  0");
}

class MapDrawing : public ::testing::Test {
  protected:
    // The map `map` writes from these descriptions, with `extra` arguments.
    Outcome map(const std::string& line, const std::string& train, const std::string& lineName,
                const std::string& trainName, std::vector<std::string> extra = {}) {
        const std::string l = dir.file(lineName + "_linea.txt");
        const std::string t = dir.file(lineName + "_" + trainName + "-.txt");
        spit(l, line);
        spit(t, train);
        std::vector<std::string> args{"map", "--from-sources", l, t};
        args.insert(args.end(), extra.begin(), extra.end());
        return testing::runTool(args);
    }
    TempDir dir;
};

// The placing of labels trusts labelWidth to cover what the font draws: every character,
// plain and bold, and the widest of those outside ASCII.
TEST(LabelWidth, CoversEveryCharacterAsTheFontSetsIt) {
    std::vector<std::string> texts = {"\xC3\xA9", "\xE2\x80\xA6", "\xE2\x80\xB0", "\xC5\x81"};
    for (char c = 0x20; c <= 0x7E; ++c) texts.emplace_back(1, c);
    for (const std::string& text : texts) {
        for (const bool bold : {false, true}) {
            EXPECT_GE(labelWidth(text, 10, bold), setWidth(text, 10, bold))
                << "\"" << text << "\"" << (bold ? " bold" : "");
        }
    }
}

TEST_F(MapDrawing, NoTwoLabelsOverlapAndMostObjectsAreNamed) {
    struct Case {
        const char* what;
        std::string line, train, lineName, trainName;
        std::vector<std::string> extra;
        std::size_t fewestLabels;
    };
    const std::vector<Case> cases = {
        {"the carried line", carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514", {}, 150},
        {"a stretch of it",
         carriedLine(),
         carriedTrain(),
         "GENOVA_TORINO",
         "IC514",
         {"--km", "35-60"},
         60},
        {"its last km",
         carriedLine(),
         carriedTrain(),
         "GENOVA_TORINO",
         "IC514",
         {"--km", "168-169"},
         10},
        {"a slowdown", slowdownLine(), slowdownTrain(), "COLLE_MARE", "R2041", {}, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = map(c.line, c.train, c.lineName, c.trainName, c.extra);
        ASSERT_EQ(o.status, kMapWritten) << o.err;
        expectNoOverlap(o.out);
        EXPECT_GE(labels(o.out).size(), c.fewestLabels);
    }
}

TEST_F(MapDrawing, TheCarriedLineNamesEveryStationOnThePlanAndTheProfile) {
    const auto c = compiled(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514");
    for (const std::string& svg :
         {renderPlanSvg(c->sources(), {}), renderProfileSvg(c->sources(), {})}) {
        std::set<int> stations;
        std::size_t named = 0;
        for (const Drawn& d : objects(svg)) {
            if (const auto entry = attribute(d.tag, "data-station")) {
                stations.insert(std::stoi(*entry));
                if (d.body.find("<text") != std::string::npos) ++named;
            }
        }
        EXPECT_EQ(stations.size(), 34u);
        EXPECT_EQ(*stations.begin(), 1);
        EXPECT_EQ(*stations.rbegin(), 34);
        // A name that would cover another is left out; on this line few are.
        EXPECT_GE(named, 32u);
    }
}

TEST_F(MapDrawing, EveryObjectCarriesItsCellAndATitleThatNamesIt) {
    const auto c = compiled(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514");
    const std::string plan = renderPlanSvg(c->sources(), {});
    const std::string profile = renderProfileSvg(c->sources(), {});
    for (const std::string* svg : {&plan, &profile}) {
        const std::vector<Drawn> drawn = objects(*svg);
        EXPECT_GT(drawn.size(), 130u);  // 34 stations, 97 signals, boards
        for (const Drawn& d : drawn) {
            EXPECT_TRUE(std::regex_search(d.title, std::regex(" [0-9]+\\+[0-9]{3}")))
                << d.tag << d.title;
            EXPECT_GE(std::stoi(*attribute(d.tag, "data-cell")), 0) << d.tag;
        }
    }
    // The signal the installer places at 35150 m stands in cell 704.
    auto find = [](const std::string& svg, const std::string& title) -> std::optional<Drawn> {
        for (const Drawn& d : objects(svg)) {
            if (d.title == title) return d;
        }
        return std::nullopt;
    };
    const auto signal = find(profile, "signal 35+150");
    ASSERT_TRUE(signal);
    EXPECT_EQ(attribute(signal->tag, "data-cell"), "704");
    EXPECT_EQ(attribute(signal->tag, "data-kind"), "signal");
    const auto first = find(plan, "station GENOVA BRIGNOLE 0+000");
    ASSERT_TRUE(first);
    EXPECT_EQ(attribute(first->tag, "data-station"), "1");

    // The profile tells how to turn an x into metres: the signal's tick stands where it says.
    const std::string top = root(profile);
    EXPECT_EQ(attribute(top, "data-from"), "0");
    EXPECT_EQ(attribute(top, "data-to"), "169000");
    const double left = number(top, "data-left");
    const double width = number(top, "data-width");
    const double x = number(signal->body.substr(signal->body.find("<line")), "x1");
    EXPECT_NEAR(left + 35150.0 / 169000 * width, x, 0.06);
    EXPECT_TRUE(attribute(root(plan), "data-rotation"));
}

TEST_F(MapDrawing, TheProfileIsLaidOutForItsPanel) {
    const auto carried = compiled(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514");
    const auto slowdown = compiled(slowdownLine(), slowdownTrain(), "COLLE_MARE", "R2041");
    struct Case {
        const char* what;
        const Compiled* scenario;
        std::optional<MapStretch> stretch;
        double width, height;
        std::size_t fewestNames;  // stations named on the carried line's profile
    };
    const std::vector<Case> cases = {
        {"as the map draws it", carried.get(), {}, 1400, 650, 32},
        {"wide and short", carried.get(), {}, 1000, 300, 24},
        {"tall and narrow", carried.get(), {}, 600, 500, 16},
        {"the smallest panel", carried.get(), {}, 200, 200, 0},
        {"a stretch, wide and short", carried.get(), MapStretch{35000, 60000}, 1000, 300, 4},
        {"a slowdown, wide and short", slowdown.get(), {}, 1000, 300, 0},
        {"a slowdown, tall and narrow", slowdown.get(), {}, 600, 500, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MapView view;
        view.stretch = c.stretch;
        view.profileWidth = c.width;
        view.profileHeight = c.height;
        const std::string profile = renderProfileSvg(c.scenario->sources(), view);
        const std::string top = root(profile);
        EXPECT_EQ(number(top, "width"), c.width);
        EXPECT_EQ(number(top, "height"), c.height);
        expectNoOverlap(profile);

        // Everything drawn stands in the picture, and the bands take much of its height.
        double bands = 0;
        for (std::size_t at = profile.find('<', 1); at != std::string::npos;
             at = profile.find('<', at + 1)) {
            const std::string tag = profile.substr(at, profile.find('>', at) - at + 1);
            const auto within = [&](double x, double y) {
                EXPECT_TRUE(x >= -0.06 && x <= c.width + 0.06 && y >= -0.06 && y <= c.height + 0.06)
                    << tag;
            };
            if (tag.starts_with("<line")) {
                within(number(tag, "x1"), number(tag, "y1"));
                within(number(tag, "x2"), number(tag, "y2"));
            } else if (tag.starts_with("<rect")) {
                within(number(tag, "x"), number(tag, "y"));
                within(number(tag, "x") + number(tag, "width"),
                       number(tag, "y") + number(tag, "height"));
                if (tag.find("stroke=\"#bbbbbb\"") != std::string::npos) {
                    bands += number(tag, "height");
                }
            }
        }
        EXPECT_GT(bands, c.height * 0.4);

        // The page turns an x into metres by the root's attributes: each object's mark
        // stands where they say.
        const double from = number(top, "data-from");
        const double to = number(top, "data-to");
        const double left = number(top, "data-left");
        const double width = number(top, "data-width");
        EXPECT_NEAR(left + width, c.width - 30, 0.06);
        std::size_t marks = 0;
        std::size_t named = 0;
        for (const Drawn& d : objects(profile)) {
            const std::string kind = *attribute(d.tag, "data-kind");
            if (kind == "station" && d.body.find("<text") != std::string::npos) ++named;
            if (kind != "signal" && kind != "station") continue;
            const double at = number(d.tag, "data-at");
            const double x = number(d.body.substr(d.body.find("<line")), "x1");
            EXPECT_NEAR(left + (at - from) / (to - from) * width, x, 0.06) << d.title;
            ++marks;
        }
        EXPECT_GE(marks, 3u);
        EXPECT_GE(named, c.fewestNames);
    }
}

TEST(PlanFit, ThePlanIsTurnedToFillItsPanel) {
    // Straight lines of 10 km in an 800 by 400 panel with a margin of 50: a straight line is
    // drawn largest along the diagonal of the 700 by 300 inside, 761.6 long, 23.2 degrees
    // from the level; of the turns that come within 3% of that, the one nearest north-up.
    struct Case {
        const char* what;
        double dx, dy;  // heading per metre, x east, y north
        double fewestDegrees, mostDegrees;
    };
    const std::vector<Case> cases = {
        {"heading east", 1, 0, 0, 24.2},
        {"heading north", 0, 1, 65.8, 90},
        {"heading north-east", std::sqrt(0.5), std::sqrt(0.5), 0, 22.8},
    };
    const double diagonal = std::hypot(700.0, 300.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scenario::TrackPlan plan;
        plan.dimension(10001);
        for (int m = 0; m <= 10000; ++m) {
            plan.setReal(m, 0, c.dx * m);
            plan.setReal(m, 1, c.dy * m);
        }
        const auto g = PlanGeometry::fit(plan, 0, 10000, 800, 400, 50);
        ASSERT_TRUE(g);
        EXPECT_GE(std::abs(g->rotation()), c.fewestDegrees);
        EXPECT_LE(std::abs(g->rotation()), c.mostDegrees);
        EXPECT_GE(10000 * g->scale(), 0.97 * diagonal);
        EXPECT_LE(10000 * g->scale(), diagonal + 0.5);
        // Both ends inside the panel's margin.
        for (const int m : {0, 10000}) {
            const auto p = g->at(m);
            ASSERT_TRUE(p);
            EXPECT_GE(p->first, 49.9);
            EXPECT_LE(p->first, 750.1);
            EXPECT_GE(p->second, 49.9);
            EXPECT_LE(p->second, 350.1);
        }
    }

    // The carried line, turned, is drawn larger than north-up.
    const auto c = compiled(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514");
    const PlanReport extent = planReport(c->compilation.model.trackPlan);
    const auto g = PlanGeometry::fit(c->compilation.model.trackPlan, 0, 169000, 1400, 760, 56);
    ASSERT_TRUE(g);
    const double northUp = std::min((1400.0 - 112) / (extent.maxX - extent.minX),
                                    (760.0 - 112) / (extent.maxY - extent.minY));
    EXPECT_GT(g->scale(), northUp * 1.2);
}

TEST_F(MapDrawing, AStretchIsDrawnAloneWithItsKmTicks) {
    const Outcome whole = map(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514");
    const Outcome stretch =
        map(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514", {"--km", "35-60"});
    ASSERT_EQ(stretch.status, kMapWritten) << stretch.err;
    const std::string& svg = stretch.out;
    const std::string profile = part(svg, "profile");
    EXPECT_EQ(attribute(root(profile), "data-from"), "35000");
    EXPECT_EQ(attribute(root(profile), "data-to"), "60000");
    std::size_t inside = 0;
    for (const Drawn& d : objects(svg)) {
        const double at = number(d.tag, "data-at");
        EXPECT_GE(at, 35000) << d.title;
        EXPECT_LE(at, 60000) << d.title;
        ++inside;
    }
    EXPECT_GT(inside, 20u);

    auto ticks = [](const std::string& map) {
        std::vector<int> km;
        for (std::size_t at = map.find("data-km=\""); at != std::string::npos;
             at = map.find("data-km=\"", at + 1)) {
            km.push_back(std::stoi(map.substr(at + 9)));
        }
        return km;
    };
    std::vector<int> every;
    for (int km = 35; km <= 60; ++km) every.push_back(km);
    EXPECT_EQ(ticks(svg), every);                      // a tick at each km of a stretch drawn large
    const std::vector<int> sparse = ticks(whole.out);  // and every few km on the whole line
    ASSERT_GT(sparse.size(), 8u);
    EXPECT_EQ(sparse.front(), 0);
    EXPECT_GE(sparse[1] - sparse[0], 2);

    const std::string planOf = root(part(svg, "track-plan"));
    const std::string wholePlan = root(part(whole.out, "track-plan"));
    EXPECT_GT(number(planOf, "data-scale"), 4 * number(wholePlan, "data-scale"));
}

TEST_F(MapDrawing, AStretchThatIsNotOnTheLineIsRefused) {
    struct Case {
        const char* km;
        const char* says;
    };
    for (const Case& c : std::vector<Case>{{"60-35", "ends before it starts"},
                                           {"35", "is not FROM-TO"},
                                           {"200-210", "begins after the line's end at 169+000"}}) {
        SCOPED_TRACE(c.km);
        const Outcome o =
            map(carriedLine(), carriedTrain(), "GENOVA_TORINO", "IC514", {"--km", c.km});
        EXPECT_EQ(o.status, kMapNoInput);
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_EQ(o.out, "");
    }
    const Outcome help = testing::runTool({"map", "--help"});
    EXPECT_NE(help.out.find("--km FROM-TO"), std::string::npos);
}

TEST_F(MapDrawing, TheSpeedChartShowsTheTrainsSlowdownsAndTheSpeedBoards) {
    const auto c = compiled(slowdownLine(), slowdownTrain(), "COLLE_MARE", "R2041");
    const std::string profile = renderProfileSvg(c->sources(), {});
    const std::string top = root(profile);
    const double left = number(top, "data-left");
    const double width = number(top, "data-width");
    const double to = number(top, "data-to");
    auto x = [&](double metres) { return left + metres / to * width; };

    std::map<std::string, Drawn> byTitle;
    for (const Drawn& d : objects(profile)) byTitle[d.title] = d;
    ASSERT_TRUE(byTitle.count("slowdown 30 km/h from 5+000 to 5+800")) << profile;
    EXPECT_EQ(attribute(byTitle["slowdown 30 km/h from 5+000 to 5+800"].tag, "data-cell"), "101");
    EXPECT_NE(byTitle["slowdown 30 km/h from 5+000 to 5+800"].body.find(">30</text>"),
              std::string::npos);
    EXPECT_TRUE(byTitle.count("slowdown warning board 30 km/h 3+800"));
    EXPECT_TRUE(byTitle.count("slowdown end 30 km/h 5+800"));
    ASSERT_TRUE(byTitle.count("speed board 60 km/h 7+000"));
    EXPECT_NE(byTitle["speed board 60 km/h 7+000"].body.find(">60</text>"), std::string::npos);

    // The train's limit: lower than the line's from 5000 m to 5800 m, and only there.
    const auto line = pathPoints(profile, "line-speed");
    const auto train = pathPoints(profile, "train-speed");
    ASSERT_EQ(train.size(), 2u);
    EXPECT_NEAR(train[0].first, x(5000), 0.06);
    EXPECT_NEAR(train[1].first, x(5800), 0.06);
    double lineY = 0;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i].first <= x(5400) && line[i + 1].first >= x(5400)) lineY = line[i].second;
    }
    EXPECT_GT(train[0].second, lineY + 50);  // 30 km/h under the line's 100 km/h

    // The plan draws them too, each with its cell.
    const std::string plan = renderPlanSvg(c->sources(), {});
    std::set<std::string> kinds;
    for (const Drawn& d : objects(plan)) kinds.insert(*attribute(d.tag, "data-kind"));
    for (const char* kind : {"slowdown", "slowdown end", "slowdown warning", "speed board",
                             "signal", "station", "location board", "mark"}) {
        EXPECT_TRUE(kinds.count(kind)) << kind;
    }
}

}  // namespace
}  // namespace tool
