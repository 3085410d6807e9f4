#include "platform/file_size_limit.h"

#include <csignal>

namespace platform {

void letOversizedWritesFail() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
