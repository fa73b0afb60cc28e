#include "controls/SlideBarMath.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int ToInt(double v) {
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

int ClampInt(int v, int lo, int hi) {
    if (hi < lo) return lo;
    return std::clamp(v, lo, hi);
}

long long FloorTo(long long v, long long step) {
    long long q = v / step;
    if (v % step != 0 && v < 0) --q;
    return q * step;
}

long long CeilTo(long long v, long long step) { return -FloorTo(-v, step); }

// The positions a bar stepping by step can take: the multiples of step
// within lo..hi. Without a multiple in min..max the bar steps by 1.
struct TStepRange {
    long long lo;
    long long hi;
    long long step;
    int Keep(long long v) const { return static_cast<int>(hi < lo ? lo : std::clamp(v, lo, hi)); }
    // count steps up (count > 0) or down from position.
    int From(int position, long long count) const {
        const long long base = count > 0 ? FloorTo(position, step) : CeilTo(position, step);
        return Keep(base + count * step);
    }
    int Snap(int p) const { return Keep(FloorTo(static_cast<long long>(p) + step / 2, step)); }
};

TStepRange StepRange(int min, int max, int step) {
    if (step > 1) {
        const long long lo = CeilTo(min, step), hi = FloorTo(max, step);
        if (lo <= hi) return {lo, hi, step};
    }
    return {min, max, 1};
}

}  // namespace

int SlideRound(double v) {
    // Banker's rounding whatever the current rounding mode of the thread.
    const double down = std::floor(v);
    const double diff = v - down;
    double r;
    if (diff < 0.5) r = down;
    else if (diff > 0.5) r = down + 1.0;
    else r = std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
    return ToInt(r);
}

int SlideThumbLeft(int position, int min, int max, int w, int tw) {
    int left = 0;
    if (max > min) {
        const double span = static_cast<double>(max) - static_cast<double>(min);
        left = SlideRound((static_cast<double>(position) - min) * (static_cast<double>(w) - tw) / span);
    }
    return ClampInt(left, 0, w - tw);
}

int SlideDragThumbLeft(int mouseX, int hw, int w, int tw) {
    return ClampInt(mouseX - hw, 0, w - tw);
}

int SlidePositionFromX(int x, int min, int max, int w, int hw, int step) {
    const double divisor = static_cast<double>(w) - hw;
    if (divisor <= 0.0 || max <= min) return min;
    const double span = static_cast<double>(max) - static_cast<double>(min);
    return StepRange(min, max, step).Snap(SlideRound(static_cast<double>(x) / divisor * span + min));
}

int SlideReleasePosition(bool dragging, int x, int position, int thumbLeft, int min, int max,
                         int w, int hw, int step) {
    if (dragging) return SlidePositionFromX(x, min, max, w, hw, step);
    const int centre = thumbLeft + hw;
    if (x == centre) return ClampInt(position, min, max);
    return StepRange(min, max, step).From(position, x < centre ? -1 : 1);
}

int SlidePageStep(int min, int max, int step) {
    step = std::max(step, 1);
    const long long tenth = (static_cast<long long>(max) - min) / 10;
    return static_cast<int>(std::clamp<long long>(tenth - tenth % step, step, INT_MAX));
}

std::optional<int> SlideKeyPosition(TSlideKey key, int position, int min, int max, int step) {
    const TStepRange range = StepRange(min, max, step);
    const long long pages = SlidePageStep(min, max, static_cast<int>(range.step)) / range.step;
    switch (key) {
    case TSlideKey::PageUp:
        return range.From(position, -pages);
    case TSlideKey::PageDown:
        return range.From(position, pages);
    case TSlideKey::End:
        return static_cast<int>(range.hi);
    case TSlideKey::Home:
        return static_cast<int>(range.lo);
    case TSlideKey::Left:
    case TSlideKey::Down:
        if (position > range.lo) return range.From(position, -1);
        return std::nullopt;
    case TSlideKey::Right:
    case TSlideKey::Up:
        if (position < range.hi) return range.From(position, 1);
        return std::nullopt;
    }
    return std::nullopt;
}

TSlideGroove SlideGrooveOf(int w, int h, int tw, int thickness) {
    TSlideGroove g;
    const int hw = tw / 2;
    g.xL = hw;
    g.xR = w - tw + hw;
    g.y1 = h / 2 - thickness / 2 - 1;
    g.y2 = g.y1 + thickness + 1;
    return g;
}

int SlideTickX(int i, int min, int max, int w, int tw, const TSlideGroove& groove) {
    if (i == max) return groove.xR - 1;
    if (max <= min) return groove.xL;
    const double span = static_cast<double>(max) - static_cast<double>(min);
    const double x = (static_cast<double>(i) - min) * (static_cast<double>(w) - tw) / span;
    return ToInt(std::trunc(x)) + groove.xL;
}
