// The decoders of the compiled files, fed any bytes: the first byte chooses the file (route,
// train, line plan) and the rest is its content. A file is either refused with a DecodeError
// whose offset lies inside it, or decoded into tables that encode back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compiled_file_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        switch (data[0] % 3) {
            case 0:
                FUZZ_CHECK(scenario::encodeRouteTable(scenario::decodeRouteTable(bytes)) == bytes);
                break;
            case 1:
                FUZZ_CHECK(scenario::encodeLineTable(scenario::decodeLineTable(bytes)) == bytes);
                break;
            default: {
                std::string encoded;
                scenario::encodeTrackPlan(scenario::decodeTrackPlan(bytes),
                                          [&](std::string_view piece) { encoded += piece; });
                FUZZ_CHECK(encoded == bytes);
                break;
            }
        }
    } catch (const scenario::DecodeError& e) {
        FUZZ_CHECK(e.offset() <= bytes.size());
    }
    return 0;
}
