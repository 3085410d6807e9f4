#include "tools/svg_map_support.h"

#include <cmath>
#include <cstdio>

#include "tools/inspection.h"
#include "tools/terminal_text.h"

namespace tool::svg {

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return std::string(buf) == "-0.0" ? "0.0" : buf;
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

std::string objectOpen(const MapObject& o) {
    std::string e = "<g data-cell=\"" + std::to_string(o.cell) + "\" data-kind=\"" +
                    std::string(mapObjectWord(o.kind)) + "\" data-at=\"" +
                    std::to_string(o.position) + "\"";
    if (o.station) e += " data-station=\"" + std::to_string(*o.station) + "\"";
    return e + "><title>" + escapeXml(o.title) + "</title>";
}

void LabelSpace::take(const Box& b, bool hard) {
    const std::size_t index = boxes_.size();
    boxes_.emplace_back(b, hard);
    for (auto gx = static_cast<long long>(std::floor(b.x0 / kCell));
         gx <= static_cast<long long>(std::floor(b.x1 / kCell)); ++gx) {
        for (auto gy = static_cast<long long>(std::floor(b.y0 / kCell));
             gy <= static_cast<long long>(std::floor(b.y1 / kCell)); ++gy) {
            grid_[gx * 1000003 + gy].push_back(index);
        }
    }
}

bool LabelSpace::clear(const Box& b, bool ofSoft) const {
    for (auto gx = static_cast<long long>(std::floor(b.x0 / kCell));
         gx <= static_cast<long long>(std::floor(b.x1 / kCell)); ++gx) {
        for (auto gy = static_cast<long long>(std::floor(b.y0 / kCell));
             gy <= static_cast<long long>(std::floor(b.y1 / kCell)); ++gy) {
            const auto it = grid_.find(gx * 1000003 + gy);
            if (it == grid_.end()) continue;
            for (const std::size_t i : it->second) {
                const auto& [box, hard] = boxes_[i];
                if ((hard || ofSoft) && box.overlaps(b)) return false;
            }
        }
    }
    return true;
}

std::optional<std::string> LabelSpace::place(std::string_view text, TextStyle style,
                                             const std::vector<Place>& places) {
    for (const bool ofSoft : {true, false}) {
        for (const Place& p : places) {
            style.anchor = p.anchor;
            const Box b = textBox(p.x, p.y, text, style);
            if (!clear(b, ofSoft)) continue;
            takeHard(b);
            return textElement(p.x, p.y, text, style);
        }
    }
    return std::nullopt;
}

std::vector<LabelSpace::Place> placesAround(double x, double y, double r, double size) {
    const double middle = y + size * 0.35;  // baseline that centres capitals on y
    std::vector<LabelSpace::Place> places;
    for (const double out : {r + 2, r + 2 + size}) {
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
