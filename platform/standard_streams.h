// A program started with standard input, output or error closed would hand the first files it
// opens those descriptors, and its messages would then land in them.
#pragma once

namespace platform {

// Puts a placeholder on each closed standard descriptor, opened for reading only, so that no
// file the program opens later takes its number and a write to it still fails as on a closed
// descriptor. Nothing to do on Windows, where handles are not numbered this way.
void holdClosedStandardStreams();

}  // namespace platform
