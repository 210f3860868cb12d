#pragma once
// MPRIS2 on the session bus (org.mpris.MediaPlayer2.mirelune at /org/mpris/MediaPlayer2):
// the desktop's media keys, sound menu, lock screen and widgets show and drive the player
// through MediaControls. Without a session bus nothing is registered and nothing is said.
#include <QObject>
#include <QVariantMap>
#include <cstdint>
#include <functional>

#include "core/main/MediaControls.h"

class Clock;
class CommandSet;
class MprisLyrics;
class MprisPlayer;
class PlaybackController;

class MprisService : public QObject {
    Q_OBJECT
public:
    MprisService(MediaControls& controls, PlaybackController& player, CommandSet& commands, Clock& clock,
                 QObject* parent = nullptr);
    ~MprisService() override;

    // Takes the bus name (a second player on the same bus takes a name with its process
    // id) and follows the player from then on. False, silently, without a session bus.
    bool Start();
    // Gives the name up (at the end, for a player that plays on).
    void Withdraw();
    // The name taken on the bus; empty before Start or without a bus.
    QString ServiceName() const { return serviceName; }

    // The root interface's Raise and Quit, carried out by the program's own paths.
    std::function<void()> Raise;
    std::function<void()> Quit;

    // Reads the state again and tells the bus what changed (after every tick, every
    // change of a button, every command from the bus).
    void Refresh();

    // The stream's volume, 0 to 1. Set from the bus, it is told to VolumeChanged and
    // back to the bus.
    double Volume() const { return volume; }
    void SetVolume(double value);
    std::function<void(double)> VolumeChanged;

    MediaControls& Controls() { return controls; }
    const MediaState& Current() const { return state; }
    uint32_t Now() const;
    // The player's properties as the bus shows them.
    QVariantMap Metadata() const;

private:
    void refreshSoon();

    MediaControls& controls;
    PlaybackController& player;
    CommandSet& commands;
    Clock& clock;
    MprisPlayer* playerAdaptor = nullptr;
    MprisLyrics* lyricsAdaptor = nullptr;
    double volume = 1.0;
    QString serviceName;
    MediaState state;
    uint32_t stateTick = 0;
    bool seekPending = false; // the position moved by a seek still under way
    QString seekFrom;         // the entry that seek began on
    bool refreshQueued = false;

    friend class MprisPlayer;
    bool seekedByCall = false; // a Seek or SetPosition from the bus moved the head
};
