#include "PlaybackController.h"

#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>

#include "common/Clock.h"
#include "common/Commands.h"
#include "common/Etc.h"
#include "discdata/Words.h"
#include "drive/CdDevice.h"

namespace {
constexpr uint32_t kClickPhaseMs = 350;  // a press released sooner is a quick skip
constexpr uint32_t kSkipDelayMs = 800;   // quick skips add up until this long after the last
constexpr uint32_t kSeekPassMs = 100;    // the fast seek moves once per this
constexpr int32_t kTrackEndMarginMs = 200; // the end of a track is taken this early
constexpr int32_t kSeekToleranceMs = 80;
constexpr uint32_t kSeekTimeoutMs = 5000;
constexpr uint32_t kSettleTimeoutMs = 20000;
constexpr int kStepIntervalMs = 10;

// Counts how deep the tick is nested (commands run the tick, and the tick runs commands).
struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};
} // namespace

PlaybackController::PlaybackController(CdDevice& device_, Clock& clock_, CommandSet& commands_,
                                       TWords& words_, PlaybackHost& host_, QObject* parent)
    : QObject(parent), device(device_), clock(clock_), commands(commands_), words(words_), host(host_)
{
    auto generator = std::make_shared<std::mt19937>(
        static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch()) ^ clock.TickCount());
    Random = [generator](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*generator); };
    // The head normally arrives at once; give a slow drive a moment between reads.
    SeekPause = [] { QThread::msleep(5); };

    connect(&Timer, &QTimer::timeout, this, &PlaybackController::TimerProc);
    StepTimer.setInterval(kStepIntervalMs);
    connect(&StepTimer, &QTimer::timeout, this, &PlaybackController::Step);
    UpdateTimerInterval();
    connectCommands();
}

void PlaybackController::connectCommands()
{
    connect(commands.PlayBtn, &Command::triggered, this, [this] { PlayBtnClick(); });
    connect(commands.PauseBtn, &Command::triggered, this, [this] { PauseBtnClick(); });
    connect(commands.StopBtn, &Command::triggered, this, [this] { StopBtnClick(); });
    // A press is made by the window (PrevNextPress); the click that ends it releases it.
    connect(commands.PrevBtn, &Command::triggered, this, [this] { ReleaseButton(); });
    connect(commands.NextBtn, &Command::triggered, this, [this] { ReleaseButton(); });
    for (int type = ptNormal; type <= ptProgramRandom; ++type)
        connect(commands.PlayTypeItem(type), &Command::triggered, this,
                [this, type] { PlayTypeClick(type); });
    connect(commands.TypeReptItem, &Command::triggered, this, [this] { host.RedrawDisplay(); });
    connect(commands.TypeRept1Item, &Command::triggered, this, [this] { host.RedrawDisplay(); });
    // The lyrics window's track items; they mean nothing while there is no list.
    connect(commands.PrevTrkItem, &Command::triggered, this, [this] {
        if (!TrackListEnabled) return;
        if (EntryIndex > 1) --EntryIndex;
        GoToEntry();
    });
    connect(commands.TopTrkItem, &Command::triggered, this, [this] {
        if (TrackListEnabled) GoToEntry();
    });
    connect(commands.NextTrkItem, &Command::triggered, this, [this] {
        if (!TrackListEnabled) return;
        ++EntryIndex;
        GoToEntry();
    });
}

uint32_t PlaybackController::now() const { return clock.TickCount(); }
int32_t PlaybackController::songStart(int track) const { return words.SongStart(track); }
int32_t PlaybackController::songLength(int track) const { return words.SongLength(track); }

bool PlaybackController::RepeatChecked() const { return commands.TypeReptItem->isChecked(); }
bool PlaybackController::RepeatOneChecked() const { return commands.TypeRept1Item->isChecked(); }
bool PlaybackController::Started() const { return !commands.PlayBtn->isEnabled(); }

QString PlaybackController::TimeModeName(int timeMode)
{
    switch (timeMode) {
    case 0: return QStringLiteral("T.Pass");
    case 1: return QStringLiteral("T.Rest");
    case 2: return QStringLiteral("Pass");
    case 3: return QStringLiteral("Rest");
    default: return QString();
    }
}

bool PlaybackController::OpenDevice(const QString& driveName)
{
    if (!device.Open(driveName)) return false;
    // Whatever was playing is stopped and the head put at the start of the disc.
    device.Stop();
    device.Rewind();
    device.SetTimeFormat(TimeFormatMilliseconds);
    DiscAtStart = !NoDiscMode(device.Mode());
    return true;
}

bool PlaybackController::SwitchDrive(const QString& driveName, bool playFirst)
{
    if (!NoDiscMode(DeviceModeNow)) UnloadDisc();
    // As at start-up: whatever the drive holds comes in at the next poll.
    PrevDeviceMode = DeviceModeNow = ModeOpen;
    ShowNoDisc();
    host.RedrawDisplay();
    device.Stop();
    device.Close();
    const bool opened = OpenDevice(driveName);
    PlayFirstDisc = opened && playFirst;
    PollCountdown = -1;
    return opened;
}

void PlaybackController::StartTimer()
{
    UpdateTimerInterval();
    Timer.start();
}

void PlaybackController::UpdateTimerInterval()
{
    const int interval = std::clamp(TimerInt, 10, 10000);
    Timer.setInterval(commands.StopBtn->isEnabled() ? interval : 3 * interval);
}

void PlaybackController::setButtons(bool play, bool pause, bool stop)
{
    commands.PlayBtn->setEnabled(play);
    commands.PauseBtn->setEnabled(pause);
    commands.StopBtn->setEnabled(stop);
}

void PlaybackController::setTrackListIndex(int index)
{
    if (TrackListIndex == index) return;
    TrackListIndex = index;
    host.TrackListChanged();
}

// ---------------------------------------------------------------- play list

void PlaybackController::PlayTypeClick(int playType)
{
    Command* item = commands.PlayTypeItem(playType);
    if (!item) return;
    item->setChecked(true);
    PlayType = playType;
    PlayList.Build(playOrder(playType), [this](int track) { return songLength(track); });
    BuildTrackList();
}

std::vector<int> PlaybackController::playOrder(int playType)
{
    std::vector<int> program;
    const int programCount = std::clamp(words.ProgramCount, 0, kProgramSlots);
    for (int i = 1; i <= programCount; ++i) program.push_back(words.ProgramList[static_cast<size_t>(i)]);
    return PlayOrder(playType, words.FirstAudioTrack, words.SongCount, program, Random);
}

bool PlaybackController::SwitchPlayType(int playType)
{
    Command* item = commands.PlayTypeItem(playType);
    if (!item || !item->isEnabled() || Waiting() || Loading || InDataEntry) return false;
    if (!Started()) {
        item->trigger();
        return true;
    }
    if (SkipPending) {
        GoToEntry();
        SkipPending = false;
    }
    const int track = CurrentTrack;
    const bool paused = IsPaused;
    const int32_t offset = device.Position() - songStart(track);
    item->setChecked(true);
    PlayType = playType;
    std::vector<int> tracks = playOrder(playType);
    const auto found = std::find(tracks.begin(), tracks.end(), track);
    int entry = found == tracks.end() ? 1 : static_cast<int>(found - tracks.begin()) + 1;
    // In a random order the track heard comes first; the rest are still drawn at random.
    if (entry > 1 && (playType == ptRandom || playType == ptProgramRandom)) {
        std::iter_swap(tracks.begin(), found);
        entry = 1;
    }
    PlayList.Build(tracks, [this](int t) { return songLength(t); });
    BuildTrackList(); // stopped at entry 1
    EntryIndex = entry;
    if (entry > 1) GoToEntry();
    if (PlayList.Track(entry) == track) SeekInEntry(offset);
    PlayBtnClick();
    if (paused) PauseBtnClick();
    return true;
}

void PlaybackController::BuildTrackList()
{
    TrackListEnabled = false;
    TrackItems.clear();
    TrackListIndex = -1;
    PlayList.Build(PlayList.Tracks(), [this](int track) { return songLength(track); });
    for (int track : PlayList.Tracks()) TrackItems << FormatNumbered(track, words.GetSongTitle(track));
    TrackListEnabled = true;
    host.TrackListChanged();
    // A new list always stops playback and returns to entry 1. The handler runs even
    // while StopBtn is disabled, as a click made in code did.
    StopBtnClick();
}

// ---------------------------------------------------------------- transport

void PlaybackController::PlayBtnClick()
{
    // An empty list has no entry to play; the drive would run on from wherever it is.
    if (EntryCount() == 0) return;
    if (!commands.PauseBtn->isEnabled()) device.Play(); // to the pending end of the entry
    setButtons(false, true, true);
    host.FocusButton(commands.StopBtn);
    UpdateTimerInterval();
    LastPositionTick = PlayClock = now();
    PollCountdown = -1;
    TimerProc();
}

void PlaybackController::PauseBtnClick()
{
    const int mode = readMode();
    if (NoDiscMode(mode)) return; // the disc went; the next poll unloads it
    if (mode != ModeStopped) {
        PauseGlyph = QStringLiteral("Pause1");
        IsPaused = true;
        device.Pause();
    } else {
        // A paused drive reports stopped.
        PauseGlyph = QStringLiteral("Pause0");
        IsPaused = false;
        device.Resume();
        PlayClock = now();
    }
    // Where the disc stopped, or goes on from: the lyrics follow the drive, not the last poll.
    LastPosition = device.Position();
    LastPositionTick = now();
    host.GlyphsChanged();
    if (wordsView) wordsView->PositionRead();
}

void PlaybackController::StopBtnClick()
{
    PauseGlyph = QStringLiteral("Pause0");
    host.GlyphsChanged();
    setButtons(true, false, false);
    commands.NextBtn->setEnabled(true);
    commands.PrevBtn->setEnabled(true);
    host.FocusButton(commands.PlayBtn);
    UpdateTimerInterval();
    IsPaused = false;
    EntryIndex = 1;
    if (EntryCount() > 0)
        GoToEntry();
    else
        device.Stop(); // no entry to rewind to, but the drive stops all the same
}

bool PlaybackController::GoToEntry()
{
    if (EntryIndex > EntryCount()) {
        if (!RepeatChecked() || EntryCount() == 0) {
            StopBtnClick();
            return true;
        }
        EntryIndex = 1;
    }
    EntryIndex = std::max(EntryIndex, 1);
    CurrentTrack = PlayList.Track(EntryIndex);
    SeekTo(songStart(CurrentTrack));
    // The end of the track stays pending for a later Play when playback is not running.
    // A disc that went meanwhile is the tick's to unload; nothing plays on its tracks.
    if (!discOutUnseen) {
        device.SetEndPos(songStart(CurrentTrack + 1));
        if (Started() && !IsPaused) device.Play();
    }
    PollCountdown = -1;
    if (!SkipPending) TimerProc();
    return false;
}

void PlaybackController::SeekTo(int32_t position)
{
    device.Stop();
    device.SetStartPos(position);
    device.SetEndPos(position);
    device.SetWait(true);
    device.Play();
    const uint32_t start = now();
    while (std::abs(device.Position() - position) > kSeekToleranceMs && now() - start <= kSeekTimeoutMs) {
        // Without a disc the head never arrives: no reason to hold the program up.
        if (NoDiscMode(readMode())) break;
        if (SeekPause) SeekPause();
    }
}

int PlaybackController::readMode()
{
    const int mode = device.Mode();
    // A drive may report a swapped disc as out only once; the poll must learn of it
    // even when a command asked first.
    if (NoDiscMode(mode) && !NoDiscMode(DeviceModeNow)) {
        discOutUnseen = true;
        PollCountdown = -1;
    }
    return mode;
}

void PlaybackController::SelectFromList(int itemIndex) { SelectEntry(itemIndex + 1); }

void PlaybackController::SelectEntry(int k)
{
    // The list of a disc that went stays behind the cleared track list; it selects nothing.
    if (!TrackListEnabled || k < 1 || k > EntryCount()) return;
    EntryIndex = k;
    const int disc = discSerial;
    GoToEntry();
    if (discSerial == disc) PlayBtnClick(); // not when another disc came in meanwhile
}

void PlaybackController::CyclePlayType()
{
    const bool program = commands.TypeProgItem->isEnabled();
    Command* next = commands.TypeNormItem;
    switch (PlayType) {
    case ptNormal: next = commands.TypeRandItem; break;
    case ptRandom: next = program ? commands.TypeProgItem : commands.TypeNormItem; break;
    case ptProgram: next = program ? commands.TypeProgRandItem : commands.TypeNormItem; break;
    default: break;
    }
    next->trigger();
}

void PlaybackController::CycleRepeat()
{
    if (RepeatOneChecked() || RepeatChecked())
        commands.TypeRept1Item->trigger(); // repeat one goes off, or repeat becomes repeat one
    else
        commands.TypeReptItem->trigger();
}

void PlaybackController::RepeatOff()
{
    commands.TypeReptItem->setChecked(false);
    commands.TypeRept1Item->setChecked(false);
    host.RedrawDisplay();
}

void PlaybackController::CycleTimeMode()
{
    TimeMode = (TimeMode + 1) % 4;
    PollCountdown = -1;
}

bool PlaybackController::SeekInEntry(int32_t offset)
{
    if (!TrackListEnabled || EntryCount() == 0 || Waiting() || Loading || InDataEntry) return false;
    if (SkipPending) {
        GoToEntry();
        SkipPending = false;
    }
    const int32_t start = songStart(CurrentTrack);
    const int32_t end = songStart(CurrentTrack + 1);
    SeekTo(std::clamp(start + std::max(offset, 0), start, std::max(start, end - 1)));
    device.SetEndPos(end);
    if (Started() && !IsPaused) device.Play();
    // The jump is not play time.
    PlayClock = now();
    PollCountdown = -1;
    TimerProc();
    return true;
}

// ---------------------------------------------------------------- previous / next

void PlaybackController::PrevNextPress(bool next)
{
    if (ButtonHeld) return;
    ButtonHeld = true;
    pressTick = now();
    pressNext = next;
    press = Press::Click;
    updateStepTimer();
}

void PlaybackController::ReleaseButton()
{
    ButtonHeld = false;
    // The waiting press notices the release at once.
    if (press != Press::None) pressStep();
}

void PlaybackController::pressStep()
{
    if (!TrackListEnabled) {
        // The disc went while the button was down: nothing left to skip or seek in.
        if (press == Press::Seek) endFastSeek();
        press = Press::None;
        updateStepTimer();
        return;
    }
    if (press == Press::Click) {
        const bool clickPhase = now() - pressTick < kClickPhaseMs;
        if (clickPhase && !ButtonHeld) {
            press = Press::None;
            updateStepTimer();
            quickSkip();
            return;
        }
        if (clickPhase) return;
        beginFastSeek();
    }
    seekPass();
}

void PlaybackController::quickSkip()
{
    if (pressNext) {
        EntryIndex = EntryIndex >= EntryCount() ? 1 : EntryIndex + 1; // wraps whatever the repeat
    } else if (LastPosition - songStart(CurrentTrack) < 2000 && EntryIndex > 1) {
        --EntryIndex;
    } // else the current entry restarts
    SkipPending = true;
    SkipTick = pressTick;
    SeekTarget = 0;
}

void PlaybackController::beginFastSeek()
{
    press = Press::Seek;
    SeekTarget = device.Position();
    device.Stop();
    Timer.stop();
    FastSeeking = true;
    seekStep = 1000;
    seekSteps = 0;
    seekTick = now();
}

void PlaybackController::seekPass()
{
    if (!ButtonHeld) {
        SeekTo(SeekTarget);
        device.SetEndPos(songStart(CurrentTrack + 1));
        if (Started() && !IsPaused) device.Play();
        endFastSeek();
        return;
    }
    if (now() - seekTick > kSeekPassMs) {
        seekTick += kSeekPassMs;
        ++seekSteps;
        if (seekSteps == 15 || seekSteps == 30) seekStep = seekStep * 17 / 10; // 1000, 1700, 2890
        SeekTarget += pressNext ? seekStep : -seekStep;
        const int32_t end = songStart(CurrentTrack + 1);
        const int32_t start = songStart(CurrentTrack);
        if (SeekTarget >= end - 100) {
            if (EntryIndex < EntryCount()) {
                ++EntryIndex;
                CurrentTrack = PlayList.Track(EntryIndex);
                SeekTarget = songStart(CurrentTrack);
            } else {
                SeekTarget = end; // held at the end of the last entry
            }
        } else if (SeekTarget <= start + 100) {
            if (EntryIndex < 2) {
                SeekTarget = start; // held at the start of the first entry
            } else {
                --EntryIndex;
                CurrentTrack = PlayList.Track(EntryIndex);
                SeekTarget = songStart(CurrentTrack + 1);
            }
        }
    }
    TimerProc(); // shows SeekTarget
    if (NoDiscMode(DeviceModeNow)) endFastSeek(); // the disc went: neither position nor play
}

void PlaybackController::endFastSeek()
{
    PollCountdown = -1;
    TimerProc();
    Timer.start();
    PlayClock = now();
    FastSeeking = false;
    press = Press::None;
    updateStepTimer();
}

// ---------------------------------------------------------------- waits

void PlaybackController::Step()
{
    if (settling) settleStep();
    if (press != Press::None) pressStep();
}

bool PlaybackController::Waiting() const { return settling || press != Press::None; }

void PlaybackController::updateStepTimer()
{
    if (!Waiting())
        StepTimer.stop();
    else if (!StepTimer.isActive())
        StepTimer.start();
}

// ---------------------------------------------------------------- the tick

void PlaybackController::TimerProc()
{
    if (settling) return; // no tick runs while a new disc settles
    if (Starting) {
        Starting = false;
        host.FinishStartup();
        return;
    }
    DepthGuard depth(tickDepth);
    if (FastSeeking) {
        if (!host.SeekKeysHeld()) {
            FastSeeking = false;
            return;
        }
    } else {
        tickLyrics();
    }

    --PollCountdown;
    if (PollCountdown > 0 && !FastSeeking && !SkipPending) {
        tickModeLabel();
        return;
    }
    bool polled = false;
    if (PollCountdown <= 0) {
        PollCountdown = 3;
        if (discOutUnseen && !NoDiscMode(DeviceModeNow)) {
            // A command saw the disc go; this poll is the first to hear of it. Unload
            // it as a poll seeing the drive open would, then read the drive from there.
            PrevDeviceMode = DeviceModeNow;
            DeviceModeNow = ModeOpen;
            UnloadDisc();
            ShowNoDisc();
        }
        discOutUnseen = false;
        PrevDeviceMode = DeviceModeNow;
        DeviceModeNow = device.Mode();
        polled = true;
        if (const QString refused = device.TakeDiscError(); !refused.isEmpty()) host.DiscRefused(refused);
    }
    // Disc changes are judged only on a fresh poll: a tick that runs between polls (a
    // skip or a seek) would otherwise see the same change again and load twice.
    if (polled && PrevDeviceMode == ModeOpen && DeviceModeNow != ModeOpen) {
        LoadDisc();
        if (settling) return; // the rest of this tick runs once the drive has settled
    } else if (polled && NoDiscMode(DeviceModeNow) && !NoDiscMode(PrevDeviceMode)) {
        UnloadDisc();
        ShowNoDisc();
        tickDisplay();
        tickModeLabel();
        return;
    }
    if (polled) followDataFile();
    tickAfterPoll();
}

void PlaybackController::followDataFile()
{
    // Another program (mirelune-tool, an editor) changed the disc's data file: read again
    // once it stands still, unless a dialog works on the disc's data or edits wait to be
    // saved (a save merges them with the file's new content).
    if (Loading || InDataEntry || host.DialogOpen() || !words.HasFile() || words.HasUnsavedEdits()) return;
    if (!words.OutsideChangeSettled()) return;
    words.Load(dpLyrics);
    host.ShowDiscTitle();
    if (!TrackListEnabled) return;
    TrackItems.clear();
    for (int track : PlayList.Tracks()) TrackItems << FormatNumbered(track, words.GetSongTitle(track));
    host.TrackListChanged();
}

void PlaybackController::tickLyrics()
{
    if (host.Testing()) {
        WantWords = true;
    } else {
        WantWords = commands.WordsDispItem->isChecked();
        if (WantWords && wordsView) {
            const bool idle = !words.HasFile() || NoDiscMode(DeviceModeNow) || commands.PlayBtn->isEnabled();
            if (idle) {
                if (wordsView->HideNoWords())
                    WantWords = false;
                else
                    wordsView->UpdateWords(false);
            } else if (!wordsView->UpdateWords(true)) {
                WantWords = false;
            }
        }
    }
    if (wordsView && wordsView->WordsShown() != WantWords && PollCountdown >= 0 && !host.Minimized()) {
        const bool active = host.ApplicationActive();
        wordsView->SetWordsVisible(WantWords);
        host.ApplyStayOnTop();
        if (active) host.RestoreFocusAfterWords(WantWords);
    }
}

void PlaybackController::tickAfterPoll()
{
    if (words.AudioState != 0 && !(PrevDeviceMode == ModeOpen && DeviceModeNow == ModeOpen)) {
        if (SkipPending && now() - SkipTick > kSkipDelayMs) {
            GoToEntry();
            SkipPending = false;
            return;
        }
        int32_t elapsed = 0;
        if (!InDataEntry) { // else the data-entry dialog drives the device
            if (FastSeeking || SkipPending) {
                LastPosition = SeekTarget;
            } else {
                LastPosition = device.Position();
                LastPositionTick = now();
                // Only the outermost tick moves on: the tick that GoToEntry runs must not
                // advance again, or a track shorter than the margin would never end.
                if (tickDepth == 1 && LastPosition >= songStart(CurrentTrack + 1) - kTrackEndMarginMs) {
                    if (!RepeatOneChecked()) ++EntryIndex;
                    GoToEntry();
                    LastPosition = device.Position();
                }
                if (wordsView) wordsView->PositionRead();
            }
            elapsed = std::max(LastPosition - songStart(CurrentTrack), 0);
        }
        int32_t value = 0;
        switch (TimeMode) {
        case 0: value = PlayList.Offset(EntryIndex) + elapsed; break;
        case 1: value = PlayList.TotalLength() - PlayList.Offset(EntryIndex) - elapsed; break;
        case 2: value = elapsed; break;
        case 3: value = songLength(PlayList.Track(EntryIndex)) - elapsed; break;
        default: break;
        }
        ShownOrdinal = (TimeMode == 1 || TimeMode == 3) ? EntryCount() - EntryIndex + 1 : EntryIndex;
        ShownNumber = TrueTrack ? CurrentTrack : ShownOrdinal;
        ShownMinutes = value / 60000;
        ShownSeconds = (value / 1000) % 60;
    }
    tickDisplay();
    tickModeLabel();
}

void PlaybackController::tickDisplay()
{
    if (!NoDiscMode(DeviceModeNow) && words.AudioState != 0) {
        if (!host.ListDropped()) setTrackListIndex(EntryIndex < 1 ? 0 : EntryIndex - 1);
        if (InDataEntry) {
            // The dialog's own playing is not the disc's play time, now or later.
            PlayClock = now();
        } else if (DeviceModeNow == ModePlaying) {
            bool counted = false;
            while (now() - PlayClock > 1000) {
                ++words.PlayTime;
                PlayClock += 1000;
                counted = true;
            }
            if (counted) host.PlayTimeChanged();
        }
    }
    host.UpdateDisplay();
}

void PlaybackController::tickModeLabel()
{
    ModeLabelVisible = !NoDiscMode(DeviceModeNow) && words.AudioState != 0;
    host.ShowModeLabel(ModeLabelVisible, TimeModeName(TimeMode));
}

// ---------------------------------------------------------------- disc in and out

void PlaybackController::LoadDisc()
{
    host.CloseDiscManager();
    Loading = true;
    host.UpdateDisplay();
    Timer.stop();
    settling = true;
    settleAsync = false;
    settleStart = now();
    settleStep();
    if (settling) {
        settleAsync = true;
        updateStepTimer();
    }
}

void PlaybackController::settleStep()
{
    if (device.Mode() != ModeStopped && now() - settleStart <= kSettleTimeoutMs) return;
    settling = false;
    updateStepTimer();
    finishLoad();
    if (settleAsync) {
        // Finish the tick that found the disc.
        DepthGuard depth(tickDepth);
        tickAfterPoll();
    }
}

void PlaybackController::finishLoad()
{
    words.NewDisc(device.TrackCount());
    Timer.start();
    if (!host.DialogOpen()) host.ClosePopupMenus();
    PlayGlyph = QStringLiteral("Play1");
    StopGlyph = QStringLiteral("Stop1");
    host.GlyphsChanged();
    host.ShowDiscTitle();
    DiscEnd = songStart(words.SongCount + 1);
    for (Command* a : {commands.CDInfoItem, commands.CDInfoSaveItem, commands.TypeNormItem,
                       commands.TypeRandItem, commands.TypeReptItem, commands.TypeRept1Item,
                       commands.ProgSetItem})
        a->setEnabled(true);
    commands.InputDataItem->setEnabled(words.HasFile());
    if (words.AudioState != 0) {
        int type = words.PlayTypeCode & 0x0F;
        // A type this program does not know plays as normal, rather than keeping the
        // previous disc's list.
        if (type > ptProgramRandom) type = ptNormal;
        if ((type == ptProgram || type == ptProgramRandom) && !commands.TypeProgItem->isEnabled())
            type = ptNormal;
        commands.PlayTypeItem(type)->trigger();
        bool start = (AutoPlay || PlayFirstDisc) != host.ShiftHeld();
        if (host.AutorunPresent() && !DiscAtStart) start = false;
        if (start) commands.PlayBtn->trigger();
    } else {
        ShowNoDisc();
        commands.CDInfoItem->setEnabled(true); // a data disc's properties can be shown
    }
    DiscAtStart = false; // only the first disc was in the drive at start-up
    PlayFirstDisc = false;
    LogStart = QDateTime::currentDateTime();
    Loading = false;
}

void PlaybackController::UnloadDisc()
{
    ++discSerial;
    host.CloseDiscDialogs();
    if (!host.DialogOpen()) host.ClosePopupMenus();
    host.WriteLogLine();
    LogStart = QDateTime();
    words.Save(dpPlayState);
    words.ClearFileName();
}

void PlaybackController::ShowNoDisc()
{
    PlayGlyph = QStringLiteral("Play0");
    PauseGlyph = QStringLiteral("Pause0");
    StopGlyph = QStringLiteral("Stop0");
    host.GlyphsChanged();
    host.ShowDiscTitle();
    setButtons(false, false, false);
    commands.NextBtn->setEnabled(false);
    commands.PrevBtn->setEnabled(false);
    TrackListEnabled = false;
    for (Command* a : {commands.TypeNormItem, commands.TypeRandItem, commands.TypeProgItem,
                       commands.TypeProgRandItem, commands.TypeReptItem, commands.TypeRept1Item}) {
        a->setChecked(false);
        a->setEnabled(false);
    }
    for (Command* a : {commands.ProgSetItem, commands.InputDataItem, commands.CDInfoItem,
                       commands.CDInfoSaveItem})
        a->setEnabled(false);
    host.FocusMainWindow();
    UpdateTimerInterval();
    TrackItems.clear();
    TrackListIndex = -1;
    host.TrackListChanged();
    // A skip armed before the disc went has nothing left to jump to.
    SkipPending = false;
}
