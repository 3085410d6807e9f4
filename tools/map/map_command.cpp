#include "tools/map/map_command.h"

#include "compiler/compilation.h"
#include "platform/bounded_read.h"
#include "platform/files.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/input_limits.h"
#include "tools/command_line/named_output.h"
#include "tools/command_line/scenario_names.h"
#include "tools/command_line/unreadable_input.h"
#include "tools/compiled_files/compiled_set.h"
#include "tools/compiled_files/listing_filter.h"
#include "tools/diagnostics/failure_report.h"
#include "tools/map/svg_map.h"

namespace tool {
namespace {

constexpr const char* kProgram = "scenario-tool: ";

bool toStandardOutput(const MapOptions& options) {
    return options.output.empty() || options.output == "-";
}

// The map may not take the place of what it is drawn from.
std::optional<std::string> outputClash(const MapOptions& options,
                                       const std::vector<std::string>& inputs) {
    if (toStandardOutput(options)) return std::nullopt;
    return outputIsInput(options.output, inputs);
}

// The stretch `--km` names, or the whole line; a stretch that begins past the line's end
// draws nothing and is refused.
std::variant<MapView, std::string> viewOf(const MapOptions& options, const MapSources& sources) {
    MapView view;
    if (!options.km) return view;
    const std::variant<ListingFilter, std::string> parsed = listingFilter(std::nullopt, options.km);
    if (const auto* problem = std::get_if<std::string>(&parsed)) return *problem;
    const ListingFilter& filter = std::get<ListingFilter>(parsed);
    const std::int64_t lineEnd = drawnLineEnd(*sources.route, sources.train);
    if (*filter.from > lineEnd) {
        return "--km: " + *options.km + " begins after the line's end at " + kilometreText(lineEnd);
    }
    view.stretch = MapStretch{*filter.from, *filter.to};
    return view;
}

int emit(const MapOptions& options, const MapSources& sources, int status, std::ostream& out,
         std::ostream& err) {
    const std::variant<MapView, std::string> view = viewOf(options, sources);
    if (const auto* problem = std::get_if<std::string>(&view)) {
        err << kProgram << *problem << '\n';
        return kMapNoInput;
    }
    const std::string svg = renderMapSvg(sources, std::get<MapView>(view));
    if (toStandardOutput(options)) {
        out << svg;
        return status;
    }
    try {
        writeNamedOutput(options.output, svg);
    } catch (const platform::FileError& e) {
        err << kProgram << e.what() << '\n';
        return kMapNotWritten;
    }
    return status;
}

std::optional<std::string> readSource(const std::string& path, std::ostream& err) {
    platform::BoundedRead read = platform::readFileAtMost(path, kMaxDescriptionBytes);
    if (read.status == platform::ReadStatus::ok && !read.tooLarge) return std::move(read.bytes);
    err << kProgram
        << (read.tooLarge ? path + ": " + oversizedDescription(read)
                          : unreadableInput(path, read.status, read.reason))
        << '\n';
    return std::nullopt;
}

int mapFromSources(const MapOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<std::string> lineName =
        options.lineName ? options.lineName : lineNameFromFile(options.lineFile);
    if (!lineName || nameProblem(*lineName)) {
        err << kProgram << "cannot use the line name of " << options.lineFile
            << ": name the file X_linea.txt or give a usable --line-name\n";
        return kMapNoInput;
    }
    std::optional<std::string> trainName =
        options.trainName ? options.trainName : trainNameFromFile(options.trainFile, *lineName);
    if (!trainName || nameProblem(*trainName)) {
        err << kProgram << "cannot use the train name of " << options.trainFile
            << ": name the file " << *lineName << "_Y-.txt or give a usable --train-name\n";
        return kMapNoInput;
    }
    if (auto clash = outputClash(options, {options.lineFile, options.trainFile})) {
        err << kProgram << *clash << '\n';
        return kMapNoInput;
    }
    const std::optional<std::string> line = readSource(options.lineFile, err);
    const std::optional<std::string> train = readSource(options.trainFile, err);
    if (!line || !train) return kMapNoInput;

    const scenario::Compilation compilation = scenario::compile(
        {*lineName, *trainName}, {scenario::inMemory(*line), scenario::inMemory(*train)});
    const scenario::ScenarioModel& model = compilation.model;
    const std::optional<RecordedFailure> failure =
        recordedFailure(model, compilation.reading, {options.lineFile, options.trainFile},
                        DescriptionTexts{*line, *train});
    if (failure) err << formatFailureWithContext(*failure);
    switch (compilation.stamp) {
        case scenario::StampResult::stamped:
            break;
        case scenario::StampResult::noRoute:
            err << kProgram << kNoRouteProblem << "; nothing to draw\n";
            return kMapNoInput;
        case scenario::StampResult::dataOverFormatStamps:
        case scenario::StampResult::dataOverScenarioCodes:
            err << kProgram << "data in the place of the stamps (error "
                << scenario::codeNumber(*scenario::stampFailure(compilation.stamp))
                << "); the installer would write nothing, so there is nothing to draw\n";
            return kMapNoInput;
    }
    const MapSources sources{&model.routeTable, &model.lineTable, &model.trackPlan};
    return emit(options, sources, failure ? kMapFailureRecorded : kMapWritten, out, err);
}

int mapFromCompiled(const MapOptions& options, std::ostream& out, std::ostream& err) {
    if (options.files.empty()) {
        err << kProgram << "map needs compiled files or --from-sources LINE_FILE TRAIN_FILE\n";
        return kMapNoInput;
    }
    if (auto clash = outputClash(options, options.files)) {
        err << kProgram << *clash << '\n';
        return kMapNoInput;
    }
    std::vector<LoadedFile> files;
    for (const std::string& path : options.files) {
        std::optional<CompiledKind> kind =
            options.kind ? compiledKindFromWord(*options.kind) : compiledKindFromName(path);
        if (!kind) {
            err << kProgram << "cannot tell what " << path
                << " holds from its name: give --kind plan|train|route\n";
            return kMapNoInput;
        }
        files.push_back(loadCompiledFile(path, *kind));
        const LoadedFile& file = files.back();
        if (file.problem) {
            err << kProgram << path << ": " << *file.problem << '\n';
            return kMapNoInput;
        }
        if (file.fault) {
            err << kProgram << path << ": " << describeFault(*file.fault) << '\n';
            return kMapDamaged;
        }
    }
    auto given = [&files](CompiledKind kind) -> std::optional<LoadedFile> {
        for (const LoadedFile& f : files) {
            if (f.kind == kind) return f;
        }
        return std::nullopt;
    };
    std::optional<LoadedFile> route = given(CompiledKind::route);
    std::optional<LoadedFile> train = given(CompiledKind::train);
    if (!route && train) route = findCompanion(*train, CompiledKind::route, files);
    if (!route) {
        err << kProgram << "no usable route file among the inputs or beside them\n";
        return kMapNoInput;
    }
    if (!train) train = findCompanion(*route, CompiledKind::train, files);
    std::optional<LoadedFile> plan = given(CompiledKind::plan);
    if (!plan && train) {
        const auto& lineName = (*train->train())[scenario::kLineGeneral].text;
        plan = findCompanion(*route, CompiledKind::plan, files, lineName);
    }
    // The train file and the plan found beside the route are inputs too.
    std::vector<std::string> besides;
    if (train) besides.push_back(train->path);
    if (plan) besides.push_back(plan->path);
    besides.push_back(route->path);
    if (auto clash = outputClash(options, besides)) {
        err << kProgram << *clash << '\n';
        return kMapNoInput;
    }
    const MapSources sources{route->route(), train ? train->train() : nullptr,
                             plan ? plan->plan() : nullptr};
    return emit(options, sources, kMapWritten, out, err);
}

}  // namespace

int runMap(const MapOptions& options, std::ostream& out, std::ostream& err) {
    // A --km that is not FROM-TO is told before any file is read.
    if (options.km) {
        const auto parsed = listingFilter(std::nullopt, options.km);
        if (const auto* problem = std::get_if<std::string>(&parsed)) {
            err << kProgram << *problem << '\n';
            return kMapNoInput;
        }
    }
    if (!options.lineFile.empty()) return mapFromSources(options, out, err);
    return mapFromCompiled(options, out, err);
}

}  // namespace tool
