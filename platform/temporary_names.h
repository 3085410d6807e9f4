// The names a file takes while it is being written beside its place: ".NAME.tmp-PID-N". Every
// platform's file layer gives them, and clears the ones a killed run left.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline std::string temporaryPrefix(std::string_view baseName) {
    return "." + std::string(baseName) + ".tmp-";
}

// True for `prefix` followed by a process id, '-' and a counter.
inline bool isTemporaryName(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return false;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return dash != std::string_view::npos && digits(name.substr(0, dash)) &&
           digits(name.substr(dash + 1));
}

}  // namespace platform
