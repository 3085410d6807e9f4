// Diagnostics in SARIF 2.1.0, the format editors and code-scanning services read.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/diagnostics/diagnostic.h"

namespace tool {

// How the run went, for the log's one invocation: its exit status and how many warnings were
// left out of the results.
struct SarifInvocation {
    int exitCode = 0;
    std::size_t warningsLeftOut = 0;
    std::size_t warningLimit = 0;
    // The folder relative paths start from (the working folder), as the base %SRCROOT%; empty
    // when not known.
    std::string sourceRoot;
    // The folder URI, ending in "/", of the documents that came with the program, for each
    // rule's help address; nothing when none were found.
    std::optional<std::string> docs;
};

// One run of scenario-tool: each warning rule and compiler code that a result breaks as a
// rule, with its entry of the reference as help, and one result per diagnostic, its region the
// whole field. A warning made an error by --werror has the level "error".
std::string toSarif(const std::vector<Diagnostic>& diagnostics, bool werror,
                    const SarifInvocation& invocation);

// The log of a run that could not check: no result, and an invocation that did not succeed,
// with `exitCode` and `problem` (an input that cannot be read, say) as its notification.
std::string sarifFailure(int exitCode, const std::string& problem);

// The same written from constant pieces, so that it needs no memory to build when memory has
// run out; `problem` is a constant such as "out of memory", ASCII without quotes.
void writeSarifFailure(std::ostream& out, int exitCode, std::string_view problem);

// `path` as a URI reference: relative paths stay relative, absolute ones become file URIs;
// bytes outside the unreserved set are percent-encoded.
std::string pathUri(const std::string& path);

}  // namespace tool
