#pragma once
// The state of playback, kept here and nowhere else: whether a disc is ready and stopped,
// playing or paused, the play type of its list, the repeat mode, and whether the disc has
// a program to play. The controller and the disc data change it; the command set shows it
// as the enabled and checked states of its buttons and items, which are never read back
// as the state. The position (entry, track, last reading) is the controller's own.
#include <QObject>
#include <cstdint>

enum class TransportState { NoDisc, Stopped, Playing, Paused };
enum class RepeatMode { Off, All, One };

class PlayState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    TransportState Now() const { return transport; }
    // Playback started: playing or paused.
    bool Started() const { return transport == TransportState::Playing || transport == TransportState::Paused; }
    bool Paused() const { return transport == TransportState::Paused; }
    // The play type of the list, 0..3; -1 while no disc is ready.
    int Type() const { return type; }
    RepeatMode Repeat() const { return repeat; }
    // The disc has a program, so the program play types can be chosen.
    bool HasProgram() const { return program; }

    void SetTransport(TransportState now);
    // Outside 0..3 no type is chosen.
    void SetType(int playType);
    void SetRepeat(RepeatMode mode);
    void SetHasProgram(bool has);

    // The data file's "PlayType": the type (none counts as normal), plus 16 for repeat
    // or 32 for repeat one.
    int32_t Code() const;
    // The repeat mode a data file's "PlayType" gives: bits 4 to 7 clear is off, 32 is
    // repeat one, anything else is repeat.
    static RepeatMode RepeatOfCode(int32_t code);

signals:
    // Any part changed.
    void Changed();

private:
    TransportState transport = TransportState::NoDisc;
    int type = -1;
    RepeatMode repeat = RepeatMode::Off;
    bool program = false;
};
