// Deletes the temporary files that a killed run's replaceFile left beside a target: the names
// ".<name>.tmp-<process id>-<counter>" that TemporaryFile gives.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDigits(std::wstring_view part) {
    return !part.empty() && part.find_first_not_of(L"0123456789") == std::wstring_view::npos;
}

// True for `prefix`, digits, '-', digits, and nothing more.
bool isTemporaryName(std::wstring_view name, std::wstring_view prefix) {
    if (!name.starts_with(prefix)) return false;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find(L'-');
    return dash != std::wstring_view::npos && isDigits(name.substr(0, dash)) &&
           isDigits(name.substr(dash + 1));
}

}  // namespace

void removeLeftoverTemporaries(const std::string& path) {
    std::size_t dirLength = path.size();
    while (dirLength > 0 && !isSeparator(path[dirLength - 1]) &&
           !(dirLength == 2 && path[1] == ':')) {
        --dirLength;
    }
    const std::wstring base = win32::toWide(path.substr(dirLength), true);
    const std::wstring dir = win32::toWide(path.substr(0, dirLength), true);
    if (base.empty() || (dir.empty() && dirLength > 0)) return;
    const std::wstring prefix = L"." + base + L".tmp-";

    std::vector<std::wstring> leftovers;
    {
        WIN32_FIND_DATAW found;
        const HANDLE search = ::FindFirstFileW((dir + prefix + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        const struct SearchGuard {
            HANDLE handle;
            ~SearchGuard() { ::FindClose(handle); }
        } guard{search};
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                isTemporaryName(found.cFileName, prefix)) {
                leftovers.emplace_back(found.cFileName);
            }
        } while (::FindNextFileW(search, &found));
    }
    // One that cannot go only takes room; the run's own writes say what is wrong with the
    // directory, if anything is.
    for (const std::wstring& name : leftovers) ::DeleteFileW((dir + name).c_str());
}

}  // namespace platform
