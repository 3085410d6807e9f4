// The train phase: the input is the train description, read after a small fixed line
// description as long as the carried line, with a mountain stretch and its markers and two
// boards, so that the train's objects meet taken cells and markers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"

namespace {

constexpr std::string_view kLine =
    "[generale]\r\n"
    "lunghezza percorso, 169000\r\n"
    "[curve]\r\n"
    "montagna, 500, 2850, 11\r\n"
    "indicatori_vmax, 800, 60, 60, 60, 0, , , , 0\r\n"
    "cartello_indicatore, 133850, (CAVALCAVIA)\r\n"
    "[fine]\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view train(reinterpret_cast<const char*>(data), size);
    // The train phase does not touch the track plan: leaving it out keeps each run short.
    scenario::fuzz::compileChecked(kLine, train, 0);
    return 0;
}
