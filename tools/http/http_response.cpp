#include "tools/http/http_response.h"

namespace tool::http {

std::string_view reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 413:
            return "Content Too Large";
        case 414:
            return "URI Too Long";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Unknown";
    }
}

std::string responseHead(int status, std::string_view contentType,
                         std::optional<std::size_t> contentLength,
                         const std::vector<std::pair<std::string, std::string>>& headers,
                         bool close) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + ' ';
    head += reasonPhrase(status);
    head += "\r\nContent-Type: ";
    head += contentType;
    head += "\r\n";
    if (contentLength) head += "Content-Length: " + std::to_string(*contentLength) + "\r\n";
    for (const auto& [name, value] : headers) head += name + ": " + value + "\r\n";
    if (close) head += "Connection: close\r\n";
    return head + "\r\n";
}

}  // namespace tool::http
