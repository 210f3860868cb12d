#include "PlayOnMpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <algorithm>

#include "core/common/Defines.h"
#include "device/DiscDevice.h"
#include "ui/main/SystemBus.h"

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.mirelune");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
} // namespace

class PlayOnRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ None)
    Q_PROPERTY(QStringList SupportedMimeTypes READ None)
public:
    explicit PlayOnRoot(PlayOnPlayer* player) : QDBusAbstractAdaptor(player), player(player) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return false; } // no window is left
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Mirelune"); }
    QString DesktopEntry() const { return QStringLiteral("org.mirelune.Mirelune"); }
    QStringList None() const { return {}; }

public slots:
    void Raise() {}
    void Quit() { QTimer::singleShot(0, player, &PlayOnPlayer::Finish); }

private:
    PlayOnPlayer* player;
};

class PlayOnTransport : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ One)
    Q_PROPERTY(double MinimumRate READ One)
    Q_PROPERTY(double MaximumRate READ One)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ No)
    Q_PROPERTY(bool CanGoPrevious READ No)
    Q_PROPERTY(bool CanPlay READ Yes)
    Q_PROPERTY(bool CanPause READ Yes)
    Q_PROPERTY(bool CanSeek READ No)
    Q_PROPERTY(bool CanControl READ Yes)
public:
    explicit PlayOnTransport(PlayOnPlayer* player) : QDBusAbstractAdaptor(player), player(player) {}
    QString PlaybackStatus() const { return player->Status(); }
    double One() const { return 1.0; }
    QVariantMap Metadata() const { return player->Metadata(); }
    double Volume() const { return player->Volume(); }
    void SetVolume(double value) { player->SetVolume(value); }
    qlonglong Position() const { return player->PositionUs(); }
    bool Yes() const { return true; }
    bool No() const { return false; }

public slots:
    void Play()
    {
        act([this] { player->Resume(); });
    }
    void Pause()
    {
        act([this] { player->Pause(); });
    }
    void PlayPause()
    {
        act([this] { player->Paused() ? player->Resume() : player->Pause(); });
    }
    // Playing on is all this player is for: stopped, it ends.
    void Stop() { QTimer::singleShot(0, player, &PlayOnPlayer::Finish); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    template <class F> void act(F f)
    {
        f();
        player->Refresh();
    }
    PlayOnPlayer* player;
};

PlayOnPlayer::PlayOnPlayer(DiscDevice& device_, const PlayOnDisc& disc_, QObject* parent)
    : QObject(parent), device(device_), disc(disc_), volume(std::clamp(disc_.Volume, 0.0, 1.0))
{
    device.SetVolume(volume);
}

PlayOnPlayer::~PlayOnPlayer() { Unregister(); }

bool PlayOnPlayer::Register()
{
    if (!SessionBusAvailable()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    new PlayOnRoot(this);
    new PlayOnTransport(this);
    if (!bus.registerObject(kPath, this, QDBusConnection::ExportAdaptors)) return false;
    serviceName = kName;
    if (!bus.registerService(serviceName)) {
        serviceName = kName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(serviceName)) {
            bus.unregisterObject(kPath);
            serviceName.clear();
            return false;
        }
    }
    shownStatus = Status();
    shownTrack = Track();
    shownVolume = volume;
    return true;
}

void PlayOnPlayer::Unregister()
{
    if (serviceName.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName);
    bus.unregisterObject(kPath);
    serviceName.clear();
}

int PlayOnPlayer::Track() const
{
    const int32_t position = device.Position();
    int track = 0;
    for (int n = 1; n <= device.TrackCount(); ++n)
        if (device.TrackIsAudio(n) && device.TrackPosition(n) <= position) track = n;
    return track;
}

int64_t PlayOnPlayer::PositionUs() const
{
    const int track = Track();
    return track ? int64_t(std::max(device.Position() - device.TrackPosition(track), 0)) * 1000 : 0;
}

QVariantMap PlayOnPlayer::Metadata() const
{
    QVariantMap m;
    const int track = Track();
    if (track < 1) return m;
    QString title = disc.Titles.value(track - 1);
    if (title.isEmpty()) title = QStringLiteral("トラック %1").arg(track);
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mirelune/playon/track/%1").arg(track))));
    m.insert(QStringLiteral("mpris:length"), qlonglong(std::max(device.TrackLength(track), 0)) * 1000);
    m.insert(QStringLiteral("xesam:title"), title);
    m.insert(QStringLiteral("xesam:trackNumber"), track);
    if (!disc.Album.isEmpty()) m.insert(QStringLiteral("xesam:album"), disc.Album);
    if (!disc.Artist.isEmpty()) m.insert(QStringLiteral("xesam:artist"), QStringList{disc.Artist});
    return m;
}

void PlayOnPlayer::Pause()
{
    if (paused) return;
    device.Pause();
    paused = true;
}

void PlayOnPlayer::Resume()
{
    if (!paused) return;
    device.Resume();
    paused = false;
}

void PlayOnPlayer::SetVolume(double value)
{
    volume = std::clamp(value, 0.0, 1.0);
    device.SetVolume(volume);
    Refresh();
}

void PlayOnPlayer::Refresh()
{
    if (serviceName.isEmpty()) return;
    QVariantMap changed;
    if (Status() != shownStatus) changed.insert(QStringLiteral("PlaybackStatus"), shownStatus = Status());
    if (Track() != shownTrack) {
        shownTrack = Track();
        changed.insert(QStringLiteral("Metadata"), Metadata());
    }
    if (volume != shownVolume) changed.insert(QStringLiteral("Volume"), shownVolume = volume);
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

#include "PlayOnMpris.moc"
