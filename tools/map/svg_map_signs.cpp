#include "tools/map/svg_map_signs.h"

#include <algorithm>

namespace tool::svg {
namespace {

constexpr double kSignalRadius = 3.2;
constexpr double kLegendRow = 15;
constexpr double kLegendText = 10;

const char* sideFill(int kind) {
    switch (kind) {
        case 0:
            return "#ffffff";
        case 1:
            return "#f0a0a0";
        default:
            return kSignalColour;
    }
}

// Half a disc of radius r around (x, y): the left half sweeps counter-clockwise from the top.
std::string halfDisc(double x, double y, double r, bool left, const char* fill) {
    return "<path d=\"M" + num(x) + " " + num(y - r) + " A" + num(r) + " " + num(r) + " 0 0 " +
           (left ? "0 " : "1 ") + num(x) + " " + num(y + r) + " Z\" fill=\"" + fill +
           "\" stroke=\"none\"/>";
}

std::string row(double x, double y, const std::string& sign, const std::string& words) {
    TextStyle style;
    style.size = kLegendText;
    return sign + textElement(x + 12, y + kLegendText * 0.35, words, style);
}

}  // namespace

std::string signalMark(std::pair<int, int> sides, double x, double y) {
    const auto [left, right] = sides;
    const double r = kSignalRadius;
    if (left < 0 || left > 2 || right < 0 || right > 2) {
        return "<rect x=\"" + num(x - r) + "\" y=\"" + num(y - r) + "\" width=\"" + num(2 * r) +
               "\" height=\"" + num(2 * r) + "\" fill=\"#400000\"/>";
    }
    return "<g class=\"signal-sign\">" + halfDisc(x, y, r, true, sideFill(left)) +
           halfDisc(x, y, r, false, sideFill(right)) + "<circle cx=\"" + num(x) + "\" cy=\"" +
           num(y) + "\" r=\"" + num(r) + "\" fill=\"none\" stroke=\"" + kSignalColour +
           "\" stroke-width=\"1\"/></g>";
}

std::string planLegend(const LegendContent& content, double width, double height, Box& taken) {
    std::vector<std::pair<std::string, std::string>> rows;  // sign at (0, 0), words
    if (content.stations) {
        rows.emplace_back("<circle cx=\"0\" cy=\"0\" r=\"4.5\" fill=\"#ffffff\" stroke=\"" +
                              std::string(kStationColour) + "\" stroke-width=\"2\"/>",
                          "station");
    }
    if (content.areas) {
        rows.emplace_back("<line x1=\"-6\" y1=\"0\" x2=\"6\" y2=\"0\" stroke=\"" +
                              std::string(kStationColour) +
                              "\" stroke-opacity=\"0.22\" stroke-width=\"9\"/>",
                          "station area");
    }
    if (content.stopCells) {
        rows.emplace_back(
            "<line x1=\"0\" y1=\"-6\" x2=\"0\" y2=\"6\" stroke=\"#0b6e99\" "
            "stroke-width=\"2.5\"/>",
            "stop cell");
    }
    for (const auto& kind : content.signalKinds) {
        rows.emplace_back(signalMark(kind, 0, 0), "signal, sx " + std::to_string(kind.first) +
                                                      ", dx " + std::to_string(kind.second));
    }
    if (content.approaches) {
        TextStyle code;
        code.size = 8;
        code.anchor = Anchor::middle;
        code.fill = "#0b6e99";
        rows.emplace_back(textElement(0, 3, "81", code), "approach code");
    }
    if (rows.empty()) return {};
    double widest = 0;
    for (const auto& r : rows) widest = std::max(widest, labelWidth(r.second, kLegendText));
    const double boxWidth = widest + 30;
    const double boxHeight = static_cast<double>(rows.size()) * kLegendRow + 8;
    const double x0 = width - boxWidth - 8;
    const double y0 = height - boxHeight - 8;
    taken = {x0, y0, x0 + boxWidth, y0 + boxHeight};
    std::string out = "<g class=\"legend\" data-width=\"" + num(boxWidth) + "\" data-height=\"" +
                      num(boxHeight) + "\" transform=\"translate(" + num(x0) + " " + num(y0) +
                      ")\"><rect x=\"0\" y=\"0\" width=\"" + num(boxWidth) + "\" height=\"" +
                      num(boxHeight) +
                      "\" fill=\"#ffffff\" fill-opacity=\"0.9\" stroke=\"#bbbbbb\"/>";
    double y = 4 + kLegendRow / 2;
    for (const auto& [sign, words] : rows) {
        out += "<g transform=\"translate(12 " + num(y) + ")\">" + row(0, 0, sign, words) + "</g>";
        y += kLegendRow;
    }
    return out + "</g>\n";
}

}  // namespace tool::svg
