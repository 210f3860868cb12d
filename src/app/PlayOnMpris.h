#pragma once
// The player left playing on after the program ended, as the desktop sees it: an MPRIS
// player of its own (org.mpris.MediaPlayer2.mirelune) that shows the track and the disc,
// plays, pauses and stops, and quits. Stopped, the player ends.
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>

class DiscDevice;

// What the program hands over of the disc: its names, and the sound's volume.
struct PlayOnDisc {
    QString Album;
    QString Artist;
    QStringList Titles; // [0] is track 1; an empty title is "トラック N"
    double Volume = 1.0;
    bool KeepAwake = false; // the setting StopSleep: no idle suspend while it plays
};

class PlayOnPlayer : public QObject {
    Q_OBJECT
public:
    PlayOnPlayer(DiscDevice& device, const PlayOnDisc& disc, QObject* parent = nullptr);
    ~PlayOnPlayer() override;

    // Takes the name on the session bus; false (silently) without one.
    bool Register();
    // Gives the name up (before the drive is let go, so that a program starting now finds it free).
    void Unregister();

    bool Paused() const { return paused; }
    QString Status() const { return paused ? QStringLiteral("Paused") : QStringLiteral("Playing"); }
    int Track() const;          // the disc track under the head; 0 when none
    int64_t PositionUs() const; // into that track
    QVariantMap Metadata() const;
    double Volume() const { return volume; }

    void Pause();
    void Resume();
    void SetVolume(double value);
    // Tells the bus what changed since the last call (run now and then, and after commands).
    void Refresh();

signals:
    // Stop or Quit from the bus: the player is to end.
    void Finish();

private:
    DiscDevice& device;
    PlayOnDisc disc;
    QString serviceName;
    bool paused = false;
    double volume = 1.0;
    QString shownStatus;
    int shownTrack = -1;
    double shownVolume = 1.0;
};
