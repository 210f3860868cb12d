// The lyrics window offscreen, with the main window, on the simulated drive and a manual clock.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"
#include "ui/app/Application.h"
#include "ui/lyrics/WordsForm.h"
#include "ui/lyrics/WordsMenu.h"
#include "ui/main/Actions.h"
#include "ui/main/Main.h"
#include "ui/main/TaskTray.h"

namespace {
class TestMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    bool shift = false;
    bool testing = false;
    bool ShiftHeld() const override { return shift; }
    bool Testing() const override { return testing; }
};

class TestWordsForm : public TWordsForm {
public:
    using TWordsForm::TWordsForm;
    bool shift = false;

protected:
    bool ShiftHeld() const override { return shift; }
};

// Columns of image (device pixels) that hold anything but the background, in logical pixels.
struct Ink {
    qreal first = -1, last = -1;
    bool any() const { return first >= 0; }
};
Ink InkOf(const QImage& image, const QColor& background)
{
    Ink ink;
    const QRgb bg = background.rgb();
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != bg) {
                if (ink.first < 0) ink.first = x / image.devicePixelRatio();
                ink.last = (x + 1) / image.devicePixelRatio();
                break;
            }
    return ink;
}

// Counts the maximised or full-screen states a window is told of.
class BigStates : public QObject {
public:
    int seen = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange &&
            (static_cast<QWidget*>(watched)->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
            ++seen;
        return false;
    }
};

class WordsWindow : public ::testing::Test {
protected:
    WordsWindow() : device(clock), wordsForm(commands, settings, clock)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        playLog.path = dir.filePath(QStringLiteral("Mirelune.log"));
        player.SeekPause = [this] { clock.Advance(10); };
        player.Random = [](int) { return 0; };
        form.PlaybackOnExit = [](bool) {};
        app.AttachWordsForm(wordsForm);
    }

    // Start-up as the program does it with tracks of these lengths (seconds), registered,
    // track 1 "One" with the lines A (1.00 s to 3.00 s) and B (3.20 s to 5.00 s).
    void StartWith(const std::vector<int>& seconds)
    {
        device.InsertDisc(SimDisc::Audio(seconds));
        ASSERT_TRUE(player.OpenDevice(QString()));
        form.ApplySettings();
        wordsForm.ApplySettings();
        wordsForm.ApplyLoadedWindowState();
        form.ApplyLoadedWindowState();
        player.StartTimer();
        player.TimerProc();
        RunFor(1500);
        ASSERT_FALSE(words.Register(QStringLiteral("Lyrics")));
        words.SetSongTitle(1, QStringLiteral("One"));
        words.SetLine(1, 1, {QStringLiteral("A"), 100, 300});
        words.SetLine(1, 2, {QStringLiteral("B"), 320, 500});
        words.SetLineCount(1, 2);
        commands.TypeNormItem->trigger(); // the track list takes the titles
    }

    void RunFor(uint32_t ms) { time.RunFor(ms); }
    int32_t TrackStart(int track) const { return words.SongStart(track); }
    // Playing from the start of entry 1 for ms.
    void PlayFor(uint32_t ms)
    {
        commands.PlayBtn->trigger();
        RunFor(ms);
    }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    Settings settings;
    RecordingPresenter presenter;
    Application app{device, clock, settings, Application::Make<TestMainForm>()};
    CommandSet& commands = app.commands;
    PlayLog& playLog = app.playLog;
    TWords& words = app.words;
    TestMainForm& form = static_cast<TestMainForm&>(app.Form());
    PlaybackController& player = app.controller;
    TestWordsForm wordsForm;
    PlayerTime time{player, clock};
};
} // namespace

TEST_F(WordsWindow, TheTickShowsTheWindowWithTheLineOfThePlayingMomentAndClosingItEndsTheProgram)
{
    StartWith({30, 30});
    // Wanted (the settings' Visible bit 1) and shown, but stopped: no line.
    EXPECT_TRUE(wordsForm.isVisible());
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("歌詞"));
    EXPECT_TRUE(wordsForm.LineText.isEmpty());
    EXPECT_FALSE(InkOf(wordsForm.WordsImage(), wordsForm.BackColor()).any());

    PlayFor(1200);
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("01: One - 歌詞"));
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));
    EXPECT_TRUE(InkOf(wordsForm.WordsImage(), wordsForm.BackColor()).any());
    RunFor(2200);
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("B"));

    // Paused, the line stays where it is.
    commands.PauseBtn->trigger();
    RunFor(3000);
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("B"));
    commands.PauseBtn->trigger();
    RunFor(1700);
    EXPECT_TRUE(wordsForm.LineText.isEmpty());

    // The display item hides it and shows it again, also after the window manager
    // minimised it on its own (its title bar may offer that).
    wordsForm.showMinimized();
    ASSERT_TRUE(wordsForm.isMinimized());
    commands.WordsDispItem->trigger();
    RunFor(300);
    EXPECT_FALSE(wordsForm.isVisible());
    EXPECT_FALSE(wordsForm.WordsShown());
    commands.WordsDispItem->trigger();
    RunFor(300);
    EXPECT_TRUE(wordsForm.isVisible());
    EXPECT_FALSE(wordsForm.isMinimized());

    // Closing it closes the main window, which saves where the lyrics window stands.
    wordsForm.move(150, 260);
    wordsForm.resize(500, wordsForm.height());
    QSignalSpy closed(&form, &TMainForm::Closed);
    // Unless the program is told not to end (edits that would be lost): then it comes back.
    form.ConfirmClose = [] { return false; };
    wordsForm.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(wordsForm.isVisible());
    form.ConfirmClose = nullptr;
    wordsForm.close();
    EXPECT_EQ(closed.count(), 1);
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(settings.IniPath, saved));
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsLeft"), -1), 150);
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsTop"), -1), 260);
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("WordsWidth"), -1), 508);
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("Visible"), -1), 3);
}

TEST_F(WordsWindow, ATrackWithoutLyricsHidesTheWindowOnlyWithHideNoWords)
{
    settings.HideNoWords = true;
    StartWith({30, 30});
    // Stopped: nothing to show, so not even wanted.
    EXPECT_FALSE(wordsForm.isVisible());
    PlayFor(1200);
    EXPECT_TRUE(wordsForm.isVisible());
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));
    commands.NextTrkItem->trigger(); // track 2 has no lines
    RunFor(600);
    EXPECT_FALSE(wordsForm.isVisible());
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("02:  - 歌詞"));

    settings.HideNoWords = false;
    wordsForm.ApplySettings();
    RunFor(600);
    EXPECT_TRUE(wordsForm.isVisible());
    EXPECT_TRUE(wordsForm.LineText.isEmpty());
}

TEST_F(WordsWindow, TheCaptionNamesTheTrackWaitsForTheDroppedListAndMarksATimingTest)
{
    StartWith({30, 30});
    PlayFor(1200);
    ASSERT_EQ(wordsForm.windowTitle(), QStringLiteral("01: One - 歌詞"));
    // The list is dropped down: the caption stays, the line goes on.
    form.MTitleBox->showPopup();
    words.SetSongTitle(1, QStringLiteral("Renamed"));
    RunFor(2200);
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("01: One - 歌詞"));
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("B"));
    form.MTitleBox->hidePopup();
    RunFor(200);
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("01: Renamed - 歌詞"));

    // During a timing test the data-entry dialog updates the window; the drive is asked.
    form.testing = true;
    player.InDataEntry = true;
    EXPECT_TRUE(wordsForm.UpdateWords(true));
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("01: Renamed - 歌詞テスト"));
    form.testing = false;
    player.InDataEntry = false;

    commands.StopBtn->trigger();
    RunFor(1000);
    EXPECT_EQ(wordsForm.windowTitle(), QStringLiteral("歌詞"));
    EXPECT_TRUE(wordsForm.LineText.isEmpty());
}

TEST_F(WordsWindow, ALineIsAlignedLeftRightOrCentredAndALongOneIsSqueezedToTheWidth)
{
    StartWith({30});
    wordsForm.resize(400, wordsForm.height());
    const int cw = wordsForm.width();
    wordsForm.LineText = QStringLiteral("静かな夜に");
    Ink at[3];
    for (int align : {0, 1, 2}) {
        wordsForm.WordsAlign = align;
        wordsForm.DrawWords();
        at[align] = InkOf(wordsForm.WordsImage(), wordsForm.BackColor());
        ASSERT_TRUE(at[align].any()) << align;
    }
    // Glyphs keep a little side bearing inside their advance.
    EXPECT_GE(at[0].first, 2);
    EXPECT_LE(at[0].first, 5);
    EXPECT_LE(at[1].last, cw - 2);
    EXPECT_GE(at[1].last, cw - 5);
    EXPECT_NEAR((at[2].first + at[2].last) / 2, cw / 2.0, 2);

    // Far too long for the window: narrowed to its width, neither cut nor wrapped.
    wordsForm.LineText = QString(QStringLiteral("静かな夜に月がのぼる")).repeated(6);
    for (int align : {0, 1, 2}) {
        wordsForm.WordsAlign = align;
        wordsForm.DrawWords();
        const Ink squeezed = InkOf(wordsForm.WordsImage(), wordsForm.BackColor());
        EXPECT_LE(squeezed.first, 3) << align;
        EXPECT_GE(squeezed.last, cw - 3) << align;
    }
    EXPECT_EQ(wordsForm.WordsImage().height(), WordsImageHeight(wordsForm.WordsFont()));

    // On a denser screen the same line takes twice the pixels in the same place.
    WordsLook look;
    look.font = wordsForm.WordsFont();
    look.font.setPixelSize(wordsForm.FontPixels());
    look.align = 2;
    QImage sharp(QSize(cw * 2, WordsImageHeight(look.font) * 2), QImage::Format_ARGB32_Premultiplied);
    sharp.setDevicePixelRatio(2);
    PaintWords(sharp, look, wordsForm.LineText);
    const Ink dense = InkOf(sharp, look.background);
    EXPECT_LE(dense.first, 3);
    EXPECT_GE(dense.last, cw - 3);
}

TEST_F(WordsWindow, ResizingScalesTheFontWithTheHeightSnapsToOneLineAndKeepsSixPoints)
{
    StartWith({30});
    wordsForm.show();
    const int pixels = wordsForm.FontPixels();
    QFont font = wordsForm.WordsFont();
    font.setPixelSize(pixels);
    const int textHeight = WordsTextHeight(font);
    const int line = wordsForm.height();
    ASSERT_EQ(line, WordsImageHeight(wordsForm.WordsFont()));
    const int clientHeight = line * 2;
    wordsForm.resize(wordsForm.width(), clientHeight);
    QCoreApplication::processEvents();
    EXPECT_EQ(wordsForm.FontPixels(), ResizedFontPixels(pixels, clientHeight, textHeight));
    EXPECT_NEAR(wordsForm.FontPixels(), 2 * pixels, 3);
    QFont grown = wordsForm.WordsFont();
    grown.setPixelSize(wordsForm.FontPixels());
    EXPECT_EQ(wordsForm.height(), WordsImageHeight(grown)); // exactly one line again

    wordsForm.resize(wordsForm.width(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(wordsForm.FontPixels(), PixelsOfPoints(6, ScreenDpi()));
    EXPECT_EQ(wordsForm.WordsFont().pointSize(), 6);

    // The size it reached is what the settings file keeps.
    wordsForm.StoreWindowState();
    EXPECT_EQ(settings.WordsFontSize, 6);
}

TEST_F(WordsWindow, AMaximiseOrFullScreenIsTakenBackAndASavedPlaceOffTheScreenIsBroughtOntoIt)
{
    StartWith({30});
    wordsForm.show();
    QCoreApplication::processEvents();
    QRect normal = wordsForm.geometry();
    int pixels = wordsForm.FontPixels();
    int points = wordsForm.WordsFont().pointSize();
    // As a window manager does it: the new size first, then the state, and the program
    // learns of both only then.
    BigStates states;
    wordsForm.installEventFilter(&states);
    for (Qt::WindowState big : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !wordsForm.SettleTimer.isActive(); })); // placed
        if (big == Qt::WindowFullScreen) {
            // A font from the settings dialog is the one to come back to.
            QFont font = wordsForm.WordsFont();
            font.setPointSize(20);
            wordsForm.SetWordsFont(font);
            wordsForm.Relayout();
            normal = wordsForm.geometry();
            pixels = wordsForm.FontPixels();
            points = 20;
        }
        const int seen = states.seen;
        wordsForm.windowHandle()->setWindowStates(big);
        // Told, asked back, and still again.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return states.seen > seen && !(wordsForm.windowState() & big) && !wordsForm.SettleTimer.isActive();
        })) << big;
        EXPECT_EQ(wordsForm.windowHandle()->windowStates(), Qt::WindowNoState) << big;
        EXPECT_EQ(wordsForm.FontPixels(), pixels) << big;
        EXPECT_EQ(wordsForm.geometry(), normal) << big;
        wordsForm.StoreWindowState();
        EXPECT_EQ(settings.WordsFontSize, points) << big;
        EXPECT_EQ(settings.WordsWidth, normal.width() + 8) << big;
    }
    // A size taken by the user's own resize still scales the font.
    wordsForm.resize(wordsForm.width(), 2 * wordsForm.height());
    QCoreApplication::processEvents();
    EXPECT_GT(wordsForm.FontPixels(), pixels);

    // A place and size saved by a larger screen, or by the fault a maximise once made,
    // come up on this one.
    wordsForm.hide();
    settings.WordsLeft = 3000;
    settings.WordsTop = -500;
    settings.WordsWidth = 5000;
    settings.WordsFontSize = 300;
    wordsForm.ApplySettings();
    wordsForm.ApplyLoadedWindowState();
    wordsForm.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wordsForm.SettleTimer.isActive(); })); // placed
    const QRect screen = wordsForm.screen()->availableGeometry();
    const QRect outer = wordsForm.frameGeometry();
    EXPECT_TRUE(screen.contains(outer)) << outer.x() << "," << outer.y() << " " << outer.width() << "x"
                                        << outer.height();
    EXPECT_GT(outer.width(), screen.width() - 20);
    EXPECT_LE(wordsForm.height(), screen.height() / 2);
    wordsForm.StoreWindowState();
    EXPECT_LT(settings.WordsFontSize, 300);
    EXPECT_LE(settings.WordsWidth, screen.width() + 8);
}

TEST_F(WordsWindow, ThePopupMirrorsThePlayerAndListsTheEntriesInColumnsOfFifteenWithTheirKeys)
{
    StartWith(std::vector<int>(20, 30));
    TWordsPopMenu* menu = wordsForm.PopMenu();
    // The notification-area icon's right button opens the same menu.
    EXPECT_EQ(form.TaskTray->PopupMenuRight, menu);

    emit menu->aboutToShow(); // stopped
    EXPECT_TRUE(menu->PerformMenu->menuAction()->isEnabled());
    EXPECT_TRUE(commands.PlayItem->isEnabled());
    EXPECT_FALSE(commands.PlayItem->isChecked());
    EXPECT_TRUE(commands.StopItem->isChecked());
    EXPECT_FALSE(commands.StopItem->isEnabled());
    const QList<QAction*> entries = menu->DirectSeekItem->actions();
    ASSERT_EQ(entries.size(), 20);
    EXPECT_EQ(entries[2]->text(), QStringLiteral("0&3: "));
    EXPECT_EQ(entries[0]->text(), QStringLiteral("0&1: One"));
    for (QAction* a : entries) EXPECT_FALSE(a->isChecked());
    // Two columns: 15 entries, then 5 beside them starting at the top again.
    for (int i = 1; i < 15; ++i) {
        EXPECT_EQ(menu->DirectSeekItem->ItemRect(i).left(), menu->DirectSeekItem->ItemRect(0).left());
        EXPECT_GT(menu->DirectSeekItem->ItemRect(i).top(), menu->DirectSeekItem->ItemRect(i - 1).top());
    }
    EXPECT_GT(menu->DirectSeekItem->ItemRect(15).left(), menu->DirectSeekItem->ItemRect(14).right());
    EXPECT_EQ(menu->DirectSeekItem->ItemRect(15).top(), menu->DirectSeekItem->ItemRect(0).top());
    EXPECT_EQ(menu->DirectSeekItem->ItemRect(19).left(), menu->DirectSeekItem->ItemRect(15).left());
    EXPECT_GT(menu->DirectSeekItem->sizeHint().width(), menu->DirectSeekItem->ItemRect(19).right());
    EXPECT_LT(menu->DirectSeekItem->sizeHint().height(), menu->DirectSeekItem->ItemRect(0).height() * 17);

    // The keys: right and left cross the columns, "4" steps between 04 and 14, Return plays.
    ColumnMenu* seek = menu->DirectSeekItem;
    seek->setActiveAction(entries[1]);
    QTest::keyClick(seek, Qt::Key_Right);
    EXPECT_EQ(seek->activeAction(), entries[16]);
    QTest::keyClick(seek, Qt::Key_Left);
    EXPECT_EQ(seek->activeAction(), entries[1]);
    QTest::keyClick(seek, Qt::Key_4);
    QTest::keyClick(seek, Qt::Key_4);
    EXPECT_EQ(seek->activeAction(), entries[13]);
    QTest::keyClick(seek, Qt::Key_Return);
    RunFor(400);
    EXPECT_EQ(player.EntryIndex, 14);
    EXPECT_TRUE(device.IsPlaying());
    // The next popup checks the playing entry and the playing state.
    emit menu->aboutToShow();
    EXPECT_TRUE(menu->DirectSeekItem->actions().at(13)->isChecked());
    EXPECT_TRUE(commands.PlayItem->isChecked());
    EXPECT_FALSE(commands.PlayItem->isEnabled());
    commands.PauseItem->trigger();
    emit menu->aboutToShow();
    EXPECT_TRUE(commands.PauseItem->isChecked());
    commands.StopItem->trigger();
    EXPECT_FALSE(device.IsPlaying());

    // Without a disc the performance submenu is off and lists nothing.
    device.RemoveDisc();
    RunFor(1500);
    emit menu->aboutToShow();
    EXPECT_FALSE(menu->PerformMenu->menuAction()->isEnabled());
    EXPECT_TRUE(menu->DirectSeekItem->actions().isEmpty());
}

TEST_F(WordsWindow, OpeningThePopupSetsTheExitCaptionAsTheDiscMenuDoes)
{
    StartWith({30});
    commands.PlayBtn->trigger();
    RunFor(1000);
    form.shift = true;
    emit form.DiscMenu->aboutToShow();
    EXPECT_TRUE(form.ExitTag());
    // Later the popup (or the icon's menu) opens without Shift: the plain exit again.
    form.shift = false;
    emit wordsForm.PopMenu()->aboutToShow();
    EXPECT_FALSE(form.ExitTag());
    EXPECT_EQ(commands.ExitItem->text(), commands.ExitCaption);
    form.shift = true;
    emit wordsForm.PopMenu()->aboutToShow();
    EXPECT_EQ(commands.ExitItem->text(), QStringLiteral("演奏を停止せずに終了(&X)"));
    EXPECT_TRUE(wordsForm.PopMenu()->actions().contains(ActionFor(commands.ExitItem)));
    QList<bool> exits;
    form.PlaybackOnExit = [&](bool keep) { exits << keep; };
    commands.ExitItem->trigger();
    EXPECT_EQ(exits, QList<bool>{true}); // the Shift variant: plays on
}

TEST_F(WordsWindow, AtItsTimerTheLineWaitsForTheDriveAndIsTimedAgainFromItsAnswer)
{
    StartWith({30, 30});
    PlayFor(900);
    // The last reading ran 6 ms ahead of the sound: by the estimate A (from 1.01 s) is
    // due 6 ms before the drive gets there.
    player.LastPosition += 6;
    wordsForm.PositionRead();
    ASSERT_TRUE(wordsForm.ChangeTimer.isActive());
    clock.Advance(static_cast<uint32_t>(wordsForm.ChangeTimer.interval()));
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout");
    EXPECT_EQ(device.HeadMs(), TrackStart(1) + 1004);
    EXPECT_TRUE(wordsForm.LineText.isEmpty()) << "shown before the drive got there";
    // Timed again for the 6 ms the drive still has to go, not left to the next tick.
    ASSERT_TRUE(wordsForm.ChangeTimer.isActive());
    EXPECT_EQ(wordsForm.ChangeTimer.interval(), 6);
    clock.Advance(6);
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout");
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));
    // The next poll reads the drive 6 ms behind the moment A was shown: A is not taken back.
    player.LastPosition = TrackStart(1) + 1004;
    player.LastPositionTick = clock.TickCount();
    wordsForm.PositionRead();
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));

    // A drive that reads behind again at the next change: still nothing is left to a tick.
    clock.Advance(static_cast<uint32_t>(wordsForm.ChangeTimer.interval()) - 3);
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout");
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));
    ASSERT_TRUE(wordsForm.ChangeTimer.isActive());
    clock.Advance(static_cast<uint32_t>(wordsForm.ChangeTimer.interval()));
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout");
    EXPECT_EQ(device.HeadMs(), TrackStart(1) + 3000);
    EXPECT_TRUE(wordsForm.LineText.isEmpty()); // A ends at 3.00 s
}

TEST_F(WordsWindow, WithoutTitleBarTheFrameStaysAndAFixedWindowTakesBackAMoveWithoutShift)
{
    settings.HideWordsBar = true;
    settings.WordsNoMove = true;
    StartWith({30});
    EXPECT_TRUE(wordsForm.windowFlags() & Qt::FramelessWindowHint);
    // The frame around the line is part of the window: one line plus the frame.
    const int frame = (wordsForm.height() - WordsImageHeight(wordsForm.WordsFont())) / 2;
    EXPECT_GT(frame, 0);
    EXPECT_EQ(wordsForm.WordsImage().width(), wordsForm.width() - 2 * frame);

    const QPoint at = wordsForm.pos();
    wordsForm.move(at + QPoint(40, 30));
    EXPECT_EQ(wordsForm.pos(), at);
    const int width = wordsForm.width();
    wordsForm.resize(width + 60, wordsForm.height());
    EXPECT_EQ(wordsForm.width(), width);
    wordsForm.shift = true;
    wordsForm.move(at + QPoint(40, 30));
    EXPECT_EQ(wordsForm.pos(), at + QPoint(40, 30));
    wordsForm.resize(width + 60, wordsForm.height());
    EXPECT_EQ(wordsForm.width(), width + 60);

    // Stay on top follows the main window.
    commands.StayOnTopItem->trigger();
    EXPECT_TRUE(wordsForm.windowFlags() & Qt::WindowStaysOnTopHint);
    commands.StayOnTopItem->trigger();
    EXPECT_FALSE(wordsForm.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(WordsWindow, TheLineChangesWhenItsTimeComesNotAtTheNextTick)
{
    StartWith({30, 30});
    PlayFor(900);
    EXPECT_TRUE(wordsForm.LineText.isEmpty());
    // A's start (1.00 s) passes at 1.01 s: the timer is set for that moment.
    ASSERT_TRUE(wordsForm.ChangeTimer.isActive());
    const auto headAt = [&] { return player.LastPosition + int32_t(clock.TickCount() - player.LastPositionTick); };
    EXPECT_EQ(headAt() + wordsForm.ChangeTimer.interval(), TrackStart(1) + 1010);
    clock.Advance(static_cast<uint32_t>(wordsForm.ChangeTimer.interval()) - 1);
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout"); // a millisecond early
    EXPECT_TRUE(wordsForm.LineText.isEmpty());
    ASSERT_EQ(wordsForm.ChangeTimer.interval(), 1);
    clock.Advance(1);
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout"); // no tick has run since
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));
    EXPECT_EQ(headAt() + wordsForm.ChangeTimer.interval(), TrackStart(1) + 3000); // then A ends

    commands.PauseBtn->trigger();
    EXPECT_FALSE(wordsForm.ChangeTimer.isActive()); // paused, nothing is due
    commands.PauseBtn->trigger();

    // While a held fast seek runs the timer leaves the line alone.
    player.FastSeeking = true;
    clock.Advance(static_cast<uint32_t>(wordsForm.ChangeTimer.interval()));
    QMetaObject::invokeMethod(&wordsForm.ChangeTimer, "timeout");
    EXPECT_EQ(wordsForm.LineText, QStringLiteral("A"));
    player.FastSeeking = false;
}

TEST_F(WordsWindow, ThePopupShowsTheCommandsWithoutTheKeysOfTheMainMenus)
{
    StartWith(std::vector<int>(3, 30));
    TWordsPopMenu* menu = wordsForm.PopMenu();
    emit menu->aboutToShow();
    int keyed = 0;
    for (PlainMenu* m : {static_cast<PlainMenu*>(menu), qobject_cast<PlainMenu*>(menu->PerformMenu),
                         qobject_cast<PlainMenu*>(menu->DispMenu), qobject_cast<PlainMenu*>(menu->ConfigMenu)}) {
        ASSERT_NE(m, nullptr);
        for (QAction* a : m->actions()) {
            if (a->isSeparator()) continue;
            keyed += a->text().contains(QLatin1Char('\t')); // the main window's menus show keys
            const QStyleOptionMenuItem shown = m->ItemOption(a);
            EXPECT_FALSE(shown.text.contains(QLatin1Char('\t'))) << shown.text.toStdString();
            EXPECT_EQ(shown.text, a->text().section(QLatin1Char('\t'), 0, 0));
            EXPECT_EQ(shown.reservedShortcutWidth, 0);
        }
    }
    EXPECT_GT(keyed, 5);
}
