#include "tools/editor_server/message_framing.h"

#include <algorithm>
#include <cctype>

namespace tool::editor {
namespace {

constexpr std::string_view kLengthName = "content-length";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameWords(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view s) {
    const std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

// Where the header that starts `text` ends, past its empty line: "\r\n\r\n" as the protocol
// writes it, or "\n\n" from a client that ends its lines with LF alone.
std::optional<std::size_t> headerEnd(std::string_view text) {
    const std::size_t crlf = text.find("\r\n\r\n");
    const std::size_t lf = text.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos) return std::nullopt;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf)) {
        return crlf + 4;
    }
    return lf + 2;
}

struct HeaderValue {
    std::optional<std::size_t> length;
    std::string problem;
    bool tooLarge = false;
};

// The body size a header gives, at most `max`; the problem in words when it gives none.
HeaderValue contentLength(std::string_view header, std::size_t max) {
    HeaderValue found;
    bool seen = false;
    while (!header.empty()) {
        std::size_t end = header.find('\n');
        std::string_view line = header.substr(0, end);
        header.remove_prefix(end == std::string_view::npos ? header.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return {std::nullopt, "a header line without a colon"};
        }
        if (!sameWords(trimmed(line.substr(0, colon)), kLengthName)) continue;
        if (seen) return {std::nullopt, "two Content-Length lines in one header"};
        seen = true;
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            })) {
            return {std::nullopt, "a Content-Length that is no number of bytes"};
        }
        std::size_t bytes = 0;
        for (const char c : value) {
            bytes = bytes * 10 + static_cast<std::size_t>(c - '0');
            if (bytes > max) {
                return {std::nullopt,
                        "a Content-Length of " + std::string(value) + " bytes, above the " +
                            std::to_string(max) + " bytes a message may take",
                        true};
            }
        }
        found.length = bytes;
    }
    if (!seen) found.problem = "a header without Content-Length";
    return found;
}

}  // namespace

void MessageReader::feed(std::string_view bytes) {
    // What is used up goes once it is most of the buffer, so that each byte is moved a few
    // times at most however many messages one read brings.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

void MessageReader::consume(std::size_t bytes) {
    if (bytes > 0) atLineStart_ = buffer_[start_ + bytes - 1] == '\n';
    start_ += bytes;
}

std::optional<Frame> MessageReader::problem(Frame::Kind kind, std::string words) {
    state_ = State::resync;
    Frame frame;
    frame.kind = kind;
    frame.problem = std::move(words);
    return frame;
}

// Passes over bytes up to the next line that starts with "Content-Length:"; false when the
// bytes fed so far hold none. A JSON body holds no line end inside its strings, so a body
// passed over cannot be taken for a header.
bool MessageReader::resync() {
    const std::string_view text = pending();
    for (std::size_t at = 0; at < text.size();) {
        const bool lineStart = at == 0 ? atLineStart_ : text[at - 1] == '\n';
        if (lineStart && text.size() - at >= kLengthName.size() + 1 &&
            sameWords(text.substr(at, kLengthName.size()), kLengthName) &&
            text[at + kLengthName.size()] == ':') {
            consume(at);
            state_ = State::header;
            return true;
        }
        if (lineStart && text.size() - at < kLengthName.size() + 1) {
            consume(at);  // may be the start of the name: wait for more
            return false;
        }
        const std::size_t newline = text.find('\n', at);
        at = newline == std::string_view::npos ? text.size() : newline + 1;
    }
    consume(text.size());
    return false;
}

std::optional<Frame> MessageReader::readHeader() {
    // Line ends between messages are passed over.
    const std::string_view text = pending();
    const std::size_t lead = std::min(text.find_first_not_of("\r\n"), text.size());
    consume(lead);
    const std::string_view header = pending();
    const std::optional<std::size_t> end = headerEnd(header.substr(0, kMaxHeaderBytes + 4));
    if (!end) {
        if (header.size() > kMaxHeaderBytes) {
            // What follows may hold the next header: the search for it starts here.
            consume(kMaxHeaderBytes);
            return problem(Frame::Kind::badHeader,
                           "a header longer than " + std::to_string(kMaxHeaderBytes) + " bytes");
        }
        return std::nullopt;
    }
    const HeaderValue value = contentLength(header.substr(0, *end), maxBody_);
    consume(*end);
    if (!value.length) {
        return problem(value.tooLarge ? Frame::Kind::tooLarge : Frame::Kind::badHeader,
                       value.problem);
    }
    bodyBytes_ = *value.length;
    state_ = State::body;
    return std::nullopt;
}

std::optional<Frame> MessageReader::next() {
    for (;;) {
        if (state_ == State::resync && !resync()) return std::nullopt;
        if (state_ == State::header) {
            if (std::optional<Frame> bad = readHeader()) return bad;
            if (state_ == State::header) return std::nullopt;  // the header is not complete
        }
        if (state_ == State::body) {
            if (pending().size() < bodyBytes_) return std::nullopt;
            Frame frame;
            frame.body = std::string(pending().substr(0, bodyBytes_));
            consume(bodyBytes_);
            atLineStart_ = true;  // a header may follow right after a body
            state_ = State::header;
            return frame;
        }
    }
}

std::string framed(std::string_view body) {
    std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out += body;
    return out;
}

}  // namespace tool::editor
