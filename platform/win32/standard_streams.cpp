#include "platform/standard_streams.h"

namespace platform {

void holdClosedStandardStreams() {}

}  // namespace platform
