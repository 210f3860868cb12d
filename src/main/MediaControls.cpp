#include "MediaControls.h"

#include <QAction>
#include <algorithm>
#include <cstdlib>

#include "common/Commands.h"
#include "common/Defines.h"
#include "discdata/Words.h"
#include "lyrics/WordsLine.h"
#include "playback/PlaybackController.h"

namespace {
// Between polls the position is estimated; a jump is what this estimate cannot explain.
constexpr int64_t kJumpToleranceUs = 1000000;
} // namespace

bool PositionJumped(const MediaState& before, const MediaState& now, uint32_t elapsedMs)
{
    if (!before.HasTrack || !now.HasTrack || before.TrackId != now.TrackId || before.Seeking || now.Seeking)
        return false;
    const int64_t expected =
        before.PositionUs + (before.Status == QLatin1String("Playing") ? int64_t(elapsedMs) * 1000 : 0);
    return std::llabs(now.PositionUs - expected) > kJumpToleranceUs;
}

MediaControls::MediaControls(PlaybackController& player_, const TWords& words_, CommandSet& commands_,
                             const PlaybackHost& host_)
    : player(player_), words(words_), commands(commands_), host(host_)
{
}

bool MediaControls::started() const
{
    // Playing or paused: PlayBtn disabled and PauseBtn enabled (without a disc both are off).
    return !commands.PlayBtn->isEnabled() && commands.PauseBtn->isEnabled();
}

bool MediaControls::controllable() const
{
    // While one of our dialogs is open the main window's buttons cannot be reached either.
    return !host.DialogOpen() && !(ModalOpen && ModalOpen()) && !player.InDataEntry && !player.Loading;
}

MediaState MediaControls::State(const MediaState& before, uint32_t now) const
{
    MediaState s;
    const bool started = this->started();
    if (started) s.Status = player.IsPaused ? QStringLiteral("Paused") : QStringLiteral("Playing");
    if (player.RepeatOneChecked()) s.Loop = QStringLiteral("Track");
    else if (player.RepeatChecked()) s.Loop = QStringLiteral("Playlist");
    const int type = commands.CheckedPlayType();
    s.Shuffle = type == ptRandom || type == ptProgramRandom;

    // The entry's own track: during a pending skip the entry has moved on before the head.
    const int entry = player.EntryIndex;
    const int track = entry >= 1 && entry <= player.EntryCount() ? player.PlayList.Track(entry) : 0;
    s.HasTrack = !NoDiscMode(player.DeviceModeNow) && !player.Loading && player.TrackListEnabled && track >= 1;
    const bool ctl = controllable();
    s.CanPlay = ctl && s.HasTrack && (commands.PlayBtn->isEnabled() || commands.PauseBtn->isEnabled());
    s.CanPause = ctl && commands.PauseBtn->isEnabled();
    s.CanGoNext = ctl && commands.NextBtn->isEnabled();
    s.CanGoPrevious = ctl && commands.PrevBtn->isEnabled();
    s.CanSeek = ctl && s.HasTrack;
    if (!s.HasTrack) return s;

    s.Track = track;
    s.TrackId = QStringLiteral("/org/mirelune/entry/%1/track/%2").arg(entry).arg(track);
    s.Title = words.GetSongTitle(track);
    // A track without a title still needs a name in a desktop's player list.
    if (s.Title.isEmpty()) s.Title = QStringLiteral("トラック %1").arg(track);
    s.Album = words.Title;
    s.Artist = words.Artist;
    const int32_t length = std::max(words.SongLength(track), 0);
    s.LengthUs = int64_t(length) * 1000;
    s.Seeking = player.FastSeeking || player.SkipPending;
    int32_t position = player.LastPosition;
    if (started && !player.IsPaused && !s.Seeking) position += static_cast<int32_t>(now - player.LastPositionTick);
    s.PositionUs = int64_t(std::clamp(position - words.SongStart(track), 0, length)) * 1000;

    WordsInput in;
    in.Active = words.HasFile() && started;
    TakeMoment(in, player);
    in.CurrentTrack = track;
    in.Now = now;
    in.WordsContDisp = WordsContDisp && WordsContDisp();
    const WordsChoice c = ChooseWords(words, in);
    if (!c.Unchanged) s.Line = c.Line;
    else if (before.TrackId == s.TrackId) s.Line = before.Line;
    return s;
}

void MediaControls::Play()
{
    if (!controllable()) return;
    if (commands.PlayBtn->isEnabled()) commands.PlayBtn->trigger();
    else if (player.IsPaused && commands.PauseBtn->isEnabled()) commands.PauseBtn->trigger(); // resumes
}

void MediaControls::Pause()
{
    if (controllable() && started() && !player.IsPaused) commands.PauseBtn->trigger();
}

void MediaControls::PlayPause()
{
    if (!controllable()) return;
    if (started())
        commands.PauseBtn->trigger();
    else if (commands.PlayBtn->isEnabled())
        commands.PlayBtn->trigger();
}

void MediaControls::Stop()
{
    if (controllable() && commands.StopBtn->isEnabled()) commands.StopBtn->trigger();
}

void MediaControls::Next()
{
    // A press and at once its click: a quick skip; several add up, as on the button.
    if (!controllable() || !commands.NextBtn->isEnabled() || player.ButtonHeld) return;
    player.PrevNextPress(true);
    commands.NextBtn->trigger();
}

void MediaControls::Previous()
{
    if (!controllable() || !commands.PrevBtn->isEnabled() || player.ButtonHeld) return;
    player.PrevNextPress(false);
    commands.PrevBtn->trigger();
}

bool MediaControls::Seek(int64_t offsetUs, uint32_t now)
{
    const MediaState s = State({}, now);
    if (!s.CanSeek || player.FastSeeking) return false;
    const int64_t target = std::max<int64_t>(s.PositionUs + offsetUs, 0);
    if (target >= s.LengthUs) {
        Next();
        return false;
    }
    return player.SeekInEntry(static_cast<int32_t>(target / 1000));
}

bool MediaControls::SetPosition(const QString& trackId, int64_t positionUs, uint32_t now)
{
    const MediaState s = State({}, now);
    if (!s.CanSeek || player.FastSeeking || trackId != s.TrackId || positionUs < 0 || positionUs > s.LengthUs) return false;
    return player.SeekInEntry(static_cast<int32_t>(positionUs / 1000));
}

void MediaControls::SetLoop(const QString& loop)
{
    if (!controllable() || !commands.TypeReptItem->isEnabled()) return;
    const bool repeat = player.RepeatChecked();
    const bool one = player.RepeatOneChecked();
    // A click on a checked repeat item turns it off; on an unchecked one, on (the other off).
    if (loop == QLatin1String("None")) {
        if (repeat) commands.TypeReptItem->trigger();
        if (one) commands.TypeRept1Item->trigger();
    } else if (loop == QLatin1String("Playlist")) {
        if (!repeat) commands.TypeReptItem->trigger();
    } else if (loop == QLatin1String("Track")) {
        if (!one) commands.TypeRept1Item->trigger();
    }
}

void MediaControls::SetShuffle(bool on)
{
    if (!controllable()) return;
    QAction* target = nullptr;
    switch (commands.CheckedPlayType()) {
    case ptNormal: target = on ? commands.TypeRandItem : nullptr; break;
    case ptRandom: target = on ? nullptr : commands.TypeNormItem; break;
    case ptProgram: target = on ? commands.TypeProgRandItem : nullptr; break;
    case ptProgramRandom: target = on ? nullptr : commands.TypeProgItem; break;
    default: break;
    }
    if (target && target->isEnabled()) target->trigger();
}
