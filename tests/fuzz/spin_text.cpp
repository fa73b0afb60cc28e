// What an operator may type or paste into a spin edit, read in whole-number
// and in decimal mode; a value read is shown and read back unchanged.

#include "controls/SpinNumValue.h"

#include "FuzzSupport.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool decimal : {false, true}) {
        const auto value = SpinParse(text, decimal);
        FUZZ_CHECK(SpinValueOf(text, decimal, -7) == (value ? *value : -7));
        if (!value) continue;
        FUZZ_CHECK(SpinParse(SpinFormat(*value, decimal), decimal) == value);
        const int clamped = SpinClamp(*value, 0, 1100);
        FUZZ_CHECK(clamped >= 0 && clamped <= 1100);
        FUZZ_CHECK(SpinStep(*value, LLONG_MAX) == INT_MAX);
        FUZZ_CHECK(SpinStep(*value, LLONG_MIN) == INT_MIN);
    }
    for (std::size_t i = 0; i < size; ++i) SpinIsValidChar(data[i], data[0] & 1, data[0] & 2);
    return 0;
}
