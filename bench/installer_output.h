// What the installer writes, taken from a real run: every file in the order the installer
// writes it, with its final bytes. The two descriptions, which the installer deletes again,
// are encoded by the same writing procedure the installer uses.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/floor_writer.h"

namespace bench {

struct OutputFile {
    std::string name;
    std::string bytes;
    FileRole role;
};

// Runs the installer headless in a scratch directory and collects its output. Throws
// std::runtime_error when the run fails or leaves anything but the six expected files.
std::vector<OutputFile> captureInstallerOutput();

// The files that stay after a run (the descriptions left out), by name.
std::map<std::string, std::string> remainingFiles(const std::vector<OutputFile>& output);

// Every regular file in `dir`, by name, with its bytes.
std::map<std::string, std::string> readDirectory(const std::filesystem::path& dir);

std::vector<FloorFile> floorFilesOf(const std::vector<OutputFile>& output);

}  // namespace bench
