// Diagnostics in SARIF 2.1.0, the format editors and code-scanning services read.
#pragma once

#include <string>
#include <vector>

#include "tools/diagnostic.h"

namespace tool {

// One run of scenario-tool: every warning rule and every compiler code as a rule, one result
// per diagnostic. A warning made an error by --werror has the level "error".
std::string toSarif(const std::vector<Diagnostic>& diagnostics, bool werror);

// `path` as a URI reference: relative paths stay relative, absolute ones become file URIs;
// bytes outside the unreserved set are percent-encoded.
std::string pathUri(const std::string& path);

}  // namespace tool
