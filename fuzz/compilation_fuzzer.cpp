// The whole compilation of a pair of descriptions: the input is the line description, the
// separator line "@@train@@", then the train description; without the separator the train
// description is missing. The pair is compiled with the track plan, stamped and encoded; then
// compiled again without the plan into the same model, whose files must equal those of a
// fresh model: nothing of one compilation may reach the next one's files.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using scenario::fuzz::Compilation;
    using scenario::fuzz::compileInto;
    using scenario::fuzz::kTrainSeparator;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find(kTrainSeparator);
    const std::string_view line = input.substr(0, cut);
    std::optional<std::string_view> train;
    if (cut != std::string_view::npos) train = input.substr(cut + kTrainSeparator.size());

    Compilation reused;
    compileInto(reused, line, train, 1);
    compileInto(reused, line, train, 0);
    Compilation fresh;
    compileInto(fresh, line, train, 0);

    FUZZ_CHECK(reused.stamp == fresh.stamp);
    FUZZ_CHECK(reused.model.error.errorCode == fresh.model.error.errorCode);
    FUZZ_CHECK(reused.trainFile == fresh.trainFile);
    FUZZ_CHECK(reused.routeFile == fresh.routeFile);
    return 0;
}
