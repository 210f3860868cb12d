#include "Mpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <algorithm>

#include "SystemBus.h"
#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/playback/PlaybackController.h"

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.mirelune");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kLyricsInterface = QStringLiteral("org.mirelune.Lyrics");

void SendPropertiesChanged(const QString& interface, const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
} // namespace

// org.mpris.MediaPlayer2: who we are, and Raise and Quit.
class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), service(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Mirelune"); }
    QString DesktopEntry() const { return QStringLiteral("org.mirelune.Mirelune"); }
    // The drive is chosen for the whole run; nothing is opened from the bus.
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise()
    {
        if (service->Raise) service->Raise();
    }
    void Quit()
    {
        // After the reply has left: the program ends with its window.
        if (service->Quit) QTimer::singleShot(0, service, service->Quit);
    }

private:
    MprisService* service;
};

// org.mirelune.Lyrics: the lyrics line of the moment, for widgets that show it (the
// track's metadata carries the whole lyrics, and changes only with the track).
class MprisLyrics : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mirelune.Lyrics")
    Q_PROPERTY(QString Line READ Line)
public:
    explicit MprisLyrics(MprisService* service) : QDBusAbstractAdaptor(service), service(service) {}
    QString Line() const { return service->Current().Line; }

signals:
    // The line heard now (empty between lines), and from when to when it is heard, in
    // milliseconds from the start of the track.
    void LineChanged(const QString& text, int startMs, int endMs);

private:
    MprisService* service;
};

// org.mpris.MediaPlayer2.Player: the transport, the position and the track.
class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayer(MprisService* service) : QDBusAbstractAdaptor(service), service(service) {}

    QString PlaybackStatus() const { return service->Current().Status; }
    QString LoopStatus() const { return service->Current().Loop; }
    void SetLoopStatus(const QString& loop)
    {
        command([&] { controls().SetLoop(loop); });
    }
    // A CD plays at its own speed; a rate of 0 is a pause.
    double Rate() const { return 1.0; }
    void SetRate(double rate)
    {
        if (rate == 0.0) command([this] { controls().Pause(); });
    }
    double Volume() const { return service->Volume(); }
    void SetVolume(double volume) { service->SetVolume(volume); }
    bool Shuffle() const { return service->Current().Shuffle; }
    void SetShuffle(bool on)
    {
        command([&] { controls().SetShuffle(on); });
    }
    QVariantMap Metadata() const { return service->Metadata(); }
    // Read afresh: between ticks the position runs on.
    qlonglong Position() const { return controls().State(service->Current(), service->Now()).PositionUs; }
    bool CanGoNext() const { return service->Current().CanGoNext; }
    bool CanGoPrevious() const { return service->Current().CanGoPrevious; }
    bool CanPlay() const { return service->Current().CanPlay; }
    bool CanPause() const { return service->Current().CanPause; }
    bool CanSeek() const { return service->Current().CanSeek; }
    bool CanControl() const { return true; }

public slots:
    void Next()
    {
        command([this] { controls().Next(); });
    }
    void Previous()
    {
        command([this] { controls().Previous(); });
    }
    void Pause()
    {
        command([this] { controls().Pause(); });
    }
    void PlayPause()
    {
        command([this] { controls().PlayPause(); });
    }
    void Stop()
    {
        command([this] { controls().Stop(); });
    }
    void Play()
    {
        command([this] { controls().Play(); });
    }
    void Seek(qlonglong offset)
    {
        command([&] { service->seekedByCall = controls().Seek(offset, service->Now()); });
    }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position)
    {
        command([&] { service->seekedByCall = controls().SetPosition(trackId.path(), position, service->Now()); });
    }
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    friend class MprisService;
    MediaControls& controls() const { return service->Controls(); }
    // A command from the bus; what it changed goes out at once.
    template <class F> void command(F f)
    {
        f();
        service->Refresh();
    }

    MprisService* service;
};

MprisService::MprisService(MediaControls& controls_, PlaybackController& player_, CommandSet& commands_, Clock& clock_,
                           QObject* parent)
    : QObject(parent), controls(controls_), player(player_), commands(commands_), clock(clock_)
{
}

MprisService::~MprisService() { Withdraw(); }

void MprisService::Withdraw()
{
    if (serviceName.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName);
    bus.unregisterObject(kPath);
    serviceName.clear();
}

uint32_t MprisService::Now() const { return clock.TickCount(); }

bool MprisService::Start()
{
    if (!SessionBusAvailable()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    new MprisRoot(this);
    playerAdaptor = new MprisPlayer(this);
    lyricsAdaptor = new MprisLyrics(this);
    if (!bus.registerObject(kPath, this, QDBusConnection::ExportAdaptors)) return false;
    // A second player on this bus (the demo beside the user's own) takes a name of its own.
    serviceName = kName;
    if (!bus.registerService(serviceName)) {
        serviceName = kName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(serviceName)) {
            bus.unregisterObject(kPath);
            serviceName.clear();
            return false;
        }
    }
    state = controls.State({}, Now());
    stateTick = Now();
    // Refreshed after every tick and every pass of a wait, and soon after a button changes.
    connect(&player.Timer, &QTimer::timeout, this, &MprisService::Refresh);
    connect(&player.StepTimer, &QTimer::timeout, this, &MprisService::Refresh);
    for (Command* a : commands.All()) connect(a, &Command::changed, this, &MprisService::refreshSoon);
    return true;
}

void MprisService::refreshSoon()
{
    if (refreshQueued) return;
    refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued = false;
        Refresh();
    });
}

QVariantMap MprisService::Metadata() const
{
    QVariantMap m;
    if (!state.HasTrack) return m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(state.TrackId)));
    m.insert(QStringLiteral("mpris:length"), qlonglong(state.LengthUs));
    m.insert(QStringLiteral("xesam:title"), state.Title);
    m.insert(QStringLiteral("xesam:trackNumber"), state.Track);
    if (!state.Album.isEmpty()) m.insert(QStringLiteral("xesam:album"), state.Album);
    if (!state.Artist.isEmpty()) m.insert(QStringLiteral("xesam:artist"), QStringList{state.Artist});
    if (!state.Lyrics.isEmpty()) m.insert(QStringLiteral("xesam:asText"), state.Lyrics);
    return m;
}

void MprisService::SetVolume(double value)
{
    // Below 0 is silence; the stream cannot be louder than its samples.
    value = std::clamp(value, 0.0, 1.0);
    if (value == volume) return;
    volume = value;
    if (VolumeChanged) VolumeChanged(volume);
    if (!serviceName.isEmpty()) SendPropertiesChanged(kPlayerInterface, {{QStringLiteral("Volume"), volume}});
}

void MprisService::Refresh()
{
    if (serviceName.isEmpty()) return;
    const uint32_t now = Now();
    const MediaState next = controls.State(state, now);
    bool seeked = seekedByCall;
    seekedByCall = false;
    if (next.Seeking) {
        if (!seekPending) seekFrom = state.TrackId;
        seekPending = true;
    } else if (seekPending) {
        // A skip to the start of another entry is told by the new track alone.
        seekPending = false;
        seeked = seeked || (next.HasTrack && (next.TrackId == seekFrom || next.PositionUs >= 1000000));
    } else {
        seeked = seeked || PositionJumped(state, next, now - stateTick);
    }
    const MediaState before = state;
    state = next;
    stateTick = now;

    QVariantMap changed;
    if (next.Status != before.Status) changed.insert(QStringLiteral("PlaybackStatus"), next.Status);
    if (!next.SameMetadata(before)) changed.insert(QStringLiteral("Metadata"), Metadata());
    if (next.Loop != before.Loop) changed.insert(QStringLiteral("LoopStatus"), next.Loop);
    if (next.Shuffle != before.Shuffle) changed.insert(QStringLiteral("Shuffle"), next.Shuffle);
    const std::pair<const char*, bool MediaState::*> flags[] = {
        {"CanPlay", &MediaState::CanPlay},     {"CanPause", &MediaState::CanPause},
        {"CanGoNext", &MediaState::CanGoNext}, {"CanGoPrevious", &MediaState::CanGoPrevious},
        {"CanSeek", &MediaState::CanSeek},
    };
    for (const auto& [name, flag] : flags)
        if (next.*flag != before.*flag) changed.insert(QLatin1String(name), next.*flag);
    if (!changed.isEmpty()) SendPropertiesChanged(kPlayerInterface, changed);
    if (seeked) emit playerAdaptor->Seeked(next.PositionUs);
    if (!next.SameLine(before)) {
        SendPropertiesChanged(kLyricsInterface, {{QStringLiteral("Line"), next.Line}});
        emit lyricsAdaptor->LineChanged(next.Line, next.LineStartMs, next.LineEndMs);
    }
}

#include "Mpris.moc"
