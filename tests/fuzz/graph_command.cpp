// The attenuation command texts the graph reads its points from. The first
// byte picks the attenuator, the next two the common maximum; the rest is
// the text.

#include "graph/SequencerGraphLogic.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int att = data[0] % 10;  // 0 and 9 lie outside the eight curves
    const int commonMaxAtt = (data[1] << 8 | data[2]) % 1200;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
    const auto points = seqgraph::ParseAttCommand(att, text, commonMaxAtt);
    FUZZ_CHECK(points.size() <= text.size() / 4 + 1);
    for (const auto& p : points) {
        FUZZ_CHECK(p.Curve >= 1 && p.Curve <= seqgraph::kCurveCount);
        FUZZ_CHECK(p.Gain >= -9990 && p.Gain <= 990);  // three characters: -99..999
    }
    return 0;
}
