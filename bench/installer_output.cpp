#include "bench/installer_output.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/run_installer.h"
#include "bench/scratch_dir.h"
#include "compiler/compiled_files.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "platform/ui.h"

namespace bench {

namespace content = scenario::content;

std::map<std::string, std::string> readDirectory(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

std::vector<OutputFile> captureInstallerOutput() {
    const std::string line(content::kLineName);
    const std::string train(content::kTrainName);
    std::vector<OutputFile> output = {
        {content::lineDescriptionName(line), content::encodeDocument(content::lineDescription()),
         FileRole::description},
        {content::trainDescriptionName(line, train),
         content::encodeDocument(content::trainDescription()), FileRole::description},
        {content::notesName(line, train), {}, FileRole::document},
        {content::slowdownOrderName(line, train), {}, FileRole::document},
        {content::timetableSheetName(line, train), {}, FileRole::document},
        {scenario::linePlanFileName(line), {}, FileRole::compiled},
        {scenario::trainFileName(line, train), {}, FileRole::compiled},
        {scenario::routeFileName(line, train), {}, FileRole::compiled},
    };

    ScratchDir dir;
    const auto ui = platform::makeHeadlessUi();
    if (app::runInstaller(*ui, [&dir] { return dir.str(); }) != 0) {
        throw std::runtime_error("the installer failed in " + dir.str());
    }
    std::map<std::string, std::string> written = readDirectory(dir.path());
    for (OutputFile& file : output) {
        if (file.role == FileRole::description) continue;
        const auto found = written.find(file.name);
        if (found == written.end()) throw std::runtime_error("the installer wrote no " + file.name);
        file.bytes = std::move(found->second);
        written.erase(found);
    }
    if (!written.empty()) {
        throw std::runtime_error("the installer left " + written.begin()->first + " behind");
    }
    return output;
}

std::map<std::string, std::string> remainingFiles(const std::vector<OutputFile>& output) {
    std::map<std::string, std::string> files;
    for (const OutputFile& file : output) {
        if (file.role != FileRole::description) files[file.name] = file.bytes;
    }
    return files;
}

std::vector<FloorFile> floorFilesOf(const std::vector<OutputFile>& output) {
    std::vector<FloorFile> files;
    for (const OutputFile& file : output) files.push_back({file.name, file.bytes, file.role});
    return files;
}

}  // namespace bench
