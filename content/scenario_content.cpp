#include "content/scenario_content.h"

namespace scenario::content {
namespace {

// The driver's documents share one pattern: <line>_<train>_<what>.txt.
std::string trainDocumentName(std::string_view lineName, std::string_view trainName,
                              std::string_view what) {
    std::string name(lineName);
    name += '_';
    name += trainName;
    name += '_';
    name += what;
    return name;
}

}  // namespace

std::string lineDescriptionName(std::string_view lineName) {
    return std::string(lineName) + "_linea.txt";
}

// The '-' keeps the description apart from the compiled <line>_<train>.dat and .sim files.
std::string trainDescriptionName(std::string_view lineName, std::string_view trainName) {
    return std::string(lineName) + "_" + std::string(trainName) + "-.txt";
}

std::string notesName(std::string_view lineName, std::string_view trainName) {
    return trainDocumentName(lineName, trainName, "note.txt");
}

std::string slowdownOrderName(std::string_view lineName, std::string_view trainName) {
    return trainDocumentName(lineName, trainName, "rallentamenti.txt");
}

std::string timetableSheetName(std::string_view lineName, std::string_view trainName) {
    return trainDocumentName(lineName, trainName, "scheda_treno.txt");
}

}  // namespace scenario::content
