#pragma once
// The playback controller and the periodic tick: what the drive plays, in which order,
// and how the program follows the drive (disc in, disc out, end of each track, the
// time and number on the display, the play time, the lyrics window's updates).
//
// TMainForm owns one and draws what it computes. Commands arrive as clicks on the command
// set (PlayBtn, TypeNormItem, ...) and as the calls below; windows that the tick
// needs to ask or tell something are reached through PlaybackHost and WordsView.
//
// The waits of the old message loops (the 350 ms click phase of a previous/next press,
// the held fast seek, the drive settling after a disc comes in) are steps: StepTimer
// calls Step() while one runs, and tests call Step() themselves on a manual clock.
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "PlayList.h"

class CdDevice;
class Clock;
class Command;
class CommandSet;
class PlayState;
class TWords;

// What the tick needs from the main window, the dialogs and the keyboard.
class PlaybackHost {
public:
    virtual ~PlaybackHost() = default;
    // One of the program's dialogs is open.
    virtual bool DialogOpen() const = 0;
    // The Shift key is held.
    virtual bool ShiftHeld() const = 0;
    // R, N, Space or the left mouse button is down (a fast seek is still wanted).
    virtual bool SeekKeysHeld() const = 0;
    // MTitleBox's drop-down is open; its selection is then left alone.
    virtual bool ListDropped() const = 0;
    // A timing test runs in the data-entry dialog.
    virtual bool Testing() const = 0;
    // The application is minimised.
    virtual bool Minimized() const = 0;
    // The application is the active one.
    virtual bool ApplicationActive() const = 0;
    // The disc in the drive carries Autorun.inf at the root of its data session.
    virtual bool AutorunPresent() const = 0;

    // The first tick ends start-up (hide the main window if unwanted, place it, focus).
    virtual void FinishStartup() = 0;
    // Draw the time display, labels and title from the controller's state.
    virtual void UpdateDisplay() = 0;
    // Forget what was drawn and draw it again (repeat mode changed).
    virtual void RedrawDisplay() = 0;
    // Set the title and artist labels (emptied without a disc).
    virtual void ShowDiscTitle() = 0;
    // Show or hide ModeLabel with this text.
    virtual void ShowModeLabel(bool visible, const QString& text) = 0;
    // PlayGlyph, PauseGlyph or StopGlyph changed.
    virtual void GlyphsChanged() = 0;
    // Give the keyboard focus to this transport button.
    virtual void FocusButton(Command* button) = 0;
    // The main window takes the focus if it is shown.
    virtual void FocusMainWindow() = 0;
    // TrackItems, TrackListEnabled or TrackListIndex changed.
    virtual void TrackListChanged() = 0;
    // Reassert the stay-on-top state.
    virtual void ApplyStayOnTop() = 0;
    // After the lyrics window was shown or hidden while the application was active:
    // give the focus back where it belongs.
    virtual void RestoreFocusAfterWords(bool wordsWanted) = 0;
    // Close the disc manager if it is shown (a disc is coming in).
    virtual void CloseDiscManager() = 0;
    // The disc went: close the program editor, properties and disc manager; cancel data entry.
    virtual void CloseDiscDialogs() = 0;
    // Close any open popup menu of the program.
    virtual void ClosePopupMenus() = 0;
    // Append the play-log line of the period that began at LogStart.
    virtual void WriteLogLine() = 0;
    // PlayTime grew: the properties dialog, if shown, refreshes its play time.
    virtual void PlayTimeChanged() = 0;
    // A disc came in that cannot be read: tell the user why (the drive stays empty).
    virtual void DiscRefused(const QString& reason) = 0;
};

// What the tick needs from the lyrics window.
class WordsView {
public:
    virtual ~WordsView() = default;
    // The window is shown.
    virtual bool WordsShown() const = 0;
    // The setting HideNoWords: hide the window when there is nothing to show.
    virtual bool HideNoWords() const = 0;
    // Recompute caption and line (active: a registered disc is playing or paused).
    // False when the track has no lyrics and HideNoWords is on: the window is not wanted.
    virtual bool UpdateWords(bool active) = 0;
    // Show (without activating while a dialog is open) or hide the window.
    virtual void SetWordsVisible(bool visible) = 0;
    // The drive's position was just read (a poll, a pause, a resume): the next line
    // change is timed again from it.
    virtual void PositionRead() {}
};

class PlaybackController : public QObject {
    Q_OBJECT
public:
    PlaybackController(CdDevice& device, Clock& clock, CommandSet& commands, TWords& words, PlaybackHost& host,
                       QObject* parent = nullptr);

    // The lyrics window, once it exists; without one the tick leaves the lyrics alone.
    void SetWordsView(WordsView* view) { wordsView = view; }
    // The lyrics window is on the screen.
    bool WordsWindowShown() const { return wordsView && wordsView->WordsShown(); }

    // Start-up: opens the drive, stops it, rewinds, milliseconds, and notes whether a
    // disc is already in (DiscAtStart). False when the drive cannot be opened.
    bool OpenDevice(const QString& driveName);
    // Another drive (or disc image) for the rest of the run, as a start naming it would
    // have it: the disc in the drive is unloaded (its dialogs closed, its log line
    // written, its play state saved), the drive named is opened, and the next poll takes
    // what it holds as a disc coming in, played at once when playFirst. False when it
    // cannot be opened: no drive is open then (the caller opens another).
    bool SwitchDrive(const QString& driveName, bool playFirst);
    // Starts the tick timer (the end of the main window's creation).
    void StartTimer();

    // --- Commands (also reachable through the command set) ---
    // Builds the play list for play type 0..3, checks its item, then BuildTrackList.
    void PlayTypeClick(int playType);
    // The play type switched as its item switches it, except that playback goes on: the
    // track heard stays the current one (the first of a random list) and plays on from
    // where it is, paused if it was; a track the new list lacks gives way to entry 1.
    // Without playback it is the item's click. Refused (false) while the item is
    // disabled, and while a press, a disc load or data entry is under way.
    bool SwitchPlayType(int playType);
    // Refills the track list and the offsets from the play list, then stops at entry 1.
    void BuildTrackList();
    void PlayBtnClick();
    void PauseBtnClick();
    void StopBtnClick();
    // Positions the drive at entry EntryIndex (playing on if playback runs); true when
    // the list ended and playback stopped.
    bool GoToEntry();
    // Moves the head to position ms and waits (at most 5000 ms) until it is there.
    void SeekTo(int32_t position);
    // A press on PrevBtn (next false) or NextBtn (next true): quick skip or fast seek.
    void PrevNextPress(bool next);
    // The press ends: button clicked (NextPrevBtnClick), any key released, or the
    // application deactivated.
    void ReleaseButton();
    // MTitleBox confirmed item itemIndex (0-based).
    void SelectFromList(int itemIndex);
    // Direct selection of entry k (1-based): go there and play (paused stays paused);
    // a k outside the list, or any k while there is no track list, selects nothing.
    void SelectEntry(int k);
    // TypeLabel click without Shift: normal, random, program, program-random in turn.
    void CyclePlayType();
    // TypeLabel click with Shift: repeat off, repeat, repeat one in turn.
    void CycleRepeat();
    // Ctrl+F6: both repeat items unchecked.
    void RepeatOff();
    // ModeLabel click or F7: next time mode, shown at the next tick.
    void CycleTimeMode();
    // Moves the head to offset ms into the current entry's track (clamped to the track),
    // playing on if playback runs, as the end of a held fast seek does; a quick skip still
    // pending is made first. Refused (false) without a track list and while a press, a
    // disc load or data entry is under way.
    bool SeekInEntry(int32_t offset);

    // --- The tick ---
    // One tick: lyrics window, device poll, disc changes, end of track, display values,
    // play time, ModeLabel.
    void TimerProc();
    // A disc came in: settle, read it, build the play list, maybe play.
    void LoadDisc();
    // The disc went (or the program closes with one): dialogs, log line, play state.
    void UnloadDisc();
    // Buttons and menus in the no-disc state.
    void ShowNoDisc();
    // Timer interval: TimerInt while playback has started (playing or paused), else three
    // times that.
    void UpdateTimerInterval();
    // One pass of the running wait (click phase, fast seek, drive settling).
    void Step();
    // A wait is running and wants Step().
    bool Waiting() const;

    // --- Reading the state ---
    int EntryCount() const { return PlayList.EntryCount(); }
    // The play state (stopped, playing, paused; play type; repeat) that the commands show.
    const PlayState& State() const;
    bool RepeatChecked() const;
    bool RepeatOneChecked() const;
    // Playback started: playing or paused.
    bool Started() const;
    bool IsPaused() const;
    // The play type of the current list, 0..3 (-1 without a disc).
    int PlayType() const;
    // "T.Pass", "T.Rest", "Pass" or "Rest".
    static QString TimeModeName(int timeMode);

    // Settings (applied by the settings dialog).
    int TimerInt = 100;    // tick interval in milliseconds while playing or paused
    bool AutoPlay = false; // play as soon as a disc is loaded
    // The disc was named on the command line: the first disc loaded plays as with AutoPlay.
    bool PlayFirstDisc = false;
    bool TrueTrack = false; // show the disc track number instead of the entry number

    // Controller state; other windows read it.
    EntryList PlayList;            // entries 1..EntryCount
    int EntryIndex = 0;            // current entry, 1-based
    int CurrentTrack = 0;          // disc track of the current entry (data entry sets it too)
    int DeviceModeNow = ModeOpen;  // mode at the last poll
    int PrevDeviceMode = ModeOpen; // mode at the poll before
    int PollCountdown = 0;         // ticks to the next poll; -1 polls at the next tick
    int32_t LastPosition = 0;      // position at the last poll (the seek target while seeking)
    uint32_t LastPositionTick = 0; // tick count when LastPosition was read
    bool ButtonHeld = false;       // a previous/next button or key is down
    bool FastSeeking = false;
    bool SkipPending = false; // a quick skip waits for the tick to jump
    uint32_t SkipTick = 0;    // tick count of the press that armed it
    int32_t SeekTarget = 0;
    uint32_t PlayClock = 0; // tick count up to which play time is counted
    int32_t DiscEnd = 0;    // start of the lead-out
    bool Loading = false;
    bool DiscAtStart = false; // a disc was in the drive when it was opened
    bool InDataEntry = false;
    // Data entry plays the drive itself now (a capture, a test, a line played); unset,
    // whenever it is open. Merely open, it leaves the player to the desktop's controls.
    std::function<bool()> EntryPlaying;
    bool EntryDrives() const { return InDataEntry && (!EntryPlaying || EntryPlaying()); }
    bool WantWords = false; // the lyrics window should be shown
    bool Starting = true;   // start-up not finished; the first tick finishes it
    int TimeMode = 2;       // 0 list passed, 1 list remaining, 2 track passed, 3 track remaining
    int ShownOrdinal = 0;
    int ShownNumber = 0;
    int ShownMinutes = 0;
    int ShownSeconds = 0;
    QDateTime LogStart; // start of the play-log period; null when none
    bool ModeLabelVisible = false;

    // Button glyph resources: "Play0"/"Play1", "Pause0"/"Pause1", "Stop0"/"Stop1".
    QString PlayGlyph = QStringLiteral("Play0");
    QString PauseGlyph = QStringLiteral("Pause0");
    QString StopGlyph = QStringLiteral("Stop0");

    // MTitleBox: one "NN: title" item per entry.
    QStringList TrackItems;
    bool TrackListEnabled = false;
    int TrackListIndex = -1;

    // Draws for the random play types: a number from 0 to n - 1. Seeded from the clock.
    RandomDraw Random;
    // Called between head position reads while SeekTo waits; the drive gets a moment.
    std::function<void()> SeekPause;

    QTimer Timer;     // the tick
    QTimer StepTimer; // runs Step() while a wait is on

private:
    enum class Press { None, Click, Seek };

    void connectCommands();
    std::vector<int> playOrder(int playType);
    void setTrackListIndex(int index);
    void tickLyrics();
    void tickAfterPoll();
    // The rest of the tick that found a disc, once the drive has settled.
    void resumeTick();
    // A playing track's end is due before the next poll.
    bool trackEndNear() const;
    void tickDisplay();
    void tickModeLabel();
    // The disc's data file changed outside: titles and lyrics read again.
    void followDataFile();
    void settleStep();
    void finishLoad();
    void pressStep();
    void quickSkip();
    void beginFastSeek();
    void seekPass();
    void endFastSeek();
    void updateStepTimer();
    // The drive's mode for a command; notes a disc that went for the next poll.
    int readMode();
    int32_t songStart(int track) const;
    int32_t songLength(int track) const;
    uint32_t now() const;

    CdDevice& device;
    Clock& clock;
    CommandSet& commands;
    TWords& words;
    PlaybackHost& host;
    WordsView* wordsView = nullptr;

    int tickDepth = 0;
    bool discOutUnseen = false; // a command saw the drive without its disc before a poll did
    int discSerial = 0;         // counts the discs that went
    bool settling = false;
    bool settleAsync = false;
    uint32_t settleStart = 0;
    Press press = Press::None;
    bool pressNext = false;
    uint32_t pressTick = 0;
    int seekStep = 1000;
    int seekSteps = 0;
    uint32_t seekTick = 0;
};
