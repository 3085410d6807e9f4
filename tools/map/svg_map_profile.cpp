// The profile against distance: station names, the gradient as stored, the line's speed limit
// and the train's with its slowdowns, speed boards and signals, over a km axis, laid out for the
// size of the panel it is shown in.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/compiled_files/inspection.h"
#include "tools/map/svg_map.h"
#include "tools/map/svg_map_parts.h"
#include "tools/map/svg_map_support.h"

namespace tool {
namespace {

using namespace svg;

constexpr double kRight = 30;
// Below the title: where the station names may reach up to.
constexpr double kTop = 32;
// The least the gradient and the speed bands are drawn with, and what a name needs at least to
// be worth writing.
constexpr double kLeastGradient = 36;
constexpr double kLeastSpeed = 56;
constexpr double kLeastNames = 24;
constexpr double kLegendRow = 16;
const std::string kCaption = "distance from the start (km)";

// The text cut at its end, with an ellipsis, to no wider than `room`; empty when not even its
// first character fits.
std::string fittedText(const std::string& text, double size, double room) {
    if (labelWidth(text, size) <= room) return text;
    const std::string ellipsis = "\xE2\x80\xA6";
    std::size_t end = text.size();
    while (end > 0) {
        // Back to the start of the previous character, whole.
        do {
            --end;
        } while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
        std::string cut = text.substr(0, end);
        while (!cut.empty() && cut.back() == ' ') cut.pop_back();
        if (!cut.empty() && labelWidth(cut + ellipsis, size) <= room) return cut + ellipsis;
    }
    return {};
}

// "35", "35.5", "35.25": a km number with as many decimals as the step needs.
std::string kmNumber(std::int64_t metres, double step) {
    const int decimals = step >= 1000 ? 0 : step >= 100 ? 1 : step >= 10 ? 2 : 3;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(metres) / 1000);
    return buf;
}

class ProfilePicture {
  public:
    ProfilePicture(const MapModel& model, double width, double height)
        : m_(model), width_(width), height_(height) {
        span_ = static_cast<double>(std::max<std::int64_t>(m_.to - m_.from, 1));
        // The left labels need the same room at any size; a narrow panel gives them less.
        left_ = std::clamp(width_ * 0.0715, 64.0, 100.0);
        layOut();
    }

    std::string render() {
        space_.keepWithin({0, 0, width_, height_});
        std::string body;
        TextStyle heading;
        heading.size = 13;
        heading.bold = true;
        body += fixedText(10, 20, title(), heading);
        if (captionAbove_) {
            body += fixedText(width_ - kRight, 20, kCaption, captionStyle(Anchor::end));
        }

        body += stations(gradientTop_, speedBottom_);
        body += gradientBand(gradientTop_, gradientBottom_);
        body += speedBand(speedTop_, speedBottom_);
        body += distanceAxis(speedBottom_);
        if (legendRows_ > 0) body += legend(legendTop_);
        return body;
    }

    double left() const { return left_; }
    double width() const { return width_ - left_ - kRight; }

  private:
    std::string title() const {
        std::string title = "Profile";
        if (m_.from != 0 || m_.to != m_.lineEnd) {
            title += " " + kilometreText(m_.from) + " to " + kilometreText(m_.to);
        }
        return title;
    }

    static TextStyle captionStyle(Anchor anchor) {
        TextStyle caption;
        caption.size = 11;
        caption.anchor = anchor;
        caption.fill = "#444444";
        return caption;
    }

    // Heights from the top down: the title, the station names, the gradient band, a gap, the
    // speed band, the km axis with its caption, the legend. The bands and the names share what
    // the rest leaves. The names want room for the longest; the bands keep three fifths
    // (up to 290, enough for the longest names at the map's size), and never less than they
    // need to be read; a name longer than its room is cut short.
    void layOut() {
        // A short panel has the caption on the title's line, where it fits beside the title.
        captionAbove_ =
            height_ < 450 &&
            labelWidth(title(), 13, true) + 30 + labelWidth(kCaption, 11) <= width_ - 10 - kRight;
        const double axis = captionAbove_ ? 20 : 34;
        legendStart_ = left_;
        legendRows_ = legendRowsFrom(legendStart_);
        if (legendRows_ > 1) {
            legendStart_ = 10;
            legendRows_ = legendRowsFrom(legendStart_);
        }
        // A legend that would take much of a small panel is left to the page around it.
        if (legendRows_ * kLegendRow + 10 > height_ * 0.15) legendRows_ = 0;
        const double below = axis + (legendRows_ > 0 ? 10 + legendRows_ * kLegendRow : 6);
        const double shared = std::max(height_ - kTop - below, 0.0);
        const double gap = std::clamp(shared * 0.045, 10.0, 24.0);

        double longest = 40;
        for (const MapObject& o : m_.objects) {
            if (o.kind == MapObjectKind::station) {
                longest = std::max(longest, std::min(labelWidth(o.label, 10), 220.0));
            }
        }
        const double bands =
            std::max({kLeastGradient + kLeastSpeed, std::min((shared - gap) * 0.6, 290.0),
                      shared - gap - longest - 8});
        double names = std::max(shared - gap - bands, 0.0);
        if (names < kLeastNames + 8) names = 8;  // no room for names: their lines alone
        nameRoom_ = names - 8;
        // The bands share theirs as 12 to 17, the speed band the taller for its values.
        const double bandsDrawn = std::max(shared - gap - names, kLeastGradient + kLeastSpeed);
        gradientTop_ = kTop + names;
        gradientBottom_ = gradientTop_ + std::max(bandsDrawn * 12 / 29, kLeastGradient);
        speedTop_ = gradientBottom_ + gap;
        speedBottom_ = gradientTop_ + bandsDrawn + gap;
        legendTop_ = speedBottom_ + axis + 10;
    }

    double px(double metres) const {
        return left_ + (metres - static_cast<double>(m_.from)) / span_ * width();
    }

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
            // A name longer than the room above the bands is cut short (its title keeps it
            // whole), after a try at reaching up beside the title into the top margin.
            const std::vector<LabelSpace::Place> places = {{x + 10, baseline, Anchor::start},
                                                           {x - 2.5, baseline, Anchor::start},
                                                           {x + 21, baseline, Anchor::start},
                                                           {x - 13.5, baseline, Anchor::start}};
            for (const double room : {baseline - 4, nameRoom_}) {
                if (nameRoom_ <= 0) break;
                const std::string shown = fittedText(o.label, name.size, room);
                if (shown.empty()) continue;
                if (auto text = space_.place(shown, name, places)) {
                    out += text->element;
                    break;
                }
            }
            out += "</g>\n";
        }
        return out;
    }

    // The band's frame, and its name upright beside it: the long name where the band is tall
    // enough for it, else the short.
    std::string bandFrame(double top, double bottom, const std::string& name,
                          const std::string& shortName) {
        std::string out = "<rect x=\"" + num(left_) + "\" y=\"" + num(top) + "\" width=\"" +
                          num(width()) + "\" height=\"" + num(bottom - top) +
                          "\" fill=\"none\" stroke=\"#bbbbbb\"/>\n";
        TextStyle style;
        style.size = 11;
        style.upward = true;
        style.anchor = Anchor::middle;
        const bool fits = labelWidth(name, style.size) + 4 <= bottom - top;
        return out + fixedText(28, (top + bottom) / 2, fits ? name : shortName, style);
    }

    // A value on the band's scale; left out where a value already written stands.
    std::string axisLabel(double y, const std::string& text) {
        TextStyle style;
        style.size = 10;
        style.anchor = Anchor::end;
        const Box box = textBox(left_ - 5, y + 3.5, text, style);
        if (!space_.clear({box.x0 - 0.3, box.y0 - 0.3, box.x1 + 0.3, box.y1 + 0.3}, false)) {
            return {};
        }
        return fixedText(left_ - 5, y + 3.5, text, style);
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
        out += "<line x1=\"" + num(left_) + "\" y1=\"" + num(mid) + "\" x2=\"" +
               num(left_ + width()) + "\" y2=\"" + num(mid) +
               "\" stroke=\"#666666\" stroke-width=\"0.8\"/>\n";
        out += bandFrame(top, bottom, "gradient (\xE2\x80\xB0)", "\xE2\x80\xB0");
        // Zero first: the extremes give way to it where the band is short.
        out += axisLabel(mid, "0");
        if (up > 0) out += axisLabel(top + 3, "+" + std::to_string(up));
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

    // The speed band's vertical scale: 0 at its foot, `ceiling` (the line's fastest limit up
    // to the next 20 km/h) 12 below its head, where a board's value still fits above.
    struct SpeedScale {
        double top = 0;
        double bottom = 0;
        int ceiling = 20;
        double operator()(double v) const {
            return bottom -
                   std::clamp(v, 0.0, static_cast<double>(ceiling)) / ceiling * (bottom - top - 12);
        }
    };

    SpeedScale speedScale(double top, double bottom) const {
        int fastest = 20;
        for (const SpeedStep& s : m_.lineSpeed) fastest = std::max(fastest, s.kmh);
        return {top, bottom, (fastest + 19) / 20 * 20};
    }

    std::string speedBand(double top, double bottom) {
        // The band's name first: the values of the boards and slowdowns give way to it.
        std::string out = bandFrame(top, bottom, "speed limit (km/h)", "km/h");
        const SpeedScale py = speedScale(top, bottom);
        out += speedGrid(py);
        keepLimitsClear(py);
        out += "<path class=\"line-speed\" d=\"" + stepsPath(m_.lineSpeed, false, py) +
               "\" fill=\"none\" stroke=\"" + kLineSpeedColour + "\" stroke-width=\"1.8\"/>\n";
        // The train's own limit where its slowdowns bring it under the line's.
        out += "<path class=\"train-speed\" d=\"" + stepsPath(m_.trainSpeed, true, py) +
               "\" fill=\"none\" stroke=\"" + kSlowdownColour + "\" stroke-width=\"2.2\"/>\n";
        std::string signals;
        std::string others;
        for (const MapObject& o : m_.objects) speedMark(o, py, signals, others);
        // Speed boards last: their values give way to the slowdowns'.
        for (const MapObject& o : m_.objects) {
            if (o.kind == MapObjectKind::speedBoard) others += speedBoard(o, py);
        }
        return out + signals + others;
    }

    // Values far enough apart to be read, at a step of 20 km/h or a multiple, each on its
    // line across the band.
    std::string speedGrid(const SpeedScale& py) {
        std::string out;
        int step = py.ceiling > 100 ? 40 : 20;
        while (step < py.ceiling && py(0) - py(step) < 14) step *= 2;
        for (int v = 0; v <= py.ceiling; v += step) {
            out += "<line x1=\"" + num(left_) + "\" y1=\"" + num(py(v)) + "\" x2=\"" +
                   num(left_ + width()) + "\" y2=\"" + num(py(v)) +
                   "\" stroke=\"#e4e4e4\" stroke-width=\"0.8\"/>\n";
            out += axisLabel(py(v), std::to_string(v));
        }
        return out;
    }

    // Values keep clear of the limits where they can: each step and each rise or fall
    // between steps is taken, softly, before any value is placed.
    void keepLimitsClear(const SpeedScale& py) {
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
    }

    // The path of a limit's steps, joined where one ends at the next's start; with
    // `onlyBelowLine`, only the steps under the line's limit.
    std::string stepsPath(const std::vector<SpeedStep>& steps, bool onlyBelowLine,
                          const SpeedScale& py) const {
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
    }

    // A signal, a slowdown, its warning board or its end on the band: the signals apart in
    // `signals`, drawn under the rest.
    void speedMark(const MapObject& o, const SpeedScale& py, std::string& signals,
                   std::string& others) {
        const double x = px(static_cast<double>(o.position));
        switch (o.kind) {
            case MapObjectKind::signal:
                signals += objectOpen(o) + "<line x1=\"" + num(x) + "\" y1=\"" + num(py.bottom) +
                           "\" x2=\"" + num(x) + "\" y2=\"" + num(py.bottom - 7) + "\" stroke=\"" +
                           kSignalColour + "\" stroke-width=\"1.2\"/></g>\n";
                space_.takeSoft({x - 1, py.bottom - 7, x + 1, py.bottom});
                break;
            case MapObjectKind::slowdownStart:
                others += slowdown(o, py);
                break;
            case MapObjectKind::slowdownWarning: {
                const double y = py.top + 2;
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

    // A speed board at its speed, its value beside it where there is room.
    std::string speedBoard(const MapObject& o, const SpeedScale& py) {
        const double x = px(static_cast<double>(o.position));
        const double y = py(o.speedKmh.value_or(0));
        std::string out = objectOpen(o) + "<rect x=\"" + num(x - 3) + "\" y=\"" + num(y - 3) +
                          "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>";
        TextStyle value;
        value.size = 9;
        value.fill = kSpeedBoardColour;
        if (auto text = space_.place(o.label, value,
                                     {{x, y - 6, Anchor::middle},
                                      {x + 5, y - 5, Anchor::start},
                                      {x - 5, y - 5, Anchor::end},
                                      {x, y + 13, Anchor::middle}})) {
            out += text->element;
        }
        return out + "</g>\n";
    }

    // A slowdown: the limit it takes away shaded from its start to its end, its speed beside.
    std::string slowdown(const MapObject& o, const SpeedScale& py) {
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
        if (!captionAbove_) {
            // Under the middle of the axis, moved in from an edge it would pass; in a panel too
            // narrow for it, the unit alone.
            const TextStyle style = captionStyle(Anchor::middle);
            const bool fits = labelWidth(kCaption, style.size) + 20 <= width_;
            const std::string caption = fits ? kCaption : "km";
            const double half = labelWidth(caption, style.size) / 2;
            const double x = std::clamp(left_ + width() / 2, 10 + half, width_ - 10 - half);
            out += fixedText(x, bottom + 34, caption, style);
        }
        return out;
    }

    struct LegendEntry {
        std::string (*symbol)(double x, double y);  // 18 wide from x, centred on y
        const char* words;
    };
    static const std::vector<LegendEntry>& legendEntries() {
        static const std::vector<LegendEntry> entries = {
            {[](double x, double y) {
                 return "<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x + 18) +
                        "\" y2=\"" + num(y) + "\" stroke=\"" + kLineSpeedColour +
                        "\" stroke-width=\"2\"/>";
             },
             "line speed limit"},
            {[](double x, double y) {
                 return "<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x + 18) +
                        "\" y2=\"" + num(y) + "\" stroke=\"" + kSlowdownColour +
                        "\" stroke-width=\"2.2\"/>";
             },
             "train's limit under a slowdown"},
            {[](double x, double y) {
                 return "<path d=\"M" + num(x + 9) + " " + num(y + 5) + " L" + num(x + 13.5) + " " +
                        num(y - 3) + " L" + num(x + 4.5) + " " + num(y - 3) + " Z\" fill=\"" +
                        kSlowdownColour + "\"/>";
             },
             "slowdown warning board"},
            {[](double x, double y) {
                 return "<rect x=\"" + num(x + 6) + "\" y=\"" + num(y - 3) +
                        "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>";
             },
             "speed board"},
            {[](double x, double y) {
                 return "<line x1=\"" + num(x + 9) + "\" y1=\"" + num(y + 4) + "\" x2=\"" +
                        num(x + 9) + "\" y2=\"" + num(y - 4) + "\" stroke=\"" + kSignalColour +
                        "\" stroke-width=\"1.2\"/>";
             },
             "signal"},
            {[](double x, double y) {
                 return "<line x1=\"" + num(x + 9) + "\" y1=\"" + num(y + 5) + "\" x2=\"" +
                        num(x + 9) + "\" y2=\"" + num(y - 5) +
                        "\" stroke=\"#8a8a8a\" stroke-dasharray=\"3 3\"/>";
             },
             "station"},
            {[](double x, double y) {
                 return "<rect x=\"" + num(x) + "\" y=\"" + num(y - 5) +
                        "\" width=\"18\" height=\"10\" fill=\"" + kMountainColour +
                        "\" fill-opacity=\"0.3\"/>";
             },
             "mountain stretch"},
        };
        return entries;
    }
    static TextStyle legendStyle() {
        TextStyle style;
        style.size = 10;
        style.fill = "#444444";
        return style;
    }

    // The legend's entries in rows from `x0`, a row broken where the next entry would pass the
    // right edge; `draw` gets each entry's place.
    template <typename Draw>
    int legendRowsFrom(double x0, const Draw& draw) const {
        const double right = width_ - 10;
        double x = x0;
        int row = 0;
        for (const LegendEntry& e : legendEntries()) {
            const double w = 24 + labelWidth(e.words, legendStyle().size);
            if (x > x0 && x + w > right) {
                x = x0;
                ++row;
            }
            draw(e, x, row);
            x += w + 18;
        }
        return row + 1;
    }
    int legendRowsFrom(double x0) const {
        return legendRowsFrom(x0, [](const LegendEntry&, double, int) {});
    }

    std::string legend(double top) {
        std::string out;
        legendRowsFrom(legendStart_, [&](const LegendEntry& e, double x, int row) {
            const double y = top + row * kLegendRow;
            out += e.symbol(x, y);
            out += fixedText(x + 24, y + 4, e.words, legendStyle());
        });
        return out;
    }

    const MapModel& m_;
    double width_;
    double height_;
    double span_ = 1;
    double left_ = 0;
    bool captionAbove_ = false;  // the axis's caption on the title's line
    double nameRoom_ = 0;        // the height a station name may take
    double gradientTop_ = 0, gradientBottom_ = 0, speedTop_ = 0, speedBottom_ = 0;
    double legendStart_ = 0, legendTop_ = 0;
    int legendRows_ = 0;
    LabelSpace space_;
};

}  // namespace

std::string profileSvg(const MapModel& model, double width, double height) {
    ProfilePicture picture(model, width, height);
    const std::string body = picture.render();
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" class=\"profile\" "
           "width=\"" +
           num(width) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) + " " +
           num(height) + "\" font-family=\"" + kFontFamily + "\" data-from=\"" +
           std::to_string(model.from) + "\" data-to=\"" + std::to_string(model.to) +
           "\" data-left=\"" + num(picture.left()) + "\" data-width=\"" + num(picture.width()) +
           "\">\n<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) +
           "\" fill=\"#ffffff\"/>\n" + body + "</svg>\n";
}

std::string renderProfileSvg(const MapSources& sources, const MapView& view) {
    return renderProfileSvg(wholeLineMap(sources), view);
}

std::string renderProfileSvg(const MapModel& wholeLine, const MapView& view) {
    return profileSvg(stretchOf(wholeLine, view), view.profileWidth, view.profileHeight);
}
}  // namespace tool
