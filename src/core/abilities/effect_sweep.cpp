#include "core/abilities/effect_sweep.h"

#include <algorithm>

#include "core/base/pixel_scale.h"

namespace pomki {

Point NextSweepPosition(Point position, Size screen) {
    return NextSweepPosition(position, Rect{0, 0, screen.cx, screen.cy}, kSweepStep);
}

Point NextSweepPosition(Point position, Rect area, int step) {
    if (position.x < area.left || position.y < area.top) return Point{area.left, area.top};
    Point next = position;
    next.x += step;
    if (next.x > area.right - step) {
        next.x = area.left;
        next.y += step;
    }
    // Checked at every step, not only after a row ends: a position left from a larger screen
    // returns to the top at once.
    if (next.y > area.bottom - step) next.y = area.top;
    return next;
}

std::vector<Monitor> SweepOrder(std::vector<Monitor> monitors) {
    std::stable_sort(monitors.begin(), monitors.end(), [](const Monitor& a, const Monitor& b) {
        return a.rect.left != b.rect.left ? a.rect.left < b.rect.left : a.rect.top < b.rect.top;
    });
    return monitors;
}

int SweepStepOn(const Monitor& monitor) { return kSweepStep * PixelScaleForDpi(monitor.dpi); }
int EffectSideOn(const Monitor& monitor) { return kEffectSize * PixelScaleForDpi(monitor.dpi); }

namespace {

SweepPosition TopLeftOf(std::size_t index, std::span<const Monitor> monitors) {
    const Rect& r = monitors[index].rect;
    return SweepPosition{index, Point{r.left, r.top}};
}

// A corner the sweep may stand at on its monitor: within the rows and columns it visits.
bool OnItsMonitor(const SweepPosition& p, std::span<const Monitor> monitors) {
    if (p.monitor >= monitors.size()) return false;
    const Monitor& m = monitors[p.monitor];
    const int step = SweepStepOn(m);
    return m.rect.left <= p.at.x && p.at.x <= std::max(m.rect.left, m.rect.right - step) && m.rect.top <= p.at.y &&
           p.at.y <= std::max(m.rect.top, m.rect.bottom - step);
}

}  // namespace

SweepPosition FirstSweepPosition(std::optional<SweepPosition> last, std::span<const Monitor> monitors) {
    if (monitors.empty()) return last.value_or(SweepPosition{});
    if (last && OnItsMonitor(*last, monitors)) return *last;
    return TopLeftOf(0, monitors);
}

SweepPosition NextSweepPosition(SweepPosition from, std::span<const Monitor> monitors) {
    if (monitors.empty()) return from;
    if (from.monitor >= monitors.size()) return TopLeftOf(0, monitors);
    const Monitor& m = monitors[from.monitor];
    const Rect& r = m.rect;
    if (from.at.x < r.left || from.at.y < r.top) return TopLeftOf(from.monitor, monitors);
    const int step = SweepStepOn(m);
    Point next = from.at;
    next.x += step;
    if (next.x > r.right - step) {
        next.x = r.left;
        next.y += step;
    }
    if (next.y > r.bottom - step) return TopLeftOf((from.monitor + 1) % monitors.size(), monitors);
    return SweepPosition{from.monitor, next};
}

}  // namespace pomki
