// The framing of the editor protocol's messages on a byte stream: a header of "Name: value"
// lines ended by an empty line, whose Content-Length gives the size of the body in bytes, then
// the body, a JSON text. The reader is fed bytes as they arrive and hands out whole messages. A
// header it cannot use is told as a problem, and the stream is taken up again at the next
// header, so that one bad message does not end the conversation.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "tools/command_line/input_limits.h"

namespace tool::editor {

// The largest body taken. An open description is at most kMaxDescriptionBytes of Windows-1252,
// whose every character takes at most 3 bytes of UTF-8 in the JSON text; 1 MiB more holds the
// rest of the message. A larger Content-Length is refused before any of its body is kept.
inline constexpr std::size_t kMaxMessageBytes = 3 * kMaxDescriptionBytes + (std::size_t{1} << 20);
// A header is a line or two; one longer than this is no header.
inline constexpr std::size_t kMaxHeaderBytes = 8192;

struct Frame {
    enum class Kind {
        message,    // `body` holds the message's JSON text
        badHeader,  // a header without a usable Content-Length, or too long
        tooLarge,   // a Content-Length above the bound; the body is passed over unkept
    };
    Kind kind = Kind::message;
    std::string body;
    std::string problem;  // for the other kinds: what was wrong, in words
};

class MessageReader {
  public:
    explicit MessageReader(std::size_t maxBody = kMaxMessageBytes) : maxBody_(maxBody) {}

    void feed(std::string_view bytes);
    // The next complete frame, if the bytes fed so far hold one.
    std::optional<Frame> next();

  private:
    enum class State { header, body, resync };

    std::optional<Frame> readHeader();
    std::optional<Frame> problem(Frame::Kind kind, std::string words);
    bool resync();
    std::string_view pending() const { return std::string_view(buffer_).substr(start_); }
    void consume(std::size_t bytes);

    std::size_t maxBody_;
    std::string buffer_;
    std::size_t start_ = 0;  // bytes of buffer_ before it are used up
    State state_ = State::header;
    std::size_t bodyBytes_ = 0;
    bool atLineStart_ = true;  // the byte before start_ ended a line, or nothing came before
};

// `body` with its header, ready to be written.
std::string framed(std::string_view body);

}  // namespace tool::editor
