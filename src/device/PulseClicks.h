#pragma once
// The calibration's clicks through the sound server, on a stream of their own.
#include <memory>
#include <vector>

#include "core/entry/ReactionCalibration.h"

class PulseOutput;

class PulseClicks : public ClickSound {
public:
    PulseClicks();
    ~PulseClicks() override;
    bool Start(int count, int intervalMs) override;
    void Feed() override;
    int HeardMs() override;
    void Stop() override;

private:
    std::unique_ptr<PulseOutput> output;
    std::vector<char> sound; // 16-bit stereo at 44.1 kHz
    size_t sent = 0;
    int64_t base = 0; // the stream's index of the first click
    int heardMs = -1; // the most heard so far
};
