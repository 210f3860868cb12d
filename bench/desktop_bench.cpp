// The program on a desktop of its own: a private X server (Xvfb, no window manager) and
// sound server. How long from starting the program on the demo disc to its main window
// and its lyrics window appearing (mapped), beside a bare Qt program that only shows a
// label, started in the same run the same way; and the resident memory and the CPU of the
// program while it plays, beside mpv playing the same music with its window (mpv is
// installed by `scripts/setup bench`; without it that comparison is left out and said so).
//
// Each start gets fresh runtime, home and temporary folders and a copy of the demo disc.
// Runs alternate between the programs; the medians are printed.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "BenchSupport.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"

namespace {
constexpr int kRuns = 5;
constexpr int kWindowTimeoutMs = 15000;
constexpr int kPlayingMs = 6000; // memory is read this long after the windows came

// A private X server; its display name, empty when it could not be started.
class XServer {
public:
    XServer()
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 3);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            setsid();
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp", nullptr);
            _exit(127);
        }
        close(fds[1]);
        char buf[32] = {};
        pollfd p{fds[0], POLLIN, 0};
        if (pid > 0 && poll(&p, 1, 10000) > 0 && read(fds[0], buf, sizeof buf - 1) > 0)
            display = QStringLiteral(":") + QString::fromLatin1(buf).trimmed();
        close(fds[0]);
    }
    ~XServer()
    {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    QString display;

private:
    pid_t pid = -1;
};

// Top-level windows being mapped on the display, with their titles.
class MapWatcher {
public:
    explicit MapWatcher(const QString& display)
    {
        // (A server just started may refuse the very first connections for a moment.)
        for (int i = 0; i < 100; ++i) {
            conn = xcb_connect(display.toLatin1().constData(), nullptr);
            if (!xcb_connection_has_error(conn)) break;
            xcb_disconnect(conn);
            conn = nullptr;
            QThread::msleep(20);
        }
        if (!conn) return;
        root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(conn);
        utf8 = atom("UTF8_STRING");
        netName = atom("_NET_WM_NAME");
        ok = true;
    }
    ~MapWatcher()
    {
        if (conn) xcb_disconnect(conn);
    }
    bool ok = false;

    struct Mapped {
        QString title;
        double ms; // since the clock given to Wait started
    };
    // Waits until done(mapped so far) holds or timeoutMs pass; every window mapped meanwhile.
    template <class Done> std::vector<Mapped> Wait(const QElapsedTimer& clock, Done done, int timeoutMs)
    {
        std::vector<Mapped> out;
        while (!done(out) && clock.elapsed() < timeoutMs) {
            pollfd p{xcb_get_file_descriptor(conn), POLLIN, 0};
            poll(&p, 1, 10);
            while (xcb_generic_event_t* e = xcb_poll_for_event(conn)) {
                if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                    const double at = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                    if (m->event == root && !m->override_redirect) out.push_back({title(m->window), at});
                }
                free(e);
            }
        }
        return out;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_NONE;
        free(r);
        return a;
    }
    QString title(xcb_window_t w)
    {
        xcb_get_property_reply_t* r = xcb_get_property_reply(conn, xcb_get_property(conn, 0, w, netName, utf8, 0, 256),
                                                             nullptr);
        QString t;
        if (r)
            t = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r)),
                                  xcb_get_property_value_length(r));
        free(r);
        return t;
    }
    xcb_connection_t* conn = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t utf8 = XCB_NONE, netName = XCB_NONE;
};

// Fresh runtime, home and temporary folders for one start.
QProcessEnvironment FreshEnvironment(const QString& dir, const QString& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* sub : {"runtime", "home", "tmp"}) QDir(dir).mkpath(QLatin1String(sub));
    QFile::setPermissions(dir + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("HOME"), dir + QStringLiteral("/home"));
    env.insert(QStringLiteral("TMPDIR"), dir + QStringLiteral("/tmp"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return env;
}

// A copy of the demo disc and settings that register it, in dir; the settings file's path.
QString DemoCopy(const QString& dir)
{
    const QString demo = QStringLiteral(MIRELUNE_BUILD_DIR "/demo/");
    for (const char* f : {"demo.cue", "demo.bin", "demo.dat"})
        if (!QFile::copy(demo + QLatin1String(f), dir + QLatin1Char('/') + QLatin1String(f))) return {};
    IniDocument ini;
    if (!ReadIniFile(demo + QStringLiteral("Mirelune.ini"), ini)) return {};
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DriveName"), dir + QStringLiteral("/demo.cue"));
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("WordsPath"), dir + QLatin1Char('/'));
    const QString path = dir + QStringLiteral("/Mirelune.ini");
    return WriteIniFile(path, ini) ? path : QString();
}

long RssKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// CPU seconds a process has taken so far (user and system), -1 when it cannot be read.
double CpuSecondsOf(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray stat = f.readAll();
    // The fields after the command's name (which may hold blanks): utime and stime are
    // the 12th and 13th from there.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    return static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) / sysconf(_SC_CLK_TCK);
}

void End(QProcess& p)
{
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

struct Start {
    double first = -1;  // ms to the first window (the main window, for the program)
    double second = -1; // ms to the lyrics window (the program only)
    long rssKb = -1;    // while playing
    double cpu = -1;    // percent of a core while playing, after the first second
};

// One start of program with args; waits for wanted windows (titles containing those
// texts, empty for any), then for memory while it plays when playingMs > 0.
Start Run(const QString& display, const QString& program, const QStringList& args, const QStringList& wanted,
          int playingMs, const std::function<QStringList(const QString&)>& prepare = {})
{
    Start s;
    QTemporaryDir dir;
    MapWatcher watch(display);
    if (!dir.isValid() || !watch.ok) return s;
    QStringList all = args;
    if (prepare) {
        const QStringList more = prepare(dir.path());
        if (more.isEmpty()) return s;
        all += more;
    }
    QProcess p;
    p.setProcessEnvironment(FreshEnvironment(dir.path(), display));
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    p.start(program, all);
    p.waitForStarted(5000);
    std::vector<double> at(static_cast<size_t>(wanted.size()), -1);
    watch.Wait(
        clock,
        [&](const std::vector<MapWatcher::Mapped>& mapped) {
            for (const MapWatcher::Mapped& m : mapped)
                for (qsizetype i = 0; i < wanted.size(); ++i)
                    if (at[static_cast<size_t>(i)] < 0 && m.title.contains(wanted[i]))
                        at[static_cast<size_t>(i)] = m.ms;
            return std::none_of(at.begin(), at.end(), [](double v) { return v < 0; });
        },
        kWindowTimeoutMs);
    if (!at.empty()) s.first = at[0];
    if (at.size() > 1) s.second = at[1];
    if (playingMs > 0 && p.state() == QProcess::Running) {
        QThread::msleep(1000);
        const double cpu0 = CpuSecondsOf(p.processId());
        QElapsedTimer wall;
        wall.start();
        QThread::msleep(static_cast<unsigned long>(playingMs - 1000));
        const double cpu1 = CpuSecondsOf(p.processId());
        if (cpu0 >= 0 && cpu1 >= 0) s.cpu = (cpu1 - cpu0) / (static_cast<double>(wall.elapsed()) / 1000.0) * 100.0;
        s.rssKb = RssKb(p.processId());
    }
    End(p);
    return s;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

int Bare(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Mirelune"));
    label.setWindowTitle(QStringLiteral("bare Qt window"));
    label.show();
    return app.exec();
}
} // namespace

int main(int argc, char** argv)
{
    // The same binary is the bare Qt program: the same Qt, started the same way.
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) return Bare(argc, argv);

    SoundServer sound(QStringLiteral(MIRELUNE_BUILD_DIR "/pulse"),
                      QStringLiteral(MIRELUNE_SOURCE_DIR "/tests/device/pulse-server.sh"),
                      QStringLiteral("desktop_bench"));
    if (!sound.Ready()) {
        std::fprintf(stderr, "desktop_bench: no PulseAudio server could be started\n");
        return 1;
    }
    // A display that another program took over at the same moment is given up for another.
    std::optional<XServer> x;
    for (int attempt = 0; attempt < 3 && (!x || !MapWatcher(x->display).ok); ++attempt) x.emplace();
    if (!x || !MapWatcher(x->display).ok) {
        std::fprintf(stderr, "desktop_bench: Xvfb could not be started (scripts/setup installs it)\n");
        return 1;
    }
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString mirelune = QStringLiteral(MIRELUNE_BUILD_DIR "/mirelune");
    const QString mpv = QStandardPaths::findExecutable(QStringLiteral("mpv"));
    const auto demo = [](const QString& dir) {
        const QString ini = DemoCopy(dir);
        return ini.isEmpty() ? QStringList() : QStringList{QStringLiteral("-i:") + ini};
    };

    std::vector<double> bare, main, lyrics, rss, mpvRss, cpu, mpvCpu;
    for (int run = 0; run < kRuns; ++run) {
        const Start b = Run(x->display, self, {QStringLiteral("--bare")}, {QStringLiteral("bare Qt window")}, 0);
        const Start m = Run(x->display, mirelune, {}, {QStringLiteral("Mirelune"), QStringLiteral("歌詞")}, kPlayingMs,
                            demo);
        if (b.first < 0 || m.first < 0 || m.second < 0) {
            std::fprintf(stderr,
                         "desktop_bench: a window did not appear within %d ms (bare %.0f, main %.0f, lyrics %.0f)\n",
                         kWindowTimeoutMs, b.first, m.first, m.second);
            return 1;
        }
        bare.push_back(b.first);
        main.push_back(m.first);
        lyrics.push_back(m.second);
        rss.push_back(static_cast<double>(m.rssKb));
        cpu.push_back(m.cpu);
        if (!mpv.isEmpty()) {
            const Start v = Run(x->display, mpv,
                                {QStringLiteral("--no-config"), QStringLiteral("--force-window=yes"),
                                 QStringLiteral("--ao=pulse"), QStringLiteral(MIRELUNE_BUILD_DIR "/demo/demo.flac")},
                                {QString()}, kPlayingMs);
            mpvRss.push_back(static_cast<double>(v.rssKb));
            mpvCpu.push_back(v.cpu);
        }
    }
    if (mpv.isEmpty())
        std::fprintf(stderr, "desktop_bench: mpv is not installed (bash scripts/setup bench): no memory comparison\n");

    const double b = Median(bare), m = Median(main);
    std::printf("bare_qt_window_ms: %.1f\n", b);
    std::printf("lyrics_window_ms: %.1f\n", Median(lyrics));
    std::printf("rss_playing_kb: %.0f\n", Median(rss));
    if (!mpv.isEmpty()) {
        std::printf("mpv_with_window_rss_playing_kb: %.0f\n", Median(mpvRss));
        std::printf("rss_ratio_to_mpv: %.2f\n", Median(rss) / Median(mpvRss));
        std::printf("cpu_percent_playing: %.2f\n", Median(cpu));
        std::printf("mpv_with_window_cpu_percent_playing: %.2f\n", Median(mpvCpu));
        std::printf("cpu_ratio_to_mpv: %.2f\n", Median(cpu) / Median(mpvCpu));
    } else {
        std::printf("cpu_percent_playing: %.2f\n", Median(cpu));
    }
    std::printf("main_window_ms: %.1f\n", m);
    std::printf("main_window_ratio_to_bare_qt: %.2f\n", m / b);
    return 0;
}
