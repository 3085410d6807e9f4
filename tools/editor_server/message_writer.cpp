#include "tools/editor_server/message_writer.h"

#include "tools/editor_server/message_framing.h"

namespace tool::editor {

void MessageWriter::send(std::string_view body) {
    const std::string message = framed(body);
    const std::lock_guard lock(mutex_);
    if (failed_) return;
    out_.write(message.data(), static_cast<std::streamsize>(message.size()));
    out_.flush();
    if (!out_) failed_ = true;
}

}  // namespace tool::editor
