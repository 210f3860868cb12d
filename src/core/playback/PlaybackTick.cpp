#include "PlaybackController.h"

#include <algorithm>

#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/drive/CdDevice.h"

// The periodic tick: the lyrics window, the drive's poll, disc changes, the end of each
// track, the display's values, the play time and ModeLabel.

namespace {
constexpr uint32_t kSkipDelayMs = 800;     // quick skips add up until this long after the last
constexpr int32_t kTrackEndMarginMs = 200; // the end of a track is taken this early

// Counts how deep the tick is nested (commands run the tick, and the tick runs commands).
struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};
} // namespace

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
    // The end of a playing track is read in time for the next to follow it without a
    // break: the poll comes as soon as the end is near, not at the next third tick.
    if (PollCountdown > 0 && trackEndNear()) PollCountdown = 0;
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

bool PlaybackController::trackEndNear() const
{
    if (!Started() || IsPaused() || FastSeeking || SkipPending || EntryDrives() || DeviceModeNow != ModePlaying)
        return false;
    const int64_t at = int64_t(LastPosition) + (now() - LastPositionTick);
    return at >= int64_t(songStart(CurrentTrack + 1)) - kTrackEndMarginMs;
}

void PlaybackController::resumeTick()
{
    DepthGuard depth(tickDepth);
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
            const bool idle = !words.HasFile() || NoDiscMode(DeviceModeNow) || !Started();
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
        if (!EntryDrives()) { // else the data-entry dialog drives the device
            if (FastSeeking || SkipPending) {
                LastPosition = SeekTarget;
            } else {
                LastPosition = device.Position();
                LastPositionTick = now();
                // Only the outermost tick moves on: the tick that GoToEntry runs must not
                // advance again, or a track shorter than the margin would never end.
                if (tickDepth == 1 && Started() && LastPosition >= songStart(CurrentTrack + 1) - kTrackEndMarginMs) {
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
        if (EntryDrives()) {
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
