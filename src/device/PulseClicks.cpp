#include "PulseClicks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "PulseOutput.h"

namespace {
constexpr int kRate = 44100;
constexpr int kClickMs = 25;
} // namespace

PulseClicks::PulseClicks() : output(std::make_unique<PulseOutput>()) {}
PulseClicks::~PulseClicks() { Stop(); }

bool PulseClicks::Start(int count, int intervalMs)
{
    Stop();
    if (!output->Open()) return false;
    base = output->WriteIndex();
    // Short 1 kHz clicks that fade out, then silence to the next; a little silence after
    // the last so that it is heard whole.
    const int64_t frames = int64_t(count) * intervalMs * kRate / 1000 + kRate / 2;
    sound.assign(size_t(frames) * 4, 0);
    auto* s = reinterpret_cast<int16_t*>(sound.data());
    for (int k = 0; k < count; ++k) {
        const int64_t at = int64_t(k) * intervalMs * kRate / 1000;
        const int length = kClickMs * kRate / 1000;
        for (int i = 0; i < length; ++i) {
            const double fade = 1.0 - double(i) / length;
            const auto v = static_cast<int16_t>(20000 * fade * std::sin(2 * M_PI * 1000 * i / kRate));
            s[2 * (at + i)] = s[2 * (at + i) + 1] = v;
        }
    }
    sent = 0;
    Feed();
    return true;
}

void PulseClicks::Feed()
{
    while (sent < sound.size()) {
        const size_t room = output->Writable();
        if (room == 0) break;
        const size_t took = output->Write(reinterpret_cast<const int16_t*>(sound.data() + sent),
                                          std::min(room, (sound.size() - sent) / 4));
        if (took == 0) break;
        sent += took * 4;
    }
}

int PulseClicks::HeardMs()
{
    // The stream's count runs on by the clock between the server's reports, and a report
    // may set it a little back: what was heard never goes back.
    const int64_t heard = output->Heard() - base;
    if (heard > 0) heardMs = std::max(heardMs, static_cast<int>(heard * 1000 / kRate));
    return heardMs;
}

void PulseClicks::Stop()
{
    if (!sound.empty()) output->Flush();
    sound.clear();
    sent = 0;
    heardMs = -1;
}
