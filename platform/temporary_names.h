// The names a file takes while it is being written beside its place: ".NAME.tmp-PID-N". Every
// platform's file layer gives them, and clears the ones a killed run left.
//
// A file system takes names of a limited length (255 bytes on most Linux file systems, 255
// UTF-16 units on Windows), and a name close to the limit would leave no room for the
// temporary name's additions. Such a name is shortened in its temporary name to its start and
// a hash of the whole name: ".START~HASH.tmp-PID-N". The prefix before the process id depends
// on the name and the limit alone, so a later run finds and clears a killed run's leftovers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The longest name most file systems take, in bytes. A name within it in UTF-8 bytes is within
// Windows's 255 UTF-16 units too, since no character takes more units than bytes.
inline constexpr std::size_t kUsualNameLimit = 255;

// Room for the two numbers after the prefix: a process id and a counter, each up to ten digits
// (32 bits), and the dash between them.
inline constexpr std::size_t kTemporaryNumbersLength = 21;

// The temporary prefix of `baseName` for a file system whose names take up to `nameLimit`
// bytes.
inline std::string temporaryPrefix(std::string_view baseName,
                                   std::size_t nameLimit = kUsualNameLimit) {
    const std::string_view tail = ".tmp-";
    if (1 + baseName.size() + tail.size() + kTemporaryNumbersLength <= nameLimit) {
        return "." + std::string(baseName) + std::string(tail);
    }
    // 64-bit FNV-1a: the same on every platform and build, which is all this needs.
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : baseName) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    std::string digits(16, '0');
    for (std::size_t i = 16; i-- > 0; hash >>= 4) digits[i] = "0123456789abcdef"[hash & 0xf];
    const std::size_t fixed = 1 + 1 + digits.size() + tail.size() + kTemporaryNumbersLength;
    std::size_t keep = nameLimit > fixed ? nameLimit - fixed : 0;
    keep = std::min(keep, baseName.size());
    // Cut between characters: a UTF-8 continuation byte (10xxxxxx) never starts the cut-off.
    while (keep > 0 && keep < baseName.size() &&
           (static_cast<unsigned char>(baseName[keep]) & 0xc0) == 0x80)
        --keep;
    return "." + std::string(baseName.substr(0, keep)) + "~" + digits + std::string(tail);
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
