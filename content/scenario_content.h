// The scenario this program carries: the names of its line and train, the names of the five
// text files it writes, and the line tables of those files. Each line table ends with
// kEndMarker and is ready for writeDocument.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scenario::content {

inline constexpr std::string_view kLineName = "GENOVA_TORINO";
inline constexpr std::string_view kTrainName = "IC514";

// File names, without a directory.
std::string lineDescriptionName(std::string_view lineName);  // <line>_linea.txt
std::string trainDescriptionName(std::string_view lineName,
                                 std::string_view trainName);  // <line>_<train>-.txt
std::string notesName(std::string_view lineName, std::string_view trainName);
std::string slowdownOrderName(std::string_view lineName, std::string_view trainName);
std::string timetableSheetName(std::string_view lineName, std::string_view trainName);

// The line tables. Lines are UTF-8; the writing procedure stores them in Windows-1252.
std::span<const std::string_view> lineDescription();   // the line, read by the line reader
std::span<const std::string_view> trainDescription();  // the train, read by the train reader
std::span<const std::string_view> notes();             // the situation the scenario plays
std::span<const std::string_view> slowdownOrder();     // the form of speed restrictions
std::span<const std::string_view> timetableSheet();    // the driver's three timetable sheets

}  // namespace scenario::content
