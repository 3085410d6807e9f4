// The one way bytes of a file travel from what makes them to what stores them: a producer hands
// its bytes to a sink, a piece at a time and in order. The compiler's encoders are producers and
// know nothing of where the bytes go; the platform's writers are sinks and know nothing of what
// the bytes mean. Both include this header and nothing of each other.
#pragma once

#include <functional>
#include <string_view>

namespace common {

// Receives the next piece of a file's bytes; returns when it has taken them.
using ByteSink = std::function<void(std::string_view piece)>;

// Hands a whole file's bytes, in order, to the sink it is given.
using ByteProducer = std::function<void(const ByteSink&)>;

}  // namespace common
