#include "tools/map/svg_map_support.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "tools/command_line/terminal_text.h"
#include "tools/compiled_files/inspection.h"

namespace tool::svg {

// Written as printf's "%.1f" writes it (to_chars with a precision rounds alike), without its
// locale and format parsing: a long line's plan writes some hundred thousand numbers.
std::string num(double v) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1).ptr;
    const std::string_view text(buf, static_cast<std::size_t>(end - buf));
    return text == "-0.0" ? "0.0" : std::string(text);
}

// Control characters are not allowed in XML at all, escaped or not; they are shown as text.
std::string escapeXml(std::string_view text) {
    std::string out;
    for (const char c : shownText(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

double niceStepAbove(double target) {
    if (!(target > 0)) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    for (const double f : {1.0, 2.0, 5.0, 10.0}) {
        if (f * power >= target * 0.999999) return f * power;
    }
    return 10 * power;
}

Box textBox(double x, double y, std::string_view text, const TextStyle& style) {
    const double w = labelWidth(shownText(text), style.size, style.bold);
    double start = 0;
    if (style.anchor == Anchor::middle) start = -w / 2;
    if (style.anchor == Anchor::end) start = -w;
    if (style.upward) {
        // Turned a quarter left: the text runs up from (x, y), its tops toward the left.
        return {x - kAscent * style.size, y - start - w, x + kDescent * style.size, y - start};
    }
    return {x + start, y - kAscent * style.size, x + start + w, y + kDescent * style.size};
}

std::string textElement(double x, double y, std::string_view text, const TextStyle& style) {
    std::string e =
        "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + num(style.size) + "\"";
    if (style.anchor == Anchor::middle) e += " text-anchor=\"middle\"";
    if (style.anchor == Anchor::end) e += " text-anchor=\"end\"";
    if (style.bold) e += " font-weight=\"bold\"";
    if (style.italic) e += " font-style=\"italic\"";
    if (!style.fill.empty()) e += " fill=\"" + style.fill + "\"";
    if (style.upward) e += " transform=\"rotate(-90 " + num(x) + " " + num(y) + ")\"";
    return e + ">" + escapeXml(text) + "</text>";
}

namespace {

std::string objectAttributes(const MapObject& o) {
    std::string e = "<g data-cell=\"" + std::to_string(o.cell) + "\" data-kind=\"" +
                    std::string(mapObjectWord(o.kind)) + "\" data-at=\"" +
                    std::to_string(o.position) + "\"";
    if (o.station) e += " data-station=\"" + std::to_string(*o.station) + "\"";
    if (o.signalSides) {
        e += " data-sides=\"" + std::to_string(o.signalSides->first) + " " +
             std::to_string(o.signalSides->second) + "\"";
    }
    return e;
}

std::string titled(std::string opening, const MapObject& o) {
    return opening + "><title>" + escapeXml(o.title) + "</title>";
}

}  // namespace

std::string objectOpen(const MapObject& o) {
    return titled(objectAttributes(o), o);
}

std::string objectOpen(const MapObject& o, double anchorX, double anchorY) {
    return titled(
        objectAttributes(o) + " data-anchor=\"" + num(anchorX) + " " + num(anchorY) + "\"", o);
}

namespace {

// The grid cells a box covers; a box reaching far past any picture is cut to the picture's
// reach, so that it covers a few cells and not millions.
template <typename F>
void forCells(const Box& b, double size, const F& f) {
    auto cell = [size](double v) {
        return static_cast<long long>(std::floor(std::clamp(v, -2000.0, 20000.0) / size));
    };
    for (long long gx = cell(b.x0); gx <= cell(b.x1); ++gx) {
        for (long long gy = cell(b.y0); gy <= cell(b.y1); ++gy) {
            if (!f(gx * 1000003 + gy)) return;
        }
    }
}

}  // namespace

void LabelSpace::take(const Box& b, bool hard) {
    const std::size_t index = boxes_.size();
    boxes_.emplace_back(b, hard);
    forCells(b, kCell, [&](long long key) {
        grid_[key].push_back(index);
        return true;
    });
}

bool LabelSpace::clear(const Box& b, bool ofSoft) const {
    if (bounds_ &&
        (b.x0 < bounds_->x0 || b.y0 < bounds_->y0 || b.x1 > bounds_->x1 || b.y1 > bounds_->y1)) {
        return false;
    }
    bool clear = true;
    forCells(b, kCell, [&](long long key) {
        const auto it = grid_.find(key);
        if (it == grid_.end()) return true;
        for (const std::size_t i : it->second) {
            const auto& [box, hard] = boxes_[i];
            if ((hard || ofSoft) && box.overlaps(b)) {
                clear = false;
                return false;
            }
        }
        return true;
    });
    return clear;
}

std::optional<LabelSpace::Placed> LabelSpace::place(std::string_view text, TextStyle style,
                                                    const std::vector<Place>& places) {
    // At the tenth of a unit the text is written with, and a hair apart from its neighbours.
    const auto tenth = [](double v) { return std::round(v * 10) / 10; };
    for (const bool ofSoft : {true, false}) {
        for (const Place& p : places) {
            style.anchor = p.anchor;
            const double x = tenth(p.x);
            const double y = tenth(p.y);
            const Box b = textBox(x, y, text, style);
            const Box apart{b.x0 - 0.3, b.y0 - 0.3, b.x1 + 0.3, b.y1 + 0.3};
            if (!clear(apart, ofSoft)) continue;
            takeHard(b);
            return Placed{textElement(x, y, text, style), b};
        }
    }
    return std::nullopt;
}

std::vector<LabelSpace::Place> placesAround(double x, double y, double r, double size, int rings) {
    const double middle = y + size * 0.35;  // baseline that centres capitals on y
    std::vector<LabelSpace::Place> places;
    for (int ring = 0; ring < rings; ++ring) {
        const double out = r + 2 + ring * 1.1 * size;
        places.push_back({x + out, middle, Anchor::start});
        places.push_back({x - out, middle, Anchor::end});
        places.push_back({x, y - out - kDescent * size, Anchor::middle});
        places.push_back({x, y + out + kAscent * size, Anchor::middle});
        places.push_back({x + out * 0.7, y - out * 0.7, Anchor::start});
        places.push_back({x - out * 0.7, y - out * 0.7, Anchor::end});
        places.push_back({x + out * 0.7, y + out * 0.7 + kAscent * size, Anchor::start});
        places.push_back({x - out * 0.7, y + out * 0.7 + kAscent * size, Anchor::end});
    }
    return places;
}

}  // namespace tool::svg
