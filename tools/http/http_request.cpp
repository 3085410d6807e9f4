#include "tools/http/http_request.h"

#include <algorithm>
#include <cctype>

namespace tool::http {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A header name is a token: letters, digits and a few marks, never blank.
bool isToken(std::string_view text) {
    static constexpr std::string_view kMarks = "!#$%&'*+-.^_`|~";
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               kMarks.find(c) != std::string_view::npos;
    });
}

bool hasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The line from `start` to `end` (the '\n'), without its '\r'.
std::string_view lineAt(std::string_view text, std::size_t start, std::size_t end) {
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

std::optional<std::string_view> Request::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (sameName(key, name)) return std::string_view(value);
    }
    return std::nullopt;
}

std::optional<std::string> Request::parameter(std::string_view name) const {
    std::string_view rest = query;
    while (!rest.empty()) {
        const std::size_t amp = std::min(rest.find('&'), rest.size());
        const std::string_view pair = rest.substr(0, amp);
        rest.remove_prefix(std::min(amp + 1, rest.size()));
        const std::size_t equals = std::min(pair.find('='), pair.size());
        const auto key = percentDecoded(pair.substr(0, equals), true);
        if (!key || *key != name) continue;
        return percentDecoded(pair.substr(std::min(equals + 1, pair.size())), true);
    }
    return std::nullopt;
}

bool Request::keepAlive() const {
    const auto connection = header("Connection");
    if (minorVersion == 0) return connection && sameName(trimmed(*connection), "keep-alive");
    return !connection || !sameName(trimmed(*connection), "close");
}

HeadReader::Outcome HeadReader::refuse(int status, std::string why) {
    refusal_ = {status, std::move(why)};
    return Outcome::refused;
}

HeadReader::Outcome HeadReader::read(std::string_view received) {
    while (scanned_ < received.size()) {
        const std::size_t newline = received.find('\n', scanned_);
        const std::size_t end = newline == std::string_view::npos ? received.size() : newline;
        scanned_ = end;
        // A line still arriving is held to its bound as well, so that no byte past it is kept.
        const std::size_t bound = lines_ == 0 ? limits_.requestLine : limits_.headerLine;
        if (end - lineStart_ > bound + 1) {
            return lines_ == 0 ? refuse(414, "the request line is too long")
                               : refuse(431, "a header line is too long");
        }
        if (end > limits_.headBytes) return refuse(431, "the request's headers are too large");
        if (newline == std::string_view::npos) return Outcome::incomplete;
        scanned_ = newline + 1;
        const Outcome outcome = lineEnded(received, newline);
        if (outcome != Outcome::incomplete) return outcome;
    }
    return Outcome::incomplete;
}

HeadReader::Outcome HeadReader::lineEnded(std::string_view received, std::size_t end) {
    const std::string_view line = lineAt(received, lineStart_, end);
    lineStart_ = end + 1;
    // Blank lines before a request line are allowed and skipped.
    if (line.empty() && lines_ == 0) return Outcome::incomplete;
    if (!line.empty()) {
        ++lines_;
        if (lines_ > limits_.headerCount + 1) return refuse(431, "too many header lines");
        return Outcome::incomplete;
    }
    headSize_ = end + 1;
    return parse(received.substr(0, headSize_));
}

HeadReader::Outcome HeadReader::parse(std::string_view head) {
    std::size_t at = 0;
    std::string_view requestLine;
    while (requestLine.empty()) {
        const std::size_t end = head.find('\n', at);
        requestLine = lineAt(head, at, end);
        at = end + 1;
    }
    const std::size_t space = requestLine.find(' ');
    const std::size_t second = requestLine.find(' ', space + 1);
    if (space == std::string_view::npos || second == std::string_view::npos ||
        requestLine.find(' ', second + 1) != std::string_view::npos) {
        return refuse(400, "the request line is not METHOD TARGET VERSION");
    }
    request_.method = requestLine.substr(0, space);
    request_.target = requestLine.substr(space + 1, second - space - 1);
    const std::string_view version = requestLine.substr(second + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        return refuse(version.starts_with("HTTP/") ? 505 : 400, "the version is not HTTP/1.x");
    }
    request_.minorVersion = version.back() - '0';
    if (!isToken(request_.method) || request_.target.empty() || request_.target[0] != '/' ||
        hasControlBytes(request_.target)) {
        return refuse(400, "the method or the target is malformed");
    }
    const std::size_t question = request_.target.find('?');
    const auto path = percentDecoded(std::string_view(request_.target).substr(0, question), false);
    if (!path) return refuse(400, "the path is malformed");
    request_.path = *path;
    if (question != std::string::npos) request_.query = request_.target.substr(question + 1);

    while (at < head.size()) {
        const std::size_t end = head.find('\n', at);
        const std::string_view line = lineAt(head, at, end);
        at = end + 1;
        if (line.empty()) break;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) {
            return refuse(400, "a header line is malformed");
        }
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (hasControlBytes(value)) return refuse(400, "a header value holds control bytes");
        request_.headers.emplace_back(line.substr(0, colon), value);
    }
    return Outcome::complete;
}

std::optional<Refusal> refuseAnyBody(const Request& request) {
    if (request.header("Transfer-Encoding")) {
        return Refusal{413, "this server takes no request body"};
    }
    const auto length = request.header("Content-Length");
    if (!length) return std::nullopt;
    if (length->empty() || !std::all_of(length->begin(), length->end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        return Refusal{400, "the Content-Length is not a number"};
    }
    if (std::any_of(length->begin(), length->end(), [](char c) { return c != '0'; })) {
        return Refusal{413, "this server takes no request body"};
    }
    return std::nullopt;
}

std::optional<std::string> percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += plusIsSpace && text[i] == '+' ? ' ' : text[i];
        }
    }
    return decoded;
}

}  // namespace tool::http
