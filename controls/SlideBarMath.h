#pragma once
// Position arithmetic of the slide bar: where the thumb goes, which position
// a mouse x means, what the keys do, and where the groove and ticks lie.
// Plain integer and floating-point code, free of any widget.

#include <optional>

// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
int SlideRound(double v);

// Left edge of the thumb for a position: (position - min) * (w - tw) /
// (max - min), rounded halves to even, then kept within 0..w - tw. With
// max <= min the thumb stays at the left end.
int SlideThumbLeft(int position, int min, int max, int w, int tw);

// Left edge of the thumb while it is dragged: under the mouse, kept within
// 0..w - tw.
int SlideDragThumbLeft(int mouseX, int hw, int w, int tw);

// A bar with a step above 1 moves only to multiples of that step: the
// mouse, the keys and clicks on the groove land on them, and its range is
// the multiples of step within min..max (all of min..max when none lies in
// it). Positions written by the program are kept as they are; the first
// step from a position between two multiples goes to the next one.

// Position for a mouse x: x / (w - hw) * (max - min) + min, rounded halves to
// even, then to the nearest multiple of step, and kept within the range.
int SlidePositionFromX(int x, int min, int max, int w, int hw, int step = 1);

// Position after a left-button release. When dragging it is the position of
// the mouse x; otherwise the thumb moves one step towards the click (none
// when the click is on the thumb's centre column). Kept within the range.
int SlideReleasePosition(bool dragging, int x, int position, int thumbLeft, int min, int max,
                         int w, int hw, int step = 1);

// Keys that move the slide bar.
enum class TSlideKey { PageUp, PageDown, Home, End, Left, Right, Up, Down };

// The page step: a tenth of the range, down to a multiple of step, at
// least one step.
int SlidePageStep(int min, int max, int step = 1);

// New position for a key, or nothing when the key does not move the bar
// (Left/Down at the range's low end, Right/Up at its high end). Page and
// Home/End keys always give a position, even when it equals the current one.
std::optional<int> SlideKeyPosition(TSlideKey key, int position, int min, int max, int step = 1);

// The engraved groove: ends xL and xR, top line y1 and bottom line y2.
struct TSlideGroove {
    int xL = 0;
    int xR = 0;
    int y1 = 0;
    int y2 = 0;
};
TSlideGroove SlideGrooveOf(int w, int h, int tw, int thickness);

// x of the tick of position i (min <= i <= max): the left share of the range
// truncated towards zero from xL; the tick of max sits at xR - 1.
int SlideTickX(int i, int min, int max, int w, int tw, const TSlideGroove& groove);
