#include "tools/editor_server/file_uri.h"

#include <cctype>

namespace tool::editor {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool unreserved(unsigned char c) {
    return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

bool isDrive(std::string_view s) {
    return s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) != 0 && s[1] == ':';
}

}  // namespace

std::optional<std::string> pathFromUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size()) return std::nullopt;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return std::nullopt;
    }
    std::string_view rest = uri.substr(kScheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    rest.remove_prefix(slash);
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path.push_back(rest[i]);
            continue;
        }
        const int high = i + 2 < rest.size() ? hexValue(rest[i + 1]) : -1;
        const int low = i + 2 < rest.size() ? hexValue(rest[i + 2]) : -1;
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        path.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
#ifdef _WIN32
    // "/c:/A/B" names the drive c:.
    if (path.size() >= 3 && path[0] == '/' && isDrive(std::string_view(path).substr(1))) {
        path.erase(0, 1);
    }
#endif
    return path;
}

std::string uriFromPath(std::string_view path) {
    std::string uri = "file://";
    std::string normal(path);
#ifdef _WIN32
    for (char& c : normal) {
        if (c == '\\') c = '/';
    }
#endif
    if (isDrive(normal)) uri += '/';
    constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < normal.size(); ++i) {
        const auto c = static_cast<unsigned char>(normal[i]);
        // The drive's colon stays as it is, as editors write it.
        if (unreserved(c) || (i == 1 && c == ':' && isDrive(normal))) {
            uri.push_back(static_cast<char>(c));
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri;
}

}  // namespace tool::editor
