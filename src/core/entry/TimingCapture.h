#pragma once
// Timing capture: the user plays a track and stamps each lyrics line's start and end
// in time with the music. The capture cursor walks start(1), end(1), start(2), ...;
// a test plays the track so that the lyrics window runs on the captured times.
//
// Times are hundredths of a second from the start of the track, 0 meaning "not set";
// the drive works in milliseconds. Stamps store raw times: the track's adjust value
// applies only when the lyrics are shown.
//
// The timing page of the data-entry dialog shows what this decides and forwards the
// user's presses; tests drive it on the simulated drive and a manual clock.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/discdata/Words.h"

class CdDevice;
class Clock;
class PlaybackController;

// What the capture tells the page.
class TimingView {
public:
    virtual ~TimingView() = default;
    // A stamp or an undo wrote value into line's start (column 1) or end (column 2).
    virtual void ShowStamp(int column, int line, int32_t value) = 0;
    // The capture cursor is on this cell; the grid keeps it in view.
    virtual void SelectCell(int column, int line) = 0;
    // The time display: hundredths of a second into the track.
    virtual void ShowElapsed(int32_t elapsed) = 0;
    // A capture or a test began or ended.
    virtual void ModeChanged() = 0;
    // The track's adjust value was nudged.
    virtual void ShowAdjust(int16_t adjust) = 0;
    // During a test: the lyrics window shows the line for the drive's position now.
    virtual void UpdateWords() = 0;
    // An undo changed a track other than the one shown: the page shows that track.
    virtual void ShowTrack(int /*track*/) {}
};

// A time of the grid as m:ss.xx (hundredths of a second; negative with a sign).
QString FormatCellTime(int32_t hundredths);
// A time typed into the grid: m:ss.xx (one or two decimals; more are cut to hundredths;
// none, m:ss), seconds with a decimal point or comma (6.25), or a whole number of
// hundredths (625); nothing at all is 0, "not set". No value for anything else (seconds
// of 60 or more after a colon, letters, a time beyond the grid's range).
std::optional<int32_t> ParseCellTime(const QString& text);

// Places input events on the program's clock. An event carries the time of the window
// system's own clock; the smallest gap seen between that time and our clock on arrival
// is taken as the gap of an event that waited for nothing, and a larger gap as waiting.
class EventTimes {
public:
    // Our tick at which an event stamped eventTime (0: no time) happened, if it arrived
    // at tick now. Never later than now, never more than kMaxWait before it.
    uint32_t TickOf(uint64_t eventTime, uint32_t now);
    static constexpr uint32_t kMaxWait = 250;

private:
    bool known = false;
    int64_t offset = 0; // smallest now - eventTime seen (crept up slowly, see TickOf)
    uint32_t lastArrival = 0;
};

class TimingCapture : public QObject {
    Q_OBJECT
public:
    TimingCapture(CdDevice& device, Clock& clock, TWords& words, PlaybackController& player, TimingView& view,
                  QObject* parent = nullptr);

    // The track the page shows and captures.
    void SetTrack(int track);

    // Start: begins a capture at the cell (column 1 start, 2 end) of line, playing from
    // the lead-in; while capturing, stops it.
    void StartClick(int column, int line);
    // Set (continuous false) or ContSet (true), pressed at tick pressTick: stamps the
    // position of that moment. ContSet on an end also stamps the next line's start.
    void SetClick(bool continuous, uint32_t pressTick);
    // Ret: the cursor steps back one slot and the track plays again from its lead-in.
    void RetClick();
    // Test: plays from the time cellValue (hundredths) without lead-in while the lyrics
    // window follows; while testing, stops it.
    void TestClick(int32_t cellValue);
    // Every 30 ms while a capture or test runs: the time display and the end of track.
    void TimingTimerProc();
    // Ends any capture, test or fast seek; the drive stops.
    void StopTiming();

    // The fast seek while PrevBtn (next false) or NextBtn (next true) is held: the drive
    // stops and the time display runs ahead; playback resumes on release.
    void BeginSeek(bool next);
    void SeekStep();
    void ReleaseSeek();

    // Takes back the last edit of the page: a stamp (the cursor returns too), a typed
    // time, a moved time or an adjust value. While a capture runs, only the capture's own
    // stamps. Edits stay undoable for as long as the dialog is open (ForgetEdits) and
    // follow their lines through an edit of the lyrics (LinesMoved); an edit of lines
    // since replaced otherwise (an import) or deleted no longer applies, and the one
    // before it is taken back. False when there is none.
    bool Undo();
    void ForgetEdits();
    // The lyrics of track were edited: line k + 1 is the line from[k] + 1 was (-1 new).
    void LinesMoved(int track, const std::vector<int>& from);
    bool CanUndo() const { return !undo.empty(); }
    // While testing: moves the track's adjust value by delta (within -30000..30000).
    bool NudgeAdjust(int delta);
    // The track's adjust value as typed; undoable.
    void SetAdjust(int16_t adjust);
    // A time typed into the grid (column 1 start, 2 end of line); undoable.
    void SetTime(int column, int line, int32_t value);
    // A time moved by a nudge or a drag: kept between its neighbours (the nearest times
    // set before and after it; a line's end stays after its start) and within the track.
    // Returns the time stored; undoable. A time not set does not move.
    int32_t MoveTime(int column, int line, int32_t value);
    // MoveTime by delta hundredths from where the time is; not while capturing.
    bool Nudge(int column, int line, int delta);
    // Where MoveTime would keep a time of that slot: [low, high].
    std::pair<int32_t, int32_t> TimeRange(int column, int line) const;

    // Plays line from a second before its start to its end (its end not set: the next
    // line's start, else three seconds); with loop, again and again until stopped. While
    // playing a line, pressing it again stops. Not during a capture or test.
    void PlayLineClick(int line, bool loop);

    // Where Start and Ret begin to play, in hundredths: on a start, the previous line's
    // start (0 on line 1); on an end, the same line's start.
    int32_t LeadIn(int column, int line) const;
    bool Running() const { return Capturing || Testing || PlayingLine; }
    int CursorColumn() const { return AtStartColumn ? 1 : 2; }

    int TimingTrack = 0;
    int CaptureLine = 1;       // the line the next stamp goes to
    bool AtStartColumn = true; // the next stamp is that line's start
    int32_t PlayPos = 0;       // ms: the last position read, or the seek's position
    int32_t Elapsed = 0;       // hundredths into the track, never negative
    int32_t SeekPos = 0;       // ms
    bool UseSeekPos = false;
    bool Seeking = false;
    bool Capturing = false;
    bool Testing = false;
    // Taken off every stamp made while the track plays: how late the user presses (ms).
    int ReactionMs = 0;
    // The speed the page plays at (1, 0.75, 0.5; the pitch is kept). Stamps, times and
    // the lyrics window stay in the disc's time: a press late by t ms of the user's
    // time is t × Speed ms of the disc's. Changed while playing, it applies at once.
    double Speed = 1.0;
    void SetSpeed(double speed);
    bool PlayingLine = false; // a line plays on its own (LoopLine: again and again)
    bool LoopLine = false;
    int PlayedLine = 0;

    QTimer TimingTimer; // 30 ms while a capture or test runs
    QTimer SeekTimer;   // the fast seek's passes while a button is held

    static constexpr int kTimerMs = 30;
    static constexpr int kAdjustLimit = ::kAdjustLimit;

private:
    struct Edit {
        int track;
        int line;                    // the line the cursor returns to
        std::vector<TWordsLine> old; // the lines as they were
        bool stamp = false;          // a capture's press: the cursor returns too
        bool atStart = true;         // the cursor before the press
        int capture = 0;             // which capture made the stamp
        bool adjust = false;         // an adjust value: oldAdjust
        int16_t oldAdjust = 0;
        std::vector<int> lines; // the line each of old is
    };

    void updateElapsed(uint32_t pressTick);
    void playFrom(int32_t hundredths);
    void takeDrive();
    void playLine();
    void writeTime(int column, int line, int32_t value);
    int32_t lineEndOf(int line) const;
    bool noDisc();

    CdDevice& device;
    Clock& clock;
    TWords& words;
    PlaybackController& player;
    TimingView& view;
    std::vector<Edit> undo;
    int captureSerial = 0;
    int32_t lineEndMs = 0; // where the line playing ends
    uint32_t playTick = 0; // when the current playing began
    bool seekNext = false;
    int seekStep = 1000;
    int seekTicks = 0;
    uint32_t seekTick = 0;
};
