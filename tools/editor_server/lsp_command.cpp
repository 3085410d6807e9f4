#include "tools/editor_server/lsp_command.h"

#include <csignal>
#include <memory>
#include <thread>

#include "platform/files.h"
#include "tools/command_line/version.h"
#include "tools/editor_server/explanation_links.h"
#include "tools/editor_server/incoming_queue.h"
#include "tools/editor_server/language_server.h"
#include "tools/editor_server/standard_input.h"

namespace tool {

int runLsp(const LspOptions& options, std::ostream& out, std::ostream& /*err*/) {
    editor::useBinaryStandardStreams();
#ifndef _WIN32
    // An editor that goes away while the server writes makes the write fail, and the server
    // ends, rather than a signal ending it.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    editor::MessageWriter writer(out);
    editor::ServerSettings settings;
    settings.docs = editor::docsBeside(platform::appDir());
    settings.version = versionText();
    if (options.viewer) settings.viewer = editor::ViewerAddress{options.listen, options.port};
    // The reader waits in a read of standard input that only the editor ends; it is left to the
    // end of the process, with the queue it fills.
    const auto queue = std::make_shared<editor::IncomingQueue>();
    std::thread([queue] { editor::readMessages(editor::readStandardInput, *queue); }).detach();
    editor::LanguageServer server(writer, settings);
    return server.serve(*queue);
}

}  // namespace tool
