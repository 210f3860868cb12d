#include "ReactionCalibration.h"

#include <cmath>

void ReactionCalibration::Begin(uint32_t tick)
{
    begun = true;
    first = tick;
    taps.clear();
}

void ReactionCalibration::Tap(uint32_t tick)
{
    if (begun) taps.push_back(tick);
}

std::vector<std::optional<int>> ReactionCalibration::Lags() const
{
    std::vector<std::optional<int>> lags(kClicks);
    for (int k = 0; k < kClicks; ++k) {
        // Times from the first click: the tick count may wrap meanwhile.
        const int64_t click = int64_t(k) * kIntervalMs;
        const int64_t from = click - kEarlyMs, to = click + kIntervalMs - kEarlyMs; // the next click's window
        for (uint32_t tap : taps) {
            const int64_t at = int32_t(tap - first);
            if (at >= from && at < to) {
                lags[size_t(k)] = int(at - click);
                break;
            }
        }
    }
    return lags;
}

std::optional<int> ReactionCalibration::Proposal() const
{
    int count = 0;
    int64_t sum = 0;
    for (const std::optional<int>& lag : Lags())
        if (lag) {
            ++count;
            sum += *lag;
        }
    if (count < kNeeded) return std::nullopt;
    const double mean = double(sum) / count;
    return std::max(0, int(std::lround(mean / 10)) * 10);
}
