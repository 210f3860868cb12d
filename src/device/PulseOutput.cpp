#include "PulseOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr uint32_t kRate = 44100;
constexpr int kBytesPerSample = 4;
// What the stream asks the server to hold: enough to ride out a busy machine, little
// enough that a jump sounds at once (after one the stream plays when it holds this much).
constexpr pa_usec_t kTargetUsec = 500 * PA_USEC_PER_MSEC;
constexpr int kConnectTimeoutMs = 3000;

constexpr pa_sample_spec kSpec{PA_SAMPLE_S16LE, kRate, 2};

void Signal(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

// The loop lock held, waits until done() holds or timeoutMs have passed.
template <class Done> bool WaitLocked(pa_threaded_mainloop* loop, pa_context* context, Done done, int timeoutMs)
{
    struct Alarm {
        pa_threaded_mainloop* loop;
        bool rang = false;
    } alarm{loop};
    pa_time_event* timer = pa_context_rttime_new(
        context, pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* a) {
            auto* al = static_cast<Alarm*>(a);
            al->rang = true;
            Signal(al->loop);
        },
        &alarm);
    while (!done() && !alarm.rang) pa_threaded_mainloop_wait(loop);
    if (timer) pa_threaded_mainloop_get_api(loop)->time_free(timer);
    return done();
}

bool ContextGone(pa_context* c)
{
    const pa_context_state_t s = pa_context_get_state(c);
    return s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED;
}

bool StreamGone(pa_stream* s)
{
    const pa_stream_state_t st = pa_stream_get_state(s);
    return st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED;
}

// Taken while the loop's lock is held, released with the scope.
struct Locked {
    pa_threaded_mainloop* loop;
    explicit Locked(pa_threaded_mainloop* l) : loop(l) { pa_threaded_mainloop_lock(loop); }
    ~Locked() { pa_threaded_mainloop_unlock(loop); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};
} // namespace

PulseOutput::~PulseOutput() { disconnect(); }

bool PulseOutput::connect()
{
    if (loop) {
        {
            Locked l(loop);
            if (pa_context_get_state(context) == PA_CONTEXT_READY) return true;
        }
        disconnect();
    }
    loop = pa_threaded_mainloop_new();
    if (!loop) return false;
    // The mixer shows the program by its name and icon, and the desktop's rules for music
    // (ducking under a call) go by the stream's role.
    pa_proplist* client = pa_proplist_new();
    pa_proplist_sets(client, PA_PROP_APPLICATION_ID, "org.mirelune.Mirelune");
    pa_proplist_sets(client, PA_PROP_APPLICATION_ICON_NAME, "mirelune");
    context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Mirelune", client);
    pa_proplist_free(client);
    if (!context) {
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        return false;
    }
    pa_context_set_state_callback(
        context, [](pa_context*, void* l) { Signal(static_cast<pa_threaded_mainloop*>(l)); }, loop);
    // The mixer's changes to our stream come back as its volume.
    pa_context_set_subscribe_callback(
        context,
        [](pa_context*, pa_subscription_event_type_t t, uint32_t index, void* self) {
            if ((t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK_INPUT &&
                (t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE)
                static_cast<PulseOutput*>(self)->mixerChanged(index);
        },
        this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop) < 0) {
        pa_context_unref(context);
        context = nullptr;
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        return false;
    }
    bool ready = false;
    {
        Locked l(loop);
        ready = WaitLocked(
            loop, context, [this] { return pa_context_get_state(context) == PA_CONTEXT_READY || ContextGone(context); },
            kConnectTimeoutMs);
        ready = ready && pa_context_get_state(context) == PA_CONTEXT_READY;
        if (ready)
            if (pa_operation* o = pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr))
                pa_operation_unref(o);
    }
    if (!ready) disconnect();
    return ready;
}

void PulseOutput::mixerChanged(uint32_t index)
{
    // The loop's lock is held here.
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY || index != pa_stream_get_index(stream)) return;
    pa_operation* o = pa_context_get_sink_input_info(
        context, index,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* p) {
            auto* self = static_cast<PulseOutput*>(p);
            if (eol || !info) return;
            const pa_volume_t v = pa_cvolume_avg(&info->volume);
            if (v == self->volumeSet.exchange(v)) return; // our own change coming back
            // In whole percent, as mixers show it.
            self->volume = std::clamp(std::round(double(v) * 100 / PA_VOLUME_NORM) / 100, 0.0, 1.0);
            if (self->VolumeChanged) self->VolumeChanged(self->volume);
        },
        this);
    if (o) pa_operation_unref(o);
}

void PulseOutput::disconnect()
{
    if (!loop) return;
    {
        Locked l(loop);
        dropStream();
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    loop = nullptr;
}

void PulseOutput::dropStream()
{
    if (!stream) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_started_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
    written = 0;
    lastHeard = 0;
}

bool PulseOutput::Open()
{
    if (loop) {
        Locked l(loop);
        if (!ContextGone(context) && stream && pa_stream_get_state(stream) == PA_STREAM_READY) return true;
    }
    if (!connect()) return false;
    Locked l(loop);
    return openStream();
}

bool PulseOutput::openStream()
{
    dropStream();
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    stream = pa_stream_new_with_proplist(context, "Mirelune", &kSpec, nullptr, props);
    pa_proplist_free(props);
    if (!stream) return false;
    pa_stream_set_state_callback(
        stream, [](pa_stream*, void* lp) { Signal(static_cast<pa_threaded_mainloop*>(lp)); }, loop);
    // The moment the server starts playing is asked about at once, so that the
    // position is true from the first sample heard, not from the next routine report.
    pa_stream_set_started_callback(
        stream,
        [](pa_stream* s, void*) {
            if (pa_operation* o = pa_stream_update_timing_info(s, nullptr, nullptr)) pa_operation_unref(o);
        },
        nullptr);
    pa_stream_set_write_callback(
        stream,
        [](pa_stream*, size_t, void* self) {
            if (auto& wanted = static_cast<PulseOutput*>(self)->Wanted) wanted();
        },
        this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetUsec, &kSpec));
    // As much as the target: after a jump, or when the stream ran dry, it plays again
    // once it holds that much (its clock stands meanwhile).
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    pa_cvolume level;
    const auto v = static_cast<pa_volume_t>(std::lround(volume * PA_VOLUME_NORM));
    pa_cvolume_set(&level, kSpec.channels, v);
    volumeSet = v;
    if (pa_stream_connect_playback(stream, nullptr, &attr, flags, &level, nullptr) < 0) {
        dropStream();
        return false;
    }
    const bool ready = WaitLocked(
        loop, context,
        [this] { return pa_stream_get_state(stream) == PA_STREAM_READY || StreamGone(stream) || ContextGone(context); },
        kConnectTimeoutMs);
    if (!ready || pa_stream_get_state(stream) != PA_STREAM_READY) {
        dropStream();
        return false;
    }
    written = 0;
    lastHeard = 0;
    return true;
}

int64_t PulseOutput::WriteIndex() { return written; }

size_t PulseOutput::Writable()
{
    if (!loop) return 0;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return 0;
    const size_t n = pa_stream_writable_size(stream);
    return n == static_cast<size_t>(-1) ? 0 : n / kBytesPerSample;
}

size_t PulseOutput::Write(const int16_t* samples, size_t count)
{
    if (!loop || count == 0) return 0;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return 0;
    if (pa_stream_write(stream, samples, count * kBytesPerSample, nullptr, 0, PA_SEEK_RELATIVE) < 0) return 0;
    written += static_cast<int64_t>(count);
    return count;
}

int64_t PulseOutput::Heard()
{
    if (!loop) return lastHeard;
    Locked l(loop);
    return heard();
}

int64_t PulseOutput::heard()
{
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return lastHeard;
    // Taken from the server's last report ourselves: the library's own interpolation runs
    // on while the stream waits to start (and then holds what it ran ahead).
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (!info || info->read_index_corrupt || info->read_index < 0) return lastHeard; // no report yet
    // What the sink had taken from the stream, less what it still held, when reported;
    // while it plays, the time since then has been heard too. A stream that had nothing
    // more to give (played to its end, or waiting to start after a flush) is heard only
    // up to what the sink had taken.
    // Counted in samples from the read index, so that a stream played to its end is
    // heard to its very last sample.
    const auto sink = static_cast<int64_t>(info->sink_usec);
    const auto age = static_cast<int64_t>(pa_timeval_age(&info->timestamp));
    const int64_t behind = sink - (info->playing ? age : std::min(age, sink)); // microseconds
    const int64_t samples = std::max<int64_t>(0, info->read_index / kBytesPerSample -
                                                     behind * kRate / int64_t(PA_USEC_PER_SEC));
    lastHeard = std::max(lastHeard, std::min(samples, written));
    return lastHeard;
}

void PulseOutput::Trigger()
{
    if (!loop) return;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return;
    if (pa_operation* o = pa_stream_trigger(stream, nullptr, nullptr)) pa_operation_unref(o);
}

void PulseOutput::Flush()
{
    if (!loop) return;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return;
    // Where the server puts the next sample after dropping what it held is learnt from
    // it: the write index, which the library cannot know by itself after a flush.
    const auto waitFor = [this](pa_operation* o) {
        if (!o) return;
        WaitLocked(
            loop, context, [o] { return pa_operation_get_state(o) != PA_OPERATION_RUNNING; }, kConnectTimeoutMs);
        pa_operation_unref(o);
    };
    const auto signal = [](pa_stream*, int, void* lp) { Signal(static_cast<pa_threaded_mainloop*>(lp)); };
    waitFor(pa_stream_flush(stream, signal, loop));
    waitFor(pa_stream_update_timing_info(stream, signal, loop));
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (info && !info->write_index_corrupt) written = info->write_index / kBytesPerSample;
    lastHeard = std::min(heard(), written);
}

bool PulseOutput::Failed()
{
    if (!loop) return true;
    Locked l(loop);
    return ContextGone(context) || !stream || StreamGone(stream);
}

void PulseOutput::SetVolume(double linear)
{
    volume = std::clamp(linear, 0.0, 1.0);
    if (!loop) return;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return;
    const auto v = static_cast<pa_volume_t>(std::lround(volume * PA_VOLUME_NORM));
    if (v == volumeSet.exchange(v)) return;
    pa_cvolume level;
    pa_cvolume_set(&level, kSpec.channels, v);
    if (pa_operation* o = pa_context_set_sink_input_volume(context, pa_stream_get_index(stream), &level, nullptr,
                                                           nullptr))
        pa_operation_unref(o);
}
