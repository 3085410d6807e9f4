// A request to one of the tools' HTTP servers, read from the bytes a client sends, within
// bounds that the client cannot move: the request line, each header line, the number of
// headers and the whole head are each limited, and a head past a bound is refused as soon as
// the bytes show it, never held. Bodies are never read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tool::http {

struct HeadLimits {
    std::size_t requestLine = 8 * 1024;
    std::size_t headerLine = 8 * 1024;
    std::size_t headerCount = 64;
    std::size_t headBytes = 32 * 1024;
};

struct Request {
    std::string method;
    std::string target;    // as sent: path and query
    std::string path;      // percent-decoded
    std::string query;     // after '?', as sent
    int minorVersion = 1;  // HTTP/1.x
    std::vector<std::pair<std::string, std::string>> headers;

    // The header's value (names match whatever their case); nothing when it is absent.
    std::optional<std::string_view> header(std::string_view name) const;
    // The query parameter's value, percent-decoded and '+' as a space; nothing when absent.
    std::optional<std::string> parameter(std::string_view name) const;
    // Whether the client asks to keep the connection for another request.
    bool keepAlive() const;
};

// Why a request is refused: the status to answer and a line for a person.
struct Refusal {
    int status = 400;
    std::string why;
};

// Reads one request head from the bytes received so far, a few at a time: each call looks only
// at the bytes it has not seen, so that a head sent a byte at a time costs no more than one
// sent whole.
class HeadReader {
  public:
    explicit HeadReader(HeadLimits limits = {}) : limits_(limits) {}

    enum class Outcome { incomplete, complete, refused };
    // `received` holds every byte of this request so far (and perhaps the next's after it).
    Outcome read(std::string_view received);

    // After complete: the request, and how many bytes of `received` its head took.
    const Request& request() const { return request_; }
    std::size_t headSize() const { return headSize_; }
    // After refused: why.
    const Refusal& refusal() const { return refusal_; }
    // Whether any byte of a request has arrived.
    bool started() const { return scanned_ > 0; }

  private:
    Outcome refuse(int status, std::string why);
    Outcome lineEnded(std::string_view received, std::size_t end);
    Outcome parse(std::string_view head);

    HeadLimits limits_;
    std::size_t scanned_ = 0;    // bytes looked at
    std::size_t lineStart_ = 0;  // where the line being read starts
    std::size_t lines_ = 0;      // lines ended so far, the request line among them
    std::size_t headSize_ = 0;
    Request request_;
    Refusal refusal_;
};

// The request's body, as its headers announce it: none, or a refusal (a body of any length,
// or a length that is not a number). No route of ours takes a body, so none is ever read.
std::optional<Refusal> refuseAnyBody(const Request& request);

// `text` with %XX decoded (and '+' as a space when `plusIsSpace`); nothing when a % is not
// followed by two hex digits.
std::optional<std::string> percentDecoded(std::string_view text, bool plusIsSpace);

}  // namespace tool::http
