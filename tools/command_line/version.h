// Which release of scenario-tool this is, and which commit it was built from.
#pragma once

#include <string>

namespace tool {

// "scenario-tool 1.2.3", followed by " (COMMIT)" when the build came from a git checkout;
// COMMIT ends in "-dirty" when the checkout had uncommitted changes.
std::string versionText();

// The release number alone, "1.2.3".
std::string releaseNumber();

// The release as a semantic version, with the commit as its build metadata when known:
// "1.2.3+1a2b3c4-dirty".
std::string semanticVersion();

}  // namespace tool
