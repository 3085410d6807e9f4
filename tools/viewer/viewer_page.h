// The live viewer's page, carried in the program: generated at build time from the files in
// tools/viewer/, which stay the one source of its text.
#pragma once

#include <string_view>

namespace tool {

std::string_view viewerPageHtml();
std::string_view viewerPageCss();
std::string_view viewerPageScript();

}  // namespace tool
