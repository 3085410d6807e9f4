// mkdtemp for the Windows build of the tests. The shared test helpers make their scratch
// directories with it, and the Windows C library has none; this one makes the directory with
// a fresh name the same way: the trailing "XXXXXX" of `pattern` is replaced in place.
#pragma once

#ifdef _WIN32

#include <direct.h>
#include <process.h>

#include <cerrno>
#include <cstring>
#include <random>

inline char* mkdtemp(char* pattern) {
    constexpr std::size_t kPlaceholder = 6;
    const std::size_t length = std::strlen(pattern);
    if (length < kPlaceholder || std::strcmp(pattern + length - kPlaceholder, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Seeded from the system's random source and the process, so that test programs started
    // together do not walk the same names.
    static std::mt19937 names(std::random_device{}() ^ static_cast<unsigned>(_getpid()));
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (std::size_t i = length - kPlaceholder; i < length; ++i)
            pattern[i] = kLetters[pick(names)];
        if (_mkdir(pattern) == 0) return pattern;
        if (errno != EEXIST) return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

#endif  // _WIN32
