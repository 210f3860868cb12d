#include "PlaybackController.h"

#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/drive/CdDevice.h"

// A disc coming in (the drive settles, the disc is read, its play list built and maybe
// played) and a disc going (its dialogs closed, its log line written, its play state saved).

namespace {
constexpr uint32_t kSettleTimeoutMs = 20000;
} // namespace

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
    if (settleAsync) resumeTick();
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
    // The disc is ready: the play types and repeat can be chosen.
    commands.State.SetTransport(TransportState::Stopped);
    for (Command* a : {commands.CDInfoItem, commands.CDInfoSaveItem, commands.ProgSetItem}) a->setEnabled(true);
    // A disc not registered yet is offered registration on the way to data entry.
    commands.InputDataItem->setEnabled(words.AudioState != 0);
    if (words.AudioState != 0) {
        int type = words.PlayTypeCode & 0x0F;
        // A type this program does not know plays as normal, rather than keeping the
        // previous disc's list.
        if (type > ptProgramRandom) type = ptNormal;
        if ((type == ptProgram || type == ptProgramRandom) && !commands.State.HasProgram()) type = ptNormal;
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
    // No transport, no play type, no repeat: buttons and both radio groups go blank.
    commands.State.SetTransport(TransportState::NoDisc);
    commands.State.SetType(-1);
    commands.State.SetRepeat(RepeatMode::Off);
    TrackListEnabled = false;
    for (Command* a : {commands.ProgSetItem, commands.InputDataItem, commands.CDInfoItem, commands.CDInfoSaveItem})
        a->setEnabled(false);
    host.FocusMainWindow();
    UpdateTimerInterval();
    TrackItems.clear();
    TrackListIndex = -1;
    host.TrackListChanged();
    // A skip armed before the disc went has nothing left to jump to.
    SkipPending = false;
}
