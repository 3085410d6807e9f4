// The profile against distance: station names, the gradient as stored, the line's speed limit
// and the train's with its slowdowns, speed boards and signals, over a km axis.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/inspection.h"
#include "tools/svg_map.h"
#include "tools/svg_map_parts.h"
#include "tools/svg_map_support.h"

namespace tool {
namespace {

using namespace svg;

constexpr double kWidth = 1400;
constexpr double kLeft = 100;
constexpr double kRight = 30;

// "35", "35.5", "35.25": a km number with as many decimals as the step needs.
std::string kmNumber(std::int64_t metres, double step) {
    const int decimals = step >= 1000 ? 0 : step >= 100 ? 1 : step >= 10 ? 2 : 3;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(metres) / 1000);
    return buf;
}

class ProfilePicture {
  public:
    explicit ProfilePicture(const MapModel& model) : m_(model) {
        span_ = static_cast<double>(std::max<std::int64_t>(m_.to - m_.from, 1));
    }

    std::string render() {
        std::string body;
        TextStyle heading;
        heading.size = 13;
        heading.bold = true;
        std::string title = "Profile";
        if (m_.from != 0 || m_.to != m_.lineEnd) {
            title += " " + kilometreText(m_.from) + " to " + kilometreText(m_.to);
        }
        body += fixedText(10, 20, title, heading);

        // The names stand upright over the bands; their room is that of the longest.
        double longest = 40;
        for (const MapObject& o : m_.objects) {
            if (o.kind == MapObjectKind::station) {
                longest = std::max(longest, std::min(labelWidth(o.label, 10), 220.0));
            }
        }
        const double gradientTop = 40 + longest + 8;
        const double gradientBottom = gradientTop + 120;
        const double speedTop = gradientBottom + 24;
        const double speedBottom = speedTop + 170;

        body += stations(gradientTop, speedBottom);
        body += gradientBand(gradientTop, gradientBottom);
        body += speedBand(speedTop, speedBottom);
        double y = speedBottom;
        body += distanceAxis(y);
        y += 44;
        body += legend(y);
        height_ = y + 16;
        return body;
    }

    double height() const { return height_; }

  private:
    double px(double metres) const {
        return kLeft + (metres - static_cast<double>(m_.from)) / span_ * width();
    }
    static double width() { return kWidth - kLeft - kRight; }

    std::string fixedText(double x, double y, std::string_view text, const TextStyle& style) {
        space_.takeHard(textBox(x, y, text, style));
        return textElement(x, y, text, style) + "\n";
    }

    std::string stations(double gradientTop, double speedBottom) {
        std::string out;
        TextStyle name;
        name.size = 10;
        name.upward = true;
        const double baseline = gradientTop - 6;
        for (const MapObject& o : m_.objects) {
            if (o.kind != MapObjectKind::station) continue;
            const double x = px(static_cast<double>(o.position));
            out += objectOpen(o) + "<line x1=\"" + num(x) + "\" y1=\"" + num(gradientTop - 4) +
                   "\" x2=\"" + num(x) + "\" y2=\"" + num(speedBottom) +
                   "\" stroke=\"#8a8a8a\" stroke-width=\"0.8\" stroke-dasharray=\"3 3\"/>";
            // Beside its line, else a little aside; left out where neighbours leave no room.
            if (auto text = space_.place(o.label, name,
                                         {{x + 10, baseline, Anchor::start},
                                          {x - 2.5, baseline, Anchor::start},
                                          {x + 21, baseline, Anchor::start},
                                          {x - 13.5, baseline, Anchor::start}})) {
                out += text->element;
            }
            out += "</g>\n";
        }
        return out;
    }

    std::string bandFrame(double top, double bottom, const std::string& name) {
        std::string out = "<rect x=\"" + num(kLeft) + "\" y=\"" + num(top) + "\" width=\"" +
                          num(width()) + "\" height=\"" + num(bottom - top) +
                          "\" fill=\"none\" stroke=\"#bbbbbb\"/>\n";
        TextStyle style;
        style.size = 11;
        style.upward = true;
        style.anchor = Anchor::middle;
        return out + fixedText(28, (top + bottom) / 2, name, style);
    }

    std::string axisLabel(double y, const std::string& text) {
        TextStyle style;
        style.size = 10;
        style.anchor = Anchor::end;
        return fixedText(kLeft - 5, y + 3.5, text, style);
    }

    std::string gradientBand(double top, double bottom) {
        std::string out;
        // The band shows below zero only when some gradient is negative. The gradients are
        // drawn as they are stored, per mille, without a height integrated from them: the files
        // say how steep the line is, not which way it climbs.
        int up = 0;
        int down = 0;
        for (const GradientStep& g : m_.gradients) {
            up = std::max(up, g.perMille);
            down = std::max(down, -g.perMille);
        }
        if (up == 0 && down == 0) up = 5;
        const double perMille = (bottom - top) / (up + down);
        const double mid = top + up * perMille;
        for (const auto& [from, to] : m_.mountains) {
            out += "<rect class=\"mountain\" x=\"" + num(px(static_cast<double>(from))) +
                   "\" y=\"" + num(top) + "\" width=\"" +
                   num(std::max(px(static_cast<double>(to)) - px(static_cast<double>(from)), 0.5)) +
                   "\" height=\"" + num(bottom - top) + "\" fill=\"" + kMountainColour +
                   "\" fill-opacity=\"0.3\"/>\n";
        }
        for (const GradientStep& g : m_.gradients) {
            if (g.perMille == 0) continue;
            const double h = std::abs(g.perMille) * perMille;
            const double x0 = px(static_cast<double>(g.from));
            const double x1 = px(static_cast<double>(g.to));
            out += "<rect x=\"" + num(x0) + "\" y=\"" + num(g.perMille > 0 ? mid - h : mid) +
                   "\" width=\"" + num(std::max(x1 - x0, 0.5)) + "\" height=\"" + num(h) +
                   "\" fill=\"" + (g.perMille > 0 ? "#c0504d" : "#4f81bd") + "\"/>\n";
        }
        out += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(mid) + "\" x2=\"" +
               num(kLeft + width()) + "\" y2=\"" + num(mid) +
               "\" stroke=\"#666666\" stroke-width=\"0.8\"/>\n";
        out += bandFrame(top, bottom, "gradient (\xE2\x80\xB0)");
        if (up > 0) out += axisLabel(top + 3, "+" + std::to_string(up));
        out += axisLabel(mid, "0");
        if (down > 0) out += axisLabel(bottom - 3, "-" + std::to_string(down));
        return out;
    }

    // The line's limit at `metres`.
    int lineLimitAt(std::int64_t metres) const {
        for (const SpeedStep& s : m_.lineSpeed) {
            if (metres >= s.from && metres < s.to) return s.kmh;
        }
        return m_.lineSpeed.empty() ? 0 : m_.lineSpeed.back().kmh;
    }

    std::string speedBand(double top, double bottom) {
        std::string out;
        int fastest = 20;
        for (const SpeedStep& s : m_.lineSpeed) fastest = std::max(fastest, s.kmh);
        const int ceiling = (fastest + 19) / 20 * 20;
        const auto py = [&](double v) {
            return bottom -
                   std::clamp(v, 0.0, static_cast<double>(ceiling)) / ceiling * (bottom - top - 12);
        };
        for (int v = 0; v <= ceiling; v += ceiling > 100 ? 40 : 20) {
            out += "<line x1=\"" + num(kLeft) + "\" y1=\"" + num(py(v)) + "\" x2=\"" +
                   num(kLeft + width()) + "\" y2=\"" + num(py(v)) +
                   "\" stroke=\"#e4e4e4\" stroke-width=\"0.8\"/>\n";
            out += axisLabel(py(v), std::to_string(v));
        }
        auto stepsPath = [&](const std::vector<SpeedStep>& steps, bool onlyBelowLine) {
            std::string d;
            std::int64_t penEnd = -1;
            for (const SpeedStep& s : steps) {
                if (onlyBelowLine && s.kmh >= lineLimitAt(s.from)) continue;
                const double x0 = px(static_cast<double>(s.from));
                const double x1 = px(static_cast<double>(s.to));
                d += (penEnd == s.from ? " L" : " M") + num(x0) + " " + num(py(s.kmh)) + " L" +
                     num(x1) + " " + num(py(s.kmh));
                penEnd = s.to;
            }
            return d;
        };
        // Values keep clear of the limits where they can.
        for (const std::vector<SpeedStep>* steps : {&m_.lineSpeed, &m_.trainSpeed}) {
            double lastY = -1;
            for (const SpeedStep& s : *steps) {
                const double y = py(s.kmh);
                const double x0 = px(static_cast<double>(s.from));
                space_.takeSoft({x0, y - 1.5, px(static_cast<double>(s.to)), y + 1.5});
                if (lastY >= 0)
                    space_.takeSoft({x0 - 1.5, std::min(y, lastY), x0 + 1.5, std::max(y, lastY)});
                lastY = y;
            }
        }
        out += "<path class=\"line-speed\" d=\"" + stepsPath(m_.lineSpeed, false) +
               "\" fill=\"none\" stroke=\"" + kLineSpeedColour + "\" stroke-width=\"1.8\"/>\n";
        // The train's own limit where its slowdowns bring it under the line's.
        out += "<path class=\"train-speed\" d=\"" + stepsPath(m_.trainSpeed, true) +
               "\" fill=\"none\" stroke=\"" + kSlowdownColour + "\" stroke-width=\"2.2\"/>\n";

        std::string signals;
        std::string others;
        for (const MapObject& o : m_.objects) {
            const double x = px(static_cast<double>(o.position));
            switch (o.kind) {
                case MapObjectKind::signal:
                    signals += objectOpen(o) + "<line x1=\"" + num(x) + "\" y1=\"" + num(bottom) +
                               "\" x2=\"" + num(x) + "\" y2=\"" + num(bottom - 7) + "\" stroke=\"" +
                               kSignalColour + "\" stroke-width=\"1.2\"/></g>\n";
                    space_.takeSoft({x - 1, bottom - 7, x + 1, bottom});
                    break;
                case MapObjectKind::slowdownStart:
                    others += slowdown(o, py);
                    break;
                case MapObjectKind::slowdownWarning: {
                    const double y = top + 2;
                    others += objectOpen(o) + "<path d=\"M" + num(x) + " " + num(y + 8) + " L" +
                              num(x + 4.5) + " " + num(y) + " L" + num(x - 4.5) + " " + num(y) +
                              " Z\" fill=\"" + kSlowdownColour + "\"/></g>\n";
                    space_.takeSoft({x - 5, y, x + 5, y + 8});
                    break;
                }
                case MapObjectKind::slowdownEnd: {
                    const double y = py(o.speedKmh.value_or(0));
                    others += objectOpen(o) + "<line x1=\"" + num(x) + "\" y1=\"" + num(y) +
                              "\" x2=\"" + num(x) + "\" y2=\"" + num(y - 8) + "\" stroke=\"" +
                              kSlowdownColour + "\" stroke-width=\"2\"/></g>\n";
                    break;
                }
                default:
                    break;
            }
        }
        // Speed boards last: their values give way to the slowdowns'.
        for (const MapObject& o : m_.objects) {
            if (o.kind != MapObjectKind::speedBoard) continue;
            const double x = px(static_cast<double>(o.position));
            const double y = py(o.speedKmh.value_or(0));
            others += objectOpen(o) + "<rect x=\"" + num(x - 3) + "\" y=\"" + num(y - 3) +
                      "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>";
            TextStyle value;
            value.size = 9;
            value.fill = kSpeedBoardColour;
            if (auto text = space_.place(o.label, value,
                                         {{x, y - 6, Anchor::middle},
                                          {x + 5, y - 5, Anchor::start},
                                          {x - 5, y - 5, Anchor::end},
                                          {x, y + 13, Anchor::middle}})) {
                others += text->element;
            }
            others += "</g>\n";
        }
        out += signals + others;
        out += bandFrame(top, bottom, "speed limit (km/h)");
        return out;
    }

    // A slowdown: the limit it takes away shaded from its start to its end, its speed beside.
    template <typename Y>
    std::string slowdown(const MapObject& o, const Y& py) {
        const int v = o.speedKmh.value_or(0);
        const std::int64_t end = std::max(o.position + 50, o.until.value_or(0));
        const double x0 = px(static_cast<double>(o.position));
        const double x1 = px(static_cast<double>(std::min(end, m_.to)));
        std::string d = "M" + num(x0) + " " + num(py(v));
        for (const SpeedStep& s : m_.lineSpeed) {
            if (s.to <= o.position || s.from >= end) continue;
            const double a = px(static_cast<double>(std::max(s.from, o.position)));
            const double b = px(static_cast<double>(std::min(s.to, end)));
            const double y = py(std::max(s.kmh, v));
            d += " L" + num(a) + " " + num(y) + " L" + num(b) + " " + num(y);
        }
        d += " L" + num(x1) + " " + num(py(v)) + " Z";
        std::string out = objectOpen(o) + "<path d=\"" + d + "\" fill=\"" + kSlowdownColour +
                          "\" fill-opacity=\"0.25\" stroke=\"none\"/>";
        TextStyle value;
        value.size = 9;
        value.fill = kSlowdownColour;
        const double y = py(v);
        if (auto text = space_.place(o.label, value,
                                     {{x0 + 2, y + 12, Anchor::start},
                                      {x0 - 2, y + 12, Anchor::end},
                                      {x0 + 2, y + 23, Anchor::start},
                                      {x0 - 2, y - 4, Anchor::end}})) {
            out += text->element;
        }
        return out + "</g>\n";
    }

    std::string distanceAxis(double bottom) {
        std::string out;
        TextStyle number;
        number.size = 10;
        number.anchor = Anchor::middle;
        // The smallest step whose numbers stand clear of each other.
        const double perMetre = width() / span_;
        double step = 10;
        for (;; step = niceStepAbove(step * 1.5)) {
            const std::string widest = kmNumber(m_.to, step);
            if (step * perMetre >= labelWidth(widest, number.size) + 14) break;
        }
        const auto first =
            static_cast<std::int64_t>(std::ceil(static_cast<double>(m_.from) / step) * step);
        for (double m = static_cast<double>(first); m <= static_cast<double>(m_.to) + 0.5;
             m += step) {
            const double x = px(m);
            out += "<line x1=\"" + num(x) + "\" y1=\"" + num(bottom) + "\" x2=\"" + num(x) +
                   "\" y2=\"" + num(bottom + 6) + "\" stroke=\"#000000\"/>\n";
            out += fixedText(x, bottom + 17, kmNumber(static_cast<std::int64_t>(m), step), number);
        }
        TextStyle caption;
        caption.size = 11;
        caption.anchor = Anchor::middle;
        caption.fill = "#444444";
        out += fixedText(kLeft + width() / 2, bottom + 34, "distance from the start (km)", caption);
        return out;
    }

    std::string legend(double y) {
        std::string out;
        double x = kLeft;
        TextStyle style;
        style.size = 10;
        style.fill = "#444444";
        auto entry = [&](const std::string& symbol, const std::string& words) {
            out += symbol;
            x += 24;
            out += fixedText(x, y + 4, words, style);
            x += labelWidth(words, style.size) + 18;
        };
        entry("<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x + 18) + "\" y2=\"" +
                  num(y) + "\" stroke=\"" + kLineSpeedColour + "\" stroke-width=\"2\"/>",
              "line speed limit");
        entry("<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x + 18) + "\" y2=\"" +
                  num(y) + "\" stroke=\"" + kSlowdownColour + "\" stroke-width=\"2.2\"/>",
              "train's limit under a slowdown");
        entry("<path d=\"M" + num(x + 9) + " " + num(y + 5) + " L" + num(x + 13.5) + " " +
                  num(y - 3) + " L" + num(x + 4.5) + " " + num(y - 3) + " Z\" fill=\"" +
                  kSlowdownColour + "\"/>",
              "slowdown warning board");
        entry("<rect x=\"" + num(x + 6) + "\" y=\"" + num(y - 3) +
                  "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>",
              "speed board");
        entry("<line x1=\"" + num(x + 9) + "\" y1=\"" + num(y + 4) + "\" x2=\"" + num(x + 9) +
                  "\" y2=\"" + num(y - 4) + "\" stroke=\"" + kSignalColour +
                  "\" stroke-width=\"1.2\"/>",
              "signal");
        entry("<line x1=\"" + num(x + 9) + "\" y1=\"" + num(y + 5) + "\" x2=\"" + num(x + 9) +
                  "\" y2=\"" + num(y - 5) + "\" stroke=\"#8a8a8a\" stroke-dasharray=\"3 3\"/>",
              "station");
        entry("<rect x=\"" + num(x) + "\" y=\"" + num(y - 5) +
                  "\" width=\"18\" height=\"10\" fill=\"" + kMountainColour +
                  "\" fill-opacity=\"0.3\"/>",
              "mountain stretch");
        return out;
    }

    const MapModel& m_;
    double span_ = 1;
    double height_ = 0;
    LabelSpace space_;
};

}  // namespace

std::string profileSvg(const MapModel& model) {
    ProfilePicture picture(model);
    const std::string body = picture.render();
    const double height = picture.height();
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" class=\"profile\" "
           "width=\"" +
           num(kWidth) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(kWidth) + " " +
           num(height) + "\" font-family=\"" + kFontFamily + "\" data-from=\"" +
           std::to_string(model.from) + "\" data-to=\"" + std::to_string(model.to) +
           "\" data-left=\"" + num(kLeft) + "\" data-width=\"" + num(kWidth - kLeft - kRight) +
           "\">\n<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(height) +
           "\" fill=\"#ffffff\"/>\n" + body + "</svg>\n";
}

std::string renderProfileSvg(const MapSources& sources, const MapView& view) {
    return profileSvg(buildMapModel(sources, view));
}

}  // namespace tool
