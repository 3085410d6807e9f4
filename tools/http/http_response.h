// The head of an answer of the tools' HTTP servers: the status line and the headers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tool::http {

// The status line and headers, ended by the blank line. Without a length the body runs until
// the connection closes (an event stream).
std::string responseHead(int status, std::string_view contentType,
                         std::optional<std::size_t> contentLength,
                         const std::vector<std::pair<std::string, std::string>>& headers,
                         bool close);

// The reason phrase of a status this server answers with.
std::string_view reasonPhrase(int status);

}  // namespace tool::http
