// Shared by the file layer's tests on every platform: a call that must fail with a message that
// names the file and the reason.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"

namespace platform::testing {

// Expects `call` to throw FileError whose message holds each of `parts`.
template <typename Call>
void expectFileError(Call call, const std::vector<std::string>& parts) {
    try {
        call();
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        for (const std::string& part : parts) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << '"' << e.what() << "\" lacks \"" << part << '"';
        }
    }
}

}  // namespace platform::testing
