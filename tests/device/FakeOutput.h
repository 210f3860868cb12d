#pragma once
// A sound output for the engine's tests: it keeps every sample fed on the stream's
// timeline and hears them at 44.1 a millisecond of a manual clock, its clock standing
// while it has nothing more to play, as a sound server's stream does.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "core/common/Clock.h"
#include "device/SoundOutput.h"

class FakeOutput : public SoundOutput {
public:
    // target: how many samples ahead of what is heard it takes.
    explicit FakeOutput(const Clock& clock, size_t target = 22050) : clock(clock), target(target) {}

    bool Open() override
    {
        std::lock_guard<std::mutex> l(lock);
        if (!open) ++opens;
        open = true;
        last = clock.TickCount();
        return true;
    }
    int64_t WriteIndex() override
    {
        std::lock_guard<std::mutex> l(lock);
        catchUp();
        return written();
    }
    size_t Writable() override
    {
        std::lock_guard<std::mutex> l(lock);
        catchUp();
        const int64_t held = written() - heard;
        return held >= int64_t(target) ? 0 : target - size_t(held);
    }
    size_t Write(const int16_t* samples, size_t count) override
    {
        {
            std::lock_guard<std::mutex> l(lock);
            catchUp();
            timeline.insert(timeline.end(), samples, samples + 2 * count);
        }
        fed.notify_all();
        return count;
    }
    int64_t Heard() override
    {
        std::lock_guard<std::mutex> l(lock);
        catchUp();
        return heard;
    }
    void Trigger() override {}
    void Flush() override
    {
        {
            std::lock_guard<std::mutex> l(lock);
            catchUp();
            timeline.resize(size_t(heard) * 2);
            ++flushes;
        }
        fed.notify_all();
    }
    bool Failed() override { return false; }
    void SetVolume(double v) override
    {
        {
            std::lock_guard<std::mutex> l(lock);
            volume = v;
        }
        fed.notify_all();
    }

    // The desktop's mixer sets the stream's volume.
    void MixerSets(double v)
    {
        {
            std::lock_guard<std::mutex> l(lock);
            volume = v;
        }
        if (VolumeChanged) VolumeChanged(v);
    }
    // The stream asks for more (after the clock moved).
    void Want()
    {
        if (Wanted) Wanted();
    }
    // Waits (5 s at most) until pred holds of the output, under its lock.
    bool WaitUntil(const std::function<bool(const FakeOutput&)>& pred)
    {
        std::unique_lock<std::mutex> l(lock);
        return fed.wait_for(l, std::chrono::seconds(5), [&] { return pred(*this); });
    }

    int64_t written() const { return int64_t(timeline.size() / 2); }
    std::vector<int16_t> timeline; // every sample that stands to be heard, interleaved
    int64_t heard = 0;
    int opens = 0;
    int flushes = 0;
    double volume = -1;

private:
    void catchUp()
    {
        const uint32_t now = clock.TickCount();
        carry += int64_t(now - last) * 441;
        last = now;
        heard = std::min(written(), heard + carry / 10);
        carry %= 10;
    }

    const Clock& clock;
    size_t target;
    uint32_t last = 0;
    int64_t carry = 0;
    bool open = false;
    std::mutex lock;
    std::condition_variable fed;
};
