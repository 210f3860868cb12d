#pragma once
// What the desktop's media controls (media keys, sound menu, lock screen, widgets) see of
// the player and what they may do. The state is read from the controller, the disc data
// and the command set; every command is carried out by the program's own buttons and
// menu items, so it behaves exactly as a click does. The bus side only publishes this.
#include <QString>
#include <cstdint>
#include <functional>

class CommandSet;
class PlaybackController;
class TWords;
struct WordsChoice;

struct MediaState {
    QString Status = QStringLiteral("Stopped"); // "Playing", "Paused" or "Stopped"
    bool HasTrack = false;                      // a disc with a track list is in
    QString TrackId;                            // names the disc, the entry and its track
    int Track = 0;                              // disc track number
    QString Title;                              // the track's title
    QString Album;                              // the disc's title
    QString Artist;
    QString Lyrics;          // the track's lyrics, a line each
    QString Line;            // the lyrics line of the moment; empty for none
    int32_t LineStartMs = 0; // where that line is heard, from the track's start
    int32_t LineEndMs = 0;
    int64_t LengthUs = 0;
    int64_t PositionUs = 0;                // into the track
    bool Seeking = false;                  // a fast seek or a pending skip moves the position
    QString Loop = QStringLiteral("None"); // "None", "Playlist" (repeat) or "Track" (repeat one)
    bool Shuffle = false;                  // a random play type
    bool CanPlay = false;
    bool CanPause = false;
    bool CanGoNext = false;
    bool CanGoPrevious = false;
    bool CanSeek = false;

    // The parts a desktop shows as the track's metadata differ (the line of the moment
    // is no part of them: it changes all through the track).
    bool SameMetadata(const MediaState& o) const
    {
        return HasTrack == o.HasTrack && TrackId == o.TrackId && Title == o.Title && Album == o.Album &&
               Artist == o.Artist && Lyrics == o.Lyrics && LengthUs == o.LengthUs;
    }
    bool SameLine(const MediaState& o) const
    {
        return Line == o.Line && LineStartMs == o.LineStartMs && LineEndMs == o.LineEndMs;
    }
};

// True when the position moved between two readings elapsedMs apart in a way playing
// does not explain (a seek, a restart of the same entry), on the same entry.
bool PositionJumped(const MediaState& before, const MediaState& now, uint32_t elapsedMs);

// Data entry playing the drive itself: a capture, a timing test or a line played.
struct EntryPlayback {
    bool Running = false;
    bool Testing = false;   // the test shows the lyrics line on the times entered
    int Track = 0;          // the track it plays
    int32_t PositionMs = 0; // the drive's position, absolute
};

class MediaControls {
public:
    MediaControls(PlaybackController& player, const TWords& words, CommandSet& commands);

    // The state now. The lyrics line stays as in before while the playing moment is
    // unsettled (right after a jump, during data entry).
    MediaState State(const MediaState& before, uint32_t now) const;

    void Play();      // starts, or resumes from a pause; nothing while playing
    void Pause();     // pauses while playing; nothing otherwise
    void PlayPause(); // pauses while playing, resumes while paused, starts while stopped
    void Stop();
    // A quick press of NextBtn; several add up, as on the button. On the last entry
    // without repeat there is no next track: playback stops (the button would wrap to
    // entry 1), and without playback nothing happens.
    void Next();
    void Previous(); // a quick press of PrevBtn
    // offsetUs from the position: before the start goes to the start, past the end is Next.
    // True when the head moved. After Next, the entry skipped to is the one sought in.
    bool Seek(int64_t offsetUs, uint32_t now);
    // To positionUs into the track, when trackId is the current one and it lies in the track.
    bool SetPosition(const QString& trackId, int64_t positionUs, uint32_t now);
    // A media key the window manager left to our windows (XF86AudioPlay and the rest):
    // acts as the desktop's media controls do. False for any other key.
    bool MediaKey(int key);
    // "None", "Playlist" or "Track": the repeat items, clicked as the menu does.
    void SetLoop(const QString& loop);
    // The random counterpart of the play type (or back); playback goes on with the same track.
    void SetShuffle(bool on);

    // The lyrics window's setting that keeps a line up to a second longer.
    std::function<bool()> WordsContDisp;
    // A message box is up: its loop may run inside a command or the tick, which must
    // not be entered again.
    std::function<bool()> ModalOpen;
    // What data entry plays; unset, it plays nothing. While it plays, the desktop is told
    // so and its commands are refused; merely open, it leaves the player to them.
    std::function<EntryPlayback()> EntryPlaying;

private:
    bool started() const;
    bool controllable() const;
    bool lastEntry() const;
    EntryPlayback entry() const { return EntryPlaying ? EntryPlaying() : EntryPlayback{}; }
    MediaState entryState(const EntryPlayback& e, const MediaState& before, uint32_t now) const;
    void describeTrack(MediaState& s, int entry, int track) const;
    void takeLine(MediaState& s, int track, const WordsChoice& c) const;

    PlaybackController& player;
    const TWords& words;
    CommandSet& commands;
};
