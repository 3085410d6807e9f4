// What `map` writes: a title with what the map shows, the plan's legend, the plan and the
// profile, each of the two a picture of its own placed in one document.
#include "tools/map/svg_map.h"

#include <algorithm>

#include "tools/compiled_files/inspection.h"
#include "tools/map/svg_map_parts.h"
#include "tools/map/svg_map_support.h"

namespace tool {
namespace {

using namespace svg;

constexpr double kWidth = 1400;

// A part placed at (0, y) in the document: its root's own size and attributes stay.
std::string placed(const std::string& part, double y) {
    return "<svg x=\"0\" y=\"" + num(y) + "\"" + part.substr(4);
}

double partHeight(const std::string& part) {
    const std::size_t at = part.find(" height=\"");
    return at == std::string::npos ? 0 : std::stod(part.substr(at + 9));
}

std::string legend(double y) {
    std::string out;
    double x = 40;
    const double cy = y + 12;
    TextStyle style;
    style.size = 11;
    auto entry = [&](const std::string& symbol, double symbolWidth, const std::string& words) {
        out += symbol;
        x += symbolWidth + 6;
        out += textElement(x, cy + 4, words, style) + "\n";
        x += labelWidth(words, style.size) + 16;
    };
    entry("<line x1=\"" + num(x) + "\" y1=\"" + num(cy) + "\" x2=\"" + num(x + 22) + "\" y2=\"" +
              num(cy) + "\" stroke=\"" + kTrackColour + "\" stroke-width=\"2\"/>",
          22, "track");
    entry("<rect x=\"" + num(x) + "\" y=\"" + num(cy - 5) +
              "\" width=\"22\" height=\"10\" fill=\"" + kMountainColour +
              "\" fill-opacity=\"0.55\"/>",
          22, "mountain stretch");
    entry("<line x1=\"" + num(x + 5) + "\" y1=\"" + num(cy - 5) + "\" x2=\"" + num(x + 5) +
              "\" y2=\"" + num(cy + 5) + "\" stroke=\"#2060a0\" stroke-width=\"1.4\"/>",
          10, "km tick");
    entry("<circle cx=\"" + num(x + 5) + "\" cy=\"" + num(cy) +
              "\" r=\"4.5\" fill=\"#ffffff\" stroke=\"" + kStationColour +
              "\" stroke-width=\"2\"/>",
          10, "station");
    entry("<circle cx=\"" + num(x + 4) + "\" cy=\"" + num(cy) + "\" r=\"2.6\" fill=\"" +
              kSignalColour + "\"/>",
          8, "signal");
    entry("<rect x=\"" + num(x + 1) + "\" y=\"" + num(cy - 3) +
              "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>",
          8, "speed board");
    entry("<path d=\"M" + num(x + 5) + " " + num(cy - 5) + " L" + num(x + 10) + " " + num(cy) +
              " L" + num(x + 5) + " " + num(cy + 5) + " L" + num(x) + " " + num(cy) +
              " Z\" fill=\"" + kLocationBoardColour + "\"/>",
          10, "location board");
    entry("<rect x=\"" + num(x + 1.5) + "\" y=\"" + num(cy - 3.5) +
              "\" width=\"7\" height=\"7\" fill=\"#ffffff\" stroke=\"" + kSlowdownColour +
              "\" stroke-width=\"2\"/>",
          10, "slowdown start, end");
    entry("<path d=\"M" + num(x + 5) + " " + num(cy - 5) + " L" + num(x + 9.5) + " " +
              num(cy + 3.5) + " L" + num(x + 0.5) + " " + num(cy + 3.5) + " Z\" fill=\"" +
              kSlowdownColour + "\"/>",
          10, "warning board");
    entry("<rect x=\"" + num(x + 2) + "\" y=\"" + num(cy - 2) +
              "\" width=\"4\" height=\"4\" fill=\"" + kMarkColour + "\"/>",
          8, "mark");
    return out;
}

}  // namespace

std::string renderMapSvg(const MapSources& sources, const MapView& requested) {
    MapView view = requested;
    view.planWidth = kWidth;
    view.profileWidth = kWidth;
    const MapModel model = buildMapModel(sources, view);

    std::string body;
    TextStyle title;
    title.size = 20;
    title.bold = true;
    body += textElement(40, 32, model.name, title) + "\n";
    std::string summary = "line length " + num(static_cast<double>(model.lineEnd) / 1000) +
                          " km, " + std::to_string(model.stationCount) + " stations, " +
                          std::to_string(model.signalCount) + " signals";
    if (model.from != 0 || model.to != model.lineEnd) {
        summary += "; drawn from " + kilometreText(model.from) + " to " + kilometreText(model.to);
    }
    TextStyle small;
    small.size = 12;
    small.fill = "#444444";
    body += textElement(40, 52, summary, small) + "\n";
    double y = 60;

    if (const std::optional<std::string> plan = planSvg(model, sources.plan, view)) {
        body += legend(y);
        y += 30;
        body += placed(*plan, y);
        y += partHeight(*plan) + 20;
    }
    const std::string profile = profileSvg(model, view.profileWidth, view.profileHeight);
    body += placed(profile, y);
    y += partHeight(profile) + 10;

    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
           num(kWidth) + "\" height=\"" + num(y) + "\" viewBox=\"0 0 " + num(kWidth) + " " +
           num(y) + "\" font-family=\"" + kFontFamily + "\">\n" + "<rect x=\"0\" y=\"0\" width=\"" +
           num(kWidth) + "\" height=\"" + num(y) + "\" fill=\"#ffffff\"/>\n" + body + "</svg>\n";
}

}  // namespace tool
