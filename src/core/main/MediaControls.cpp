#include "MediaControls.h"

#include <algorithm>
#include <cstdlib>

#include "core/common/Commands.h"
#include "core/common/Defines.h"
#include "core/discdata/EntryTexts.h"
#include "core/discdata/Words.h"
#include "core/lyrics/WordsLine.h"
#include "core/playback/PlaybackController.h"

namespace {
// Between polls the position is estimated; a jump is what this estimate cannot explain.
constexpr int64_t kJumpToleranceUs = 1000000;
} // namespace

bool PositionJumped(const MediaState& before, const MediaState& now, uint32_t elapsedMs)
{
    if (!before.HasTrack || !now.HasTrack || before.TrackId != now.TrackId || before.Seeking || now.Seeking)
        return false;
    const int64_t expected = before.PositionUs +
                             (before.Status == QLatin1String("Playing") ? int64_t(elapsedMs) * 1000 : 0);
    return std::llabs(now.PositionUs - expected) > kJumpToleranceUs;
}

MediaControls::MediaControls(PlaybackController& player_, const TWords& words_, CommandSet& commands_)
    : player(player_), words(words_), commands(commands_)
{
}

bool MediaControls::started() const { return commands.State.Started(); }

bool MediaControls::controllable() const
{
    // The desktop's commands act as the main window's buttons would, also while one of
    // our dialogs is open, data entry too. Not while data entry's capture, test or line
    // plays the drive itself, nor while a disc loads.
    return !(ModalOpen && ModalOpen()) && !entry().Running && !player.Loading;
}

bool MediaControls::lastEntry() const
{
    return player.EntryIndex >= player.EntryCount() && !player.RepeatChecked() && !player.RepeatOneChecked();
}

MediaState MediaControls::State(const MediaState& before, uint32_t now) const
{
    if (const EntryPlayback e = entry(); e.Running && !NoDiscMode(player.DeviceModeNow))
        return entryState(e, before, now);
    MediaState s;
    const bool started = this->started();
    if (started) s.Status = player.IsPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
    if (player.RepeatOneChecked())
        s.Loop = QStringLiteral("Track");
    else if (player.RepeatChecked())
        s.Loop = QStringLiteral("Playlist");
    const int type = commands.State.Type();
    s.Shuffle = type == ptRandom || type == ptProgramRandom;

    // The entry's own track: during a pending skip the entry has moved on before the head.
    const int entry = player.EntryIndex;
    const int track = entry >= 1 && entry <= player.EntryCount() ? player.PlayList.Track(entry) : 0;
    s.HasTrack = !NoDiscMode(player.DeviceModeNow) && !player.Loading && player.TrackListEnabled && track >= 1;
    const bool ctl = controllable();
    // Playing and pausing belong to the track, whatever the state: a stopped track can
    // be started by either command, a paused one resumed.
    s.CanPlay = ctl && s.HasTrack;
    s.CanPause = ctl && s.HasTrack;
    s.CanGoNext = ctl && commands.NextBtn->isEnabled() && !lastEntry();
    s.CanGoPrevious = ctl && commands.PrevBtn->isEnabled();
    s.CanSeek = ctl && s.HasTrack;
    if (!s.HasTrack) return s;

    describeTrack(s, entry, track);
    const int32_t length = std::max(words.SongLength(track), 0);
    s.Seeking = player.FastSeeking || player.SkipPending;
    int32_t position = player.LastPosition;
    if (started && !player.IsPaused() && !s.Seeking) position += static_cast<int32_t>(now - player.LastPositionTick);
    s.PositionUs = int64_t(std::clamp(position - words.SongStart(track), 0, length)) * 1000;

    WordsInput in;
    in.Active = words.HasFile() && started;
    TakeMoment(in, player);
    in.CurrentTrack = track;
    in.Now = now;
    in.WordsContDisp = WordsContDisp && WordsContDisp();
    const WordsChoice c = ChooseWords(words, in);
    if (!c.Unchanged) {
        takeLine(s, track, c);
    } else if (before.TrackId == s.TrackId) {
        s.Line = before.Line;
        s.LineStartMs = before.LineStartMs;
        s.LineEndMs = before.LineEndMs;
    }
    return s;
}

void MediaControls::takeLine(MediaState& s, int track, const WordsChoice& c) const
{
    s.Line = c.Line;
    if (c.LineIndex <= 0) return;
    // Heard times: the line's own, moved by the adjustments the choice takes off.
    const int copy = words.GetCopyTrack(track);
    const int32_t shift = words.GetAdjust(track) + (copy > 0 ? words.GetAdjust(copy) : 0);
    const TWordsLine line = words.GetLine(track, c.LineIndex);
    s.LineStartMs = (line.StartTime + shift) * 10;
    s.LineEndMs = (line.EndTime + shift) * 10;
}

void MediaControls::describeTrack(MediaState& s, int entry, int track) const
{
    s.Track = track;
    // Unique to the disc as well: a desktop that kept the last id of another disc must
    // not take this track for that one. Data entry's playing is entry 0.
    s.TrackId = QStringLiteral("/org/mirelune/disc/%1/entry/%2/track/%3")
                    .arg(words.DiscId.isEmpty() ? QStringLiteral("0") : words.DiscId)
                    .arg(entry)
                    .arg(track);
    // An unregistered disc is named as data entry would offer to name it: by its cue
    // sheet or CD-Text.
    const EntryTexts texts = InitialEntryTexts(words);
    s.Title = static_cast<size_t>(track) < texts.SongTitles.size() ? texts.SongTitles[static_cast<size_t>(track)]
                                                                   : QString();
    // A track without a title still needs a name in a desktop's player list.
    if (s.Title.isEmpty()) s.Title = QStringLiteral("トラック %1").arg(track);
    s.Album = texts.Title;
    s.Artist = texts.Artist;
    QStringList lyrics;
    for (int i = 1; i <= words.GetLineCount(track); ++i) lyrics << words.GetLine(track, i).Text;
    s.Lyrics = lyrics.join(QLatin1Char('\n'));
    s.LengthUs = int64_t(std::max(words.SongLength(track), 0)) * 1000;
}

MediaState MediaControls::entryState(const EntryPlayback& e, const MediaState& before, uint32_t now) const
{
    // What sounds is data entry's track; the desktop may watch but not steer it.
    MediaState s;
    s.Status = QStringLiteral("Playing");
    s.Loop = before.Loop;
    s.Shuffle = before.Shuffle;
    if (e.Track < 1 || e.Track > words.SongCount) return s;
    s.HasTrack = true;
    describeTrack(s, 0, e.Track);
    s.PositionUs = int64_t(
                       std::clamp(e.PositionMs - words.SongStart(e.Track), 0, std::max(words.SongLength(e.Track), 0))) *
                   1000;
    if (!e.Testing) return s;
    // The test shows the lines on the times entered, as the lyrics window does.
    WordsInput in;
    in.Active = true;
    in.Testing = true;
    in.CurrentTrack = e.Track;
    in.Now = now;
    in.WordsContDisp = WordsContDisp && WordsContDisp();
    in.DevicePosition = [&e] { return e.PositionMs; };
    takeLine(s, e.Track, ChooseWords(words, in));
    return s;
}

void MediaControls::Play()
{
    if (!controllable()) return;
    if (commands.State.Now() == TransportState::Stopped)
        commands.PlayBtn->trigger();
    else if (player.IsPaused())
        commands.PauseBtn->trigger(); // resumes
}

void MediaControls::Pause()
{
    if (controllable() && started() && !player.IsPaused()) commands.PauseBtn->trigger();
}

void MediaControls::PlayPause()
{
    if (!controllable()) return;
    if (started())
        commands.PauseBtn->trigger();
    else if (commands.State.Now() == TransportState::Stopped)
        commands.PlayBtn->trigger();
}

void MediaControls::Stop()
{
    if (controllable() && started()) commands.StopBtn->trigger();
}

void MediaControls::Next()
{
    if (!controllable() || !commands.NextBtn->isEnabled() || player.ButtonHeld) return;
    if (lastEntry()) {
        // No next track: playback stops, and a skip still pending is no longer wanted.
        if (started()) {
            player.SkipPending = false;
            commands.StopBtn->trigger();
        }
        return;
    }
    // A press and at once its click: a quick skip; several add up, as on the button.
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
    if (!s.CanSeek || player.FastSeeking || trackId != s.TrackId || positionUs < 0 || positionUs > s.LengthUs)
        return false;
    return player.SeekInEntry(static_cast<int32_t>(positionUs / 1000));
}

bool MediaControls::MediaKey(int key)
{
    switch (key) {
    // The play key of most keyboards is the only one: it plays and pauses in turn.
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause: PlayPause(); return true;
    case Qt::Key_MediaPause: Pause(); return true;
    case Qt::Key_MediaStop: Stop(); return true;
    case Qt::Key_MediaNext: Next(); return true;
    case Qt::Key_MediaPrevious: Previous(); return true;
    default: return false;
    }
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
    int target = -1;
    switch (commands.State.Type()) {
    case ptNormal: target = on ? ptRandom : -1; break;
    case ptRandom: target = on ? -1 : ptNormal; break;
    case ptProgram: target = on ? ptProgramRandom : -1; break;
    case ptProgramRandom: target = on ? -1 : ptProgram; break;
    default: break;
    }
    if (target >= 0) player.SwitchPlayType(target);
}
