// The whole compilation of a pair of descriptions: the input is the line description, the
// separator line "@@train@@", then the train description; without the separator the train
// description is missing. The pair is compiled with the track plan, stamped and encoded; then
// without the plan, and with it again, which must give the first compilation's files exactly:
// nothing of one compilation may reach the next one's files.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using scenario::fuzz::compileChecked;
    using scenario::fuzz::Compiled;
    using scenario::fuzz::kTrainSeparator;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find(kTrainSeparator);
    const std::string_view line = input.substr(0, cut);
    std::optional<std::string_view> train;
    if (cut != std::string_view::npos) train = input.substr(cut + kTrainSeparator.size());

    const Compiled first = compileChecked(line, train, 1);
    compileChecked(line, train, 0);
    const Compiled again = compileChecked(line, train, 1);

    FUZZ_CHECK(first.compilation.stamp == again.compilation.stamp);
    FUZZ_CHECK(first.compilation.model.error.errorCode == again.compilation.model.error.errorCode);
    FUZZ_CHECK(first.linePlanFile == again.linePlanFile);
    FUZZ_CHECK(first.trainFile == again.trainFile);
    FUZZ_CHECK(first.routeFile == again.routeFile);
    return 0;
}
