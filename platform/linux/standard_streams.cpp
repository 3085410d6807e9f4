#include "platform/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {

void holdClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        // open() takes the lowest free number, which is this one since the lower ones are
        // open by now. Read-only, so that a write to it fails as it would on a closed one.
        const int placeholder = ::open("/dev/null", O_RDONLY);
        if (placeholder >= 0 && placeholder != fd) ::close(placeholder);
    }
}

}  // namespace platform
