#include "PlaybackController.h"

#include <algorithm>
#include <cstdlib>

#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/drive/CdDevice.h"

// The play list and the transport: play, pause, stop, the entries, and the presses of
// the previous and next buttons (a quick skip, or a fast seek while held).

namespace {
constexpr uint32_t kClickPhaseMs = 350; // a press released sooner is a quick skip
constexpr uint32_t kSeekPassMs = 100;   // the fast seek moves once per this
constexpr int32_t kSeekToleranceMs = 80;
constexpr uint32_t kSeekTimeoutMs = 5000;
} // namespace

// ---------------------------------------------------------------- play list

void PlaybackController::PlayTypeClick(int playType)
{
    Command* item = commands.PlayTypeItem(playType);
    if (!item) return;
    commands.State.SetType(playType);
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
    if (!item || !item->isEnabled() || Waiting() || Loading || EntryDrives()) return false;
    if (!Started()) {
        item->trigger();
        return true;
    }
    if (SkipPending) {
        GoToEntry();
        SkipPending = false;
    }
    const int track = CurrentTrack;
    const bool paused = IsPaused();
    const int32_t offset = device.Position() - songStart(track);
    commands.State.SetType(playType);
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
    if (!Started()) device.Play(); // to the pending end of the entry
    // Play while paused only shows the buttons again: playback stays paused.
    if (!IsPaused()) commands.State.SetTransport(TransportState::Playing);
    host.FocusButton(commands.StopBtn);
    UpdateTimerInterval();
    LastPositionTick = PlayClock = now();
    PollCountdown = -1;
    TimerProc();
}

void PlaybackController::PauseBtnClick()
{
    if (!Started()) return; // nothing to pause
    const int mode = readMode();
    if (NoDiscMode(mode)) return; // the disc went; the next poll unloads it
    if (mode != ModeStopped) {
        PauseGlyph = QStringLiteral("Pause1");
        commands.State.SetTransport(TransportState::Paused);
        device.Pause();
    } else {
        // A paused drive reports stopped.
        PauseGlyph = QStringLiteral("Pause0");
        commands.State.SetTransport(TransportState::Playing);
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
    commands.State.SetTransport(TransportState::Stopped);
    host.FocusButton(commands.PlayBtn);
    UpdateTimerInterval();
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
        if (Started() && !IsPaused()) device.Play();
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
    const bool program = commands.State.HasProgram();
    Command* next = commands.TypeNormItem;
    switch (PlayType()) {
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
    commands.State.SetRepeat(RepeatMode::Off);
    host.RedrawDisplay();
}

void PlaybackController::CycleTimeMode()
{
    TimeMode = (TimeMode + 1) % 4;
    PollCountdown = -1;
}

bool PlaybackController::SeekInEntry(int32_t offset)
{
    if (!TrackListEnabled || EntryCount() == 0 || Waiting() || Loading || EntryDrives()) return false;
    if (SkipPending) {
        GoToEntry();
        SkipPending = false;
    }
    const int32_t start = songStart(CurrentTrack);
    const int32_t end = songStart(CurrentTrack + 1);
    SeekTo(std::clamp(start + std::max(offset, 0), start, std::max(start, end - 1)));
    device.SetEndPos(end);
    if (Started() && !IsPaused()) device.Play();
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
        if (Started() && !IsPaused()) device.Play();
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
    TimerProc();                                  // shows SeekTarget
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
