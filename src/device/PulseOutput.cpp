#include "PulseOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {
constexpr uint32_t kRate = 44100;
constexpr int kBytesPerSample = 4;
// What the stream asks the server to hold: enough to ride out a busy machine, little
// enough that a new stream starts at once (it plays when it holds this much).
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

bool PulseOutput::Connect()
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
    }
    if (!ready) disconnect();
    return ready;
}

void PulseOutput::disconnect()
{
    if (!loop) return;
    {
        Locked l(loop);
        dropStream();
        pa_context_set_state_callback(context, nullptr, nullptr);
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
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
    written = 0;
}

bool PulseOutput::Start()
{
    if (!Connect()) return false;
    Locked l(loop);
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
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetUsec, &kSpec));
    attr.prebuf = static_cast<uint32_t>(-1); // as much as the target: it starts full
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    pa_cvolume level;
    pa_cvolume_set(&level, kSpec.channels, pa_sw_volume_from_linear(volume));
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
    return true;
}

size_t PulseOutput::Writable()
{
    if (!loop) return 0;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return 0;
    const size_t n = pa_stream_writable_size(stream);
    return n == static_cast<size_t>(-1) ? 0 : n / kBytesPerSample * kBytesPerSample;
}

size_t PulseOutput::Write(const char* data, size_t bytes)
{
    if (!loop) return 0;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return 0;
    bytes = bytes / kBytesPerSample * kBytesPerSample;
    if (bytes == 0 || pa_stream_write(stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) return 0;
    written += static_cast<int64_t>(bytes);
    return bytes;
}

int64_t PulseOutput::Heard()
{
    if (!loop) return 0;
    Locked l(loop);
    return heard();
}

int64_t PulseOutput::heard()
{
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return 0;
    // Taken from the server's last report ourselves: the library's own interpolation runs
    // on while a new stream still waits to start (and then holds what it ran ahead).
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (!info || info->read_index_corrupt || info->read_index < 0) return 0; // no report yet
    // What the sink had taken from the stream, less what it still held, when reported;
    // while it plays, the time since then has been heard too.
    int64_t usec = static_cast<int64_t>(pa_bytes_to_usec(static_cast<uint64_t>(info->read_index), &kSpec)) -
                   static_cast<int64_t>(info->sink_usec);
    if (info->playing) usec += static_cast<int64_t>(pa_timeval_age(&info->timestamp));
    const int64_t samples = std::max<int64_t>(0, usec) * kRate / static_cast<int64_t>(PA_USEC_PER_SEC);
    return std::min(samples, written / kBytesPerSample);
}

int PulseOutput::HeldMs()
{
    if (!loop) return 0;
    Locked l(loop);
    return static_cast<int>((written / kBytesPerSample - heard()) * 1000 / kRate);
}

bool PulseOutput::Failed()
{
    if (!loop) return true;
    Locked l(loop);
    return ContextGone(context) || !stream || StreamGone(stream);
}

void PulseOutput::Stop()
{
    if (!loop) return;
    Locked l(loop);
    dropStream();
}

void PulseOutput::SetVolume(double linear)
{
    volume = std::clamp(linear, 0.0, 1.0);
    if (!loop) return;
    Locked l(loop);
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return;
    pa_cvolume level;
    pa_cvolume_set(&level, kSpec.channels, pa_sw_volume_from_linear(volume));
    if (pa_operation* o = pa_context_set_sink_input_volume(context, pa_stream_get_index(stream), &level, nullptr,
                                                           nullptr))
        pa_operation_unref(o);
}
