#include "graph/SequencerGraphLogic.h"

#include "link/AttUnits.h"
#include "link/TovarinProtocol.h"

namespace seqgraph {

int GainRangeMin(int maxAtt) { return -TenthsOfDb(maxAtt, maxAtt); }

int GainOfValue(int value, int maxAtt, int commonMaxAtt) { return -TenthsOfDb(value, maxAtt, commonMaxAtt); }

std::vector<TCurvePoint> ParseAttCommand(int attNumber, std::string_view text, int commonMaxAtt,
                                         const TCurveMaxima& maxima) {
    std::vector<TCurvePoint> out;
    for (const TAttSetting& s : ReadAttCommand(text)) {
        const int curve = attNumber + s.Channel;
        if (curve >= 1 && curve <= kCurveCount)
            out.push_back({curve, GainOfValue(s.Value, maxima[static_cast<std::size_t>(curve)], commonMaxAtt)});
    }
    return out;
}

TSaveName ChangeSaveFileType(const std::string& fileName, int filterIndex) {
    TSaveName out;
    out.DefaultExt = filterIndex == 2 ? "jpg" : "bmp";
    const std::size_t slash = fileName.find_last_of('/');
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name = name.substr(0, dot) + "." + out.DefaultExt;
    out.FileName = name;
    return out;
}

}  // namespace seqgraph
