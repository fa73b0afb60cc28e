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

int SlidePositionFromX(int x, int min, int max, int w, int hw) {
    const double divisor = static_cast<double>(w) - hw;
    if (divisor <= 0.0 || max <= min) return min;
    const double span = static_cast<double>(max) - static_cast<double>(min);
    const int p = SlideRound(static_cast<double>(x) / divisor * span + min);
    return ClampInt(p, min, max);
}

int SlideReleasePosition(bool dragging, int x, int position, int thumbLeft, int min, int max,
                         int w, int hw) {
    int p = position;
    if (dragging) {
        p = SlidePositionFromX(x, min, max, w, hw);
    } else {
        const int centre = thumbLeft + hw;
        if (x < centre && position > INT_MIN) p = position - 1;
        else if (x > centre && position < INT_MAX) p = position + 1;
    }
    return ClampInt(p, min, max);
}

int SlidePageStep(int min, int max) {
    const long long step = (static_cast<long long>(max) - min) / 10;
    return static_cast<int>(std::clamp<long long>(step, 1, INT_MAX));
}

std::optional<int> SlideKeyPosition(TSlideKey key, int position, int min, int max) {
    const long long s = SlidePageStep(min, max);
    switch (key) {
    case TSlideKey::PageUp:
        return static_cast<int>(std::max<long long>(static_cast<long long>(position) - s, min));
    case TSlideKey::PageDown:
        return static_cast<int>(std::min<long long>(static_cast<long long>(position) + s, max));
    case TSlideKey::End:
        return max;
    case TSlideKey::Home:
        return min;
    case TSlideKey::Left:
    case TSlideKey::Down:
        if (position > min) return position - 1;
        return std::nullopt;
    case TSlideKey::Right:
    case TSlideKey::Up:
        if (position < max) return position + 1;
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
