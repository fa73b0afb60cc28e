#pragma once
// Rules of the sequencer graph window that need no GUI: reading attenuation
// command texts into curve points, the gain range, and the file name change
// when the save dialog's file type changes.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace seqgraph {

constexpr int kCurveCount = 8;

// Lowest gain shown (tenths of a decibel) for attenuators whose common
// maximum is maxAtt: whole decibels up to 110, tenths above.
int GainRangeMin(int maxAtt);

// Gain in tenths of a decibel of value v sent to an attenuator of maximum
// maxAtt (its unit); a maximum below 1 is unknown and the common maximum's
// unit applies.
int GainOfValue(int value, int maxAtt, int commonMaxAtt);

// The attenuators' own maxima, index 1..8 (index 0 unused); 0 = unknown.
using TCurveMaxima = std::array<int, kCurveCount + 1>;

struct TCurvePoint {
    int Curve = 0;  // 1..8
    int Gain = 0;   // tenths of a decibel
    bool operator==(const TCurvePoint&) const = default;
};

// The points that the command text sent to attenuator attNumber adds: one
// per channel setting d of the command (ReadAttCommand), on curve
// attNumber + d, its value read in the unit of that curve's attenuator
// (maxima); a setting naming a curve outside 1..8 adds nothing.
std::vector<TCurvePoint> ParseAttCommand(int attNumber, std::string_view text, int commonMaxAtt,
                                         const TCurveMaxima& maxima = {});

struct TSaveName {
    std::string FileName;     // the name for the dialog's file-name box
    std::string DefaultExt;   // "bmp" or "jpg"
};

// The dialog's file name after the user picks file type filterIndex (1 =
// bitmap, 2 = JPEG): only its last path component is kept, and an existing
// extension is replaced by the type's one; a name without extension stays.
TSaveName ChangeSaveFileType(const std::string& fileName, int filterIndex);

}  // namespace seqgraph
