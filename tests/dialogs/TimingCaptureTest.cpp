// Timing capture on the simulated drive and a manual clock: where Start and Ret play
// from, what a press stamps, the continuous set, undo, the fast seek and the test.
#include "playback/PlayerFixture.h"

#include "core/entry/TimingCapture.h"

namespace {
// Track 1 of 120 s starts at 2000 ms, track 2 at 122000, track 3 at 182000; the disc
// ends at 212000.
const SimDisc kDisc = SimDisc::Audio({120, 60, 30});

struct RecordingView : TimingView {
    QStringList stamps; // "column,line=value"
    int column = 0, line = 0;
    int32_t elapsed = -1;
    int modeChanges = 0;
    int wordsUpdates = 0;
    int16_t adjust = 0;
    void ShowStamp(int c, int l, int32_t v) override { stamps << QStringLiteral("%1,%2=%3").arg(c).arg(l).arg(v); }
    void SelectCell(int c, int l) override { column = c, line = l; }
    void ShowElapsed(int32_t e) override { elapsed = e; }
    void ModeChanged() override { ++modeChanges; }
    void ShowAdjust(int16_t a) override { adjust = a; }
    void UpdateWords() override { ++wordsUpdates; }
    int shownTrack = 0;
    void ShowTrack(int t) override { shownTrack = t; }
};

class Capture : public PlayerFixture {
protected:
    Capture() : capture(device, clock, words, player, view) {}

    // The disc in the drive with n lines on track, line k starting at starts[k-1]
    // (hundredths) and ending 100 later; the dialog open on that track.
    void Open(int track, int n, const std::vector<int32_t>& starts = {})
    {
        StartWith(kDisc);
        for (int k = 1; k <= n; ++k) {
            const int32_t s = k <= int(starts.size()) ? starts[k - 1] : 0;
            words.SetLine(track, k, TWordsLine{QStringLiteral("line %1").arg(k), s, s ? s + 100 : 0});
        }
        words.SetLineCount(track, n);
        player.InDataEntry = true;
        capture.SetTrack(track);
    }
    // Hundredths into the timing track where the drive's head is.
    int32_t HeadAt() { return (device.HeadMs() - TrackStart(capture.TimingTrack)) / 10; }
    void Wait(uint32_t ms) { clock.Advance(ms); }
    void Set(bool continuous = false) { capture.SetClick(continuous, clock.TickCount()); }
    TWordsLine Line(int k) { return words.GetLine(capture.TimingTrack, k); }

    RecordingView view;
    TimingCapture capture;
};
} // namespace

TEST_F(Capture, StartPlaysFromTheLeadInOfTheCellAndStopsAtTheEndOfTheTrack)
{
    Open(2, 5, {100, 400, 900, 1300, 1800});
    // The desktop's controls played the disc while the dialog stood open: that stops first.
    player.PlayBtnClick();
    ASSERT_TRUE(player.Started());
    capture.StartClick(1, 1);
    EXPECT_FALSE(player.Started());
    EXPECT_TRUE(capture.Capturing);
    EXPECT_EQ(view.modeChanges, 1);
    EXPECT_EQ(HeadAt(), 0); // line 1's start: the very start of the track
    EXPECT_TRUE(device.IsPlaying());
    EXPECT_EQ(device.calls.last(), QStringLiteral("Play(-,182000)"));
    EXPECT_EQ(player.CurrentTrack, 2);
    EXPECT_TRUE(capture.TimingTimer.isActive());
    EXPECT_EQ(capture.TimingTimer.interval(), 30);
    capture.StartClick(1, 1); // now "中止"
    EXPECT_FALSE(capture.Capturing);
    EXPECT_FALSE(device.IsPlaying());
    EXPECT_FALSE(capture.TimingTimer.isActive());
    // The player has the drive back as data entry found it: stopped on its first entry.
    EXPECT_EQ(player.CurrentTrack, 1);
    EXPECT_EQ(device.HeadMs(), TrackStart(1));

    capture.StartClick(1, 4); // line 4's start: from line 3's start
    EXPECT_EQ(HeadAt(), 900);
    EXPECT_EQ(view.column, 1);
    EXPECT_EQ(view.line, 4);
    capture.StartClick(1, 4);
    capture.StartClick(2, 4); // line 4's end: from its own start
    EXPECT_EQ(HeadAt(), 1300);
    EXPECT_EQ(view.column, 2);

    // The timer follows the drive and stops everything at the end of the track.
    Wait(1234);
    capture.TimingTimerProc();
    EXPECT_EQ(view.elapsed, 1300 + 123);
    Wait(60000);
    capture.TimingTimerProc();
    EXPECT_FALSE(capture.Capturing);
    EXPECT_EQ(view.elapsed, 0);
    EXPECT_FALSE(capture.TimingTimer.isActive());
}

TEST_F(Capture, AStampIsThePositionOfThePressTruncatedAndNeverNegative)
{
    Open(1, 3);
    capture.StartClick(1, 1);
    Wait(12347);
    Set();
    EXPECT_EQ(Line(1).StartTime, 1234);
    EXPECT_EQ(view.stamps.last(), QStringLiteral("1,1=1234"));
    EXPECT_EQ(view.column, 2);

    // A press handled 40 ms late is stamped where it happened.
    Wait(3000);
    capture.SetClick(false, clock.TickCount() - 40);
    EXPECT_EQ(Line(1).EndTime, 1534 - 4);
    // ... but never before the playing that it stamps began.
    capture.RetClick(); // plays line 1's end again from line 1's start
    Wait(10);
    capture.SetClick(false, clock.TickCount() - 200);
    EXPECT_EQ(Line(1).EndTime, 1234);

    // A drive that settled a little before the track start (as a seek may) stamps 0.
    for (int32_t early : {5, 15}) {
        capture.StartClick(1, 1); // stop
        capture.StartClick(1, 1);
        device.Stop();
        device.SetStartPos(TrackStart(1) - early);
        device.Play();
        Set();
        EXPECT_EQ(Line(1).StartTime, 0) << early;
    }
}

TEST_F(Capture, ContinuousSetOnAnEndAlsoStartsTheNextLineAndUndoTakesBothBack)
{
    Open(1, 3, {0, 0, 0});
    capture.StartClick(2, 2); // line 2's end; its start is 0, so from the track start
    EXPECT_EQ(HeadAt(), 0);
    Wait(15000);
    Set(true);
    EXPECT_EQ(Line(2).EndTime, 1500);
    EXPECT_EQ(Line(3).StartTime, 1500);
    EXPECT_EQ(capture.CaptureLine, 3);
    EXPECT_FALSE(capture.AtStartColumn); // on line 3's end
    EXPECT_EQ(view.column, 2);
    EXPECT_EQ(view.line, 3);

    // Undo: both slots as they were, the cursor back on line 2's end.
    EXPECT_TRUE(capture.Undo());
    EXPECT_EQ(Line(2).EndTime, 0);
    EXPECT_EQ(Line(3).StartTime, 0);
    EXPECT_EQ(capture.CaptureLine, 2);
    EXPECT_FALSE(capture.AtStartColumn);
    EXPECT_EQ(view.line, 2);
    EXPECT_FALSE(capture.Undo()); // nothing more of this capture
    EXPECT_EQ(Line(2).Text, QStringLiteral("line 2"));

    // On a start, the continuous set stamps just that start.
    capture.RetClick(); // back to line 2's start
    Wait(2000);
    Set(true);
    EXPECT_EQ(Line(2).StartTime, 200);
    EXPECT_EQ(Line(2).EndTime, 0);
    EXPECT_EQ(capture.CaptureLine, 2);
    EXPECT_FALSE(capture.AtStartColumn);
}

TEST_F(Capture, SetsPastTheLastLineDoNothingAndRetStepsBackAndReplays)
{
    Open(1, 2);
    capture.StartClick(1, 1);
    for (int press = 1; press <= 4; ++press) {
        Wait(1000);
        Set();
    }
    EXPECT_EQ(Line(2).EndTime, 400);
    EXPECT_EQ(capture.CaptureLine, 3);
    const QStringList stamped = view.stamps;
    Wait(1000);
    Set();
    Set(true);
    EXPECT_EQ(view.stamps, stamped);
    EXPECT_EQ(Line(2).EndTime, 400);

    capture.RetClick(); // to line 2's end, from line 2's start
    EXPECT_EQ(capture.CaptureLine, 2);
    EXPECT_FALSE(capture.AtStartColumn);
    EXPECT_EQ(HeadAt(), 300);
    EXPECT_EQ(Line(2).EndTime, 400); // kept until stamped again
    capture.RetClick();              // to line 2's start, from line 1's start
    EXPECT_TRUE(capture.AtStartColumn);
    EXPECT_EQ(HeadAt(), 100);
    capture.RetClick();
    capture.RetClick(); // line 1's start: from the track start, and it stays there
    EXPECT_EQ(HeadAt(), 0);
    capture.RetClick();
    EXPECT_EQ(capture.CaptureLine, 1);
    EXPECT_TRUE(capture.AtStartColumn);
    EXPECT_EQ(HeadAt(), 0);
    EXPECT_TRUE(device.IsPlaying());
}

TEST_F(Capture, TheFastSeekSpeedsUpNeverLeavesTheTrackAndResumesWhereItStopped)
{
    Open(1, 2);
    capture.StartClick(1, 1);
    capture.BeginSeek(true);
    EXPECT_TRUE(capture.Seeking);
    EXPECT_FALSE(device.IsPlaying());
    EXPECT_FALSE(capture.TimingTimer.isActive());
    capture.BeginSeek(true); // a repeated key does nothing
    for (int t = 0; t < 401; ++t) {
        Wait(10);
        capture.SeekStep();
    }
    const int32_t moved = 14 * 1000 + 15 * 1700 + 11 * 2890;
    EXPECT_EQ(capture.SeekPos, TrackStart(1) + moved);
    EXPECT_EQ(view.elapsed, moved / 10); // the display runs on the seek
    capture.ReleaseSeek();
    EXPECT_FALSE(capture.Seeking);
    EXPECT_TRUE(device.IsPlaying());
    EXPECT_EQ(device.HeadMs(), TrackStart(1) + moved);
    EXPECT_TRUE(capture.TimingTimer.isActive());

    // Held on to the end: it stops at the next track's start, and playing there ends
    // the capture.
    capture.BeginSeek(true);
    for (int t = 0; t < 3000; ++t) {
        Wait(10);
        capture.SeekStep();
    }
    EXPECT_EQ(capture.SeekPos, TrackStart(2));
    EXPECT_TRUE(capture.Capturing); // the end is not judged while seeking
    capture.ReleaseSeek();
    capture.TimingTimerProc();
    EXPECT_FALSE(capture.Capturing);
    EXPECT_LE(device.HeadMs(), TrackStart(2));

    // Backwards it stops at the track's own start.
    capture.StartClick(2, 2);
    capture.BeginSeek(false);
    for (int t = 0; t < 1000; ++t) {
        Wait(10);
        capture.SeekStep();
    }
    EXPECT_EQ(capture.SeekPos, TrackStart(1));
}

TEST_F(Capture, ADiscThatGoesDuringAFastSeekEndsItWithoutPlaying)
{
    Open(1, 2);
    capture.StartClick(1, 1);
    capture.BeginSeek(true);
    Wait(500);
    capture.SeekStep();
    device.RemoveDisc();
    const qsizetype mark = device.calls.size();
    Wait(10);
    capture.SeekStep();
    EXPECT_FALSE(capture.Seeking);
    EXPECT_FALSE(capture.SeekTimer.isActive());
    capture.ReleaseSeek(); // the release that follows finds nothing to resume
    for (qsizetype i = mark; i < device.calls.size(); ++i)
        EXPECT_FALSE(device.calls[i].startsWith(QLatin1String("Play"))) << device.calls[i].toStdString();
}

TEST_F(Capture, ATestPlaysFromTheCellWithoutLeadInAndTheAdjustValueCanBeNudged)
{
    Open(3, 2, {500, 1000});
    words.SetAdjust(3, 29990);
    capture.TestClick(1000);
    EXPECT_TRUE(capture.Testing);
    EXPECT_EQ(HeadAt(), 1000);
    EXPECT_EQ(player.CurrentTrack, 3);
    EXPECT_EQ(view.wordsUpdates, 1);
    capture.StartClick(1, 1); // no capture during a test
    EXPECT_FALSE(capture.Capturing);
    capture.TimingTimerProc();
    EXPECT_EQ(view.wordsUpdates, 2); // the lyrics window follows every timer step

    EXPECT_TRUE(capture.NudgeAdjust(5));
    EXPECT_EQ(words.GetAdjust(3), 29995);
    EXPECT_TRUE(capture.NudgeAdjust(50));
    EXPECT_EQ(words.GetAdjust(3), 30000); // held at the limit
    EXPECT_EQ(view.adjust, 30000);
    EXPECT_EQ(view.wordsUpdates, 4);
    EXPECT_TRUE(capture.NudgeAdjust(-50));
    EXPECT_EQ(words.GetAdjust(3), 29950);

    capture.TestClick(0); // "テスト中止"
    EXPECT_FALSE(capture.Testing);
    EXPECT_FALSE(capture.NudgeAdjust(5));
    EXPECT_EQ(words.GetAdjust(3), 29950);
    capture.TestClick(0); // from a cell holding 0: the track start
    EXPECT_EQ(HeadAt(), 0);
    capture.TestClick(0);
    capture.TestClick(-300); // never into the track before
    EXPECT_EQ(HeadAt(), 0);
}

TEST(EventTimesTest, APressThatWaitedIsPlacedWhenItHappened)
{
    EventTimes times;
    EXPECT_EQ(times.TickOf(0, 5000), 5000u); // no time: on arrival
    // The window system's clock runs about 1000000 ms ahead of ours; the first event
    // sets the floor, a later one with a smaller gap lowers it.
    EXPECT_EQ(times.TickOf(1'004'997, 5000), 5000u);
    EXPECT_EQ(times.TickOf(1'005'999, 6000), 6000u);
    EXPECT_EQ(times.TickOf(1'006'499, 6540), 6540u - 40);                   // waited 40 ms behind a repaint
    EXPECT_EQ(times.TickOf(1'007'000, 8000), 8000u - EventTimes::kMaxWait); // never more
    EXPECT_EQ(times.TickOf(1'200'000, 9000), 9000u);                        // a clock that jumped starts over
    EXPECT_EQ(times.TickOf(1'000, 10000), 10000u);
}

TEST(CellTimes, ReadAsMinutesSecondsAndHundredthsAndTypedInEitherForm)
{
    EXPECT_EQ(FormatCellTime(0), QStringLiteral("0:00.00"));
    EXPECT_EQ(FormatCellTime(1234), QStringLiteral("0:12.34"));
    EXPECT_EQ(FormatCellTime(6000 * 12 + 305), QStringLiteral("12:03.05"));
    EXPECT_EQ(FormatCellTime(-5), QStringLiteral("-0:00.05"));
    for (int32_t v : {0, 7, 99, 100, 5999, 6000, 123456}) EXPECT_EQ(ParseCellTime(FormatCellTime(v)), v) << v;
    const std::pair<const char*, int32_t> read[] = {
        {" 1234 ", 1234}, {"1:02.5", 6250}, {"1:02", 6200}, {"0:01.239", 123}, // cut to hundredths
        {"-1", -1},       {"6.25", 625},    {"6,25", 625},  {"1.5", 150},      {"75.5", 7550}, {"", 0}, {"  ", 0}};
    for (const auto& [typed, value] : read) EXPECT_EQ(ParseCellTime(QString::fromLatin1(typed)), value) << typed;
    for (const char* bad : {"abc", "0:75", "1:60.00", "1:2:3", "0:01.x", "6.", "99999999999"})
        EXPECT_FALSE(ParseCellTime(QString::fromLatin1(bad))) << bad;
}

TEST_F(Capture, UndoTakesBackEveryKindOfEditInTurnOnWhicheverTrackItWasMade)
{
    Open(1, 3, {100, 400, 900});
    // Line 2's word times: a start typed past its second word leaves it plain, and the
    // undo brings them back with the start.
    TWordsLine split = Line(2);
    split.Words = {{400, 0}, {410, 1}};
    words.SetLine(1, 2, split);
    ASSERT_EQ(Line(2).Words.size(), 2u);
    words.SetLine(2, 1, TWordsLine{QStringLiteral("other"), 50, 80});
    words.SetLineCount(2, 1);
    capture.SetTime(1, 2, 420); // typed
    EXPECT_EQ(Line(2).StartTime, 420);
    EXPECT_EQ(capture.MoveTime(2, 1, 150), 150); // dragged
    EXPECT_TRUE(capture.Nudge(2, 3, 10));        // Shift+Alt+Right
    EXPECT_EQ(Line(3).EndTime, 1010);
    capture.SetAdjust(-20);
    capture.SetTrack(2);
    capture.SetTime(2, 1, 90);
    // A capture's stamps come first, and while it runs only they can be taken back.
    capture.StartClick(1, 1);
    Wait(2000);
    Set();
    ASSERT_EQ(words.GetLine(2, 1).StartTime, 200);
    EXPECT_TRUE(capture.Undo());
    EXPECT_EQ(words.GetLine(2, 1).StartTime, 50);
    EXPECT_FALSE(capture.Undo()) << "an edit from before the capture was taken back during it";
    EXPECT_EQ(words.GetLine(2, 1).EndTime, 90);
    capture.StopTiming();

    view.stamps.clear();
    EXPECT_TRUE(capture.Undo()); // track 2's typed end
    EXPECT_EQ(words.GetLine(2, 1).EndTime, 80);
    EXPECT_TRUE(capture.Undo()); // the adjust value, on track 1: the page turns to it
    EXPECT_EQ(words.GetAdjust(1), 0);
    EXPECT_EQ(view.adjust, 0);
    EXPECT_EQ(view.shownTrack, 1);
    capture.SetTrack(1);
    EXPECT_TRUE(capture.Undo());
    EXPECT_EQ(Line(3).EndTime, 1000);
    EXPECT_TRUE(capture.Undo());
    EXPECT_EQ(Line(1).EndTime, 200);
    EXPECT_TRUE(capture.Undo());
    EXPECT_EQ(Line(2).StartTime, 400);
    EXPECT_EQ(Line(2).Words, split.Words);
    EXPECT_TRUE(view.stamps.contains(QStringLiteral("1,2=400")));
    EXPECT_FALSE(capture.Undo());

    // Lines replaced since without being followed (an import): the edit no longer applies.
    capture.SetTime(1, 3, 950);
    TWordsLine moved = Line(3);
    moved.Text = QStringLiteral("inserted");
    words.SetLine(1, 3, moved);
    EXPECT_FALSE(capture.Undo());
    EXPECT_EQ(Line(3).StartTime, 950);
    capture.SetTime(1, 1, 120);
    capture.ForgetEdits(); // the dialog opened again
    EXPECT_FALSE(capture.Undo());
}

TEST_F(Capture, AMovedTimeStaysBetweenItsNeighboursAndWithinTheTrack)
{
    Open(1, 4, {100, 400, 0, 1300}); // line 3 has no times
    // Line 2's start: after line 1's end (200), before its own end (500).
    EXPECT_EQ(capture.MoveTime(1, 2, 150), 200);
    EXPECT_EQ(capture.MoveTime(1, 2, 600), 499);
    // Line 2's end: after its start, up to line 4's start, past the unset line 3.
    EXPECT_EQ(capture.MoveTime(2, 2, 499), 500);
    EXPECT_EQ(capture.MoveTime(2, 2, 2000), 1300);
    // Line 1's start never below 1 (0 would unset it), line 4's end not past the track.
    EXPECT_EQ(capture.MoveTime(1, 1, -50), 1);
    EXPECT_EQ(capture.MoveTime(2, 4, 99999), 12000);
    // A time not set does not move, nor anything during a capture.
    EXPECT_EQ(capture.MoveTime(1, 3, 700), 0);
    EXPECT_FALSE(capture.Nudge(1, 3, 1));
    capture.StartClick(1, 1);
    EXPECT_FALSE(capture.Nudge(1, 2, 1));
    EXPECT_EQ(capture.MoveTime(1, 2, 300), Line(2).StartTime);
    EXPECT_EQ(Line(2).StartTime, 499);
}

TEST_F(Capture, ALinePlaysFromASecondBeforeItsStartToItsEndOnceOrAgainAndAgain)
{
    Open(2, 3, {100, 400, 0});
    capture.PlayLineClick(2, false);
    ASSERT_TRUE(capture.PlayingLine);
    EXPECT_TRUE(capture.Running());
    EXPECT_EQ(HeadAt(), 300);
    EXPECT_EQ(device.calls.last(), QStringLiteral("Play(-,%1)").arg(TrackStart(2) + 5000));
    capture.StartClick(1, 1); // no capture or test meanwhile
    capture.TestClick(0);
    EXPECT_FALSE(capture.Capturing || capture.Testing);
    Wait(2000);
    capture.TimingTimerProc();
    EXPECT_FALSE(capture.PlayingLine); // once: done at its end
    EXPECT_FALSE(device.IsPlaying());

    capture.PlayLineClick(1, true);
    EXPECT_EQ(HeadAt(), 0); // a second before 1.00 s: the track's start
    Wait(2100);
    capture.TimingTimerProc();
    EXPECT_TRUE(capture.PlayingLine);
    EXPECT_EQ(HeadAt(), 0);               // again
    EXPECT_TRUE(capture.Nudge(2, 1, 10)); // heard at the next pass
    Wait(2100);
    capture.TimingTimerProc();
    EXPECT_EQ(device.calls.last(), QStringLiteral("Play(-,%1)").arg(TrackStart(2) + 2100));
    Wait(2050);
    capture.TimingTimerProc();
    EXPECT_EQ(HeadAt(), 205);
    capture.PlayLineClick(1, true); // pressed again: stops
    EXPECT_FALSE(capture.PlayingLine);
    EXPECT_FALSE(device.IsPlaying());
    // A line without its end plays to the next start, the last one three seconds.
    words.SetLine(2, 2, TWordsLine{QStringLiteral("line 2"), 400, 0});
    words.SetLine(2, 3, TWordsLine{QStringLiteral("line 3"), 800, 0});
    capture.PlayLineClick(2, false);
    EXPECT_EQ(device.calls.last(), QStringLiteral("Play(-,%1)").arg(TrackStart(2) + 8000));
    capture.StopTiming();
    capture.PlayLineClick(3, false);
    EXPECT_EQ(device.calls.last(), QStringLiteral("Play(-,%1)").arg(TrackStart(2) + 11000));
}

TEST_F(Capture, TheReactionTimeComesOffEveryStampWhileTheTrackPlays)
{
    Open(1, 2);
    capture.ReactionMs = 180;
    capture.StartClick(1, 1);
    Wait(100);
    Set(); // pressed 0.10 s in: never before the track's start
    EXPECT_EQ(Line(1).StartTime, 0);
    Wait(4900);
    Set();
    EXPECT_EQ(Line(1).EndTime, 482);
}

TEST_F(Capture, AtHalfSpeedStampsStayInTheDiscsTime)
{
    Open(1, 3);
    capture.ReactionMs = 180;
    capture.SetSpeed(0.5);
    EXPECT_EQ(device.speed, 1.0); // only while the page plays
    capture.StartClick(1, 1);
    EXPECT_EQ(device.speed, 0.5);
    Wait(4000); // 2 s of the disc
    Set();      // the user's 180 ms are 90 ms of the disc
    EXPECT_EQ(Line(1).StartTime, 191);
    Wait(1000);
    capture.SetClick(false, clock.TickCount() - 40); // a press handled 40 ms late: 20 ms of the disc
    EXPECT_EQ(Line(1).EndTime, 239);
    // Back to normal speed while it plays: on from where it is.
    capture.SetSpeed(1.0);
    EXPECT_EQ(device.speed, 1.0);
    Wait(1000);
    capture.ReactionMs = 0;
    Set();
    EXPECT_EQ(Line(2).StartTime, 350);
    capture.SetSpeed(0.75);
    capture.StopTiming();
    EXPECT_EQ(device.speed, 1.0); // the rest of the program plays at normal speed
    capture.TestClick(0);
    EXPECT_EQ(device.speed, 0.75);
}
