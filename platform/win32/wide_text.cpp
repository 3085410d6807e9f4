#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>
#include <string>

namespace platform::win32 {

namespace {

int checkedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
    return static_cast<int>(size);
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring toWide(std::string_view text, bool strict) {
    if (text.empty()) return {};
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int length = checkedLength(text.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, flags, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(CP_UTF8, flags, text.data(), length, wide.data(), needed);
    return wide;
}

std::wstring toWidePath(std::string_view path) {
    std::wstring wide = toWide(path, true);
    // From 248 characters on, the limit the system keeps for directories, below the 260 of
    // files; a name already in the \\?\ form is left as it is.
    constexpr std::size_t kLongPath = MAX_PATH - 12;
    if (wide.size() < kLongPath || wide.starts_with(L"\\\\?\\")) return wide;

    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return wide;
    full.resize(length);
    if (full.size() > 2 && isSeparator(full[0]) && isSeparator(full[1])) {
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    }
    if (full.size() > 2 && full[1] == L':' && isSeparator(full[2])) return L"\\\\?\\" + full;
    return wide;
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = checkedLength(text.size());
    const int needed =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::string systemMessage(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer != nullptr) text.assign(buffer, length);
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) return "Windows error " + std::to_string(code);
    return toUtf8(text);
}

}  // namespace platform::win32
