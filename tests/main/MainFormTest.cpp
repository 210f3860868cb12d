// The main window offscreen, on the simulated drive and a manual clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/main/MediaControls.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"
#include "ui/app/Application.h"
#include "ui/main/Main.h"
#include "ui/main/TaskTray.h"

namespace {
// The window with the Shift key under the test's control.
class TestForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    bool shift = false;
    bool ShiftHeld() const override { return shift; }
};

// The lyrics window as the tick sees it.
struct FakeWords : WordsView {
    bool shown = false, hideNoWords = false;
    bool WordsShown() const override { return shown; }
    bool HideNoWords() const override { return hideNoWords; }
    bool UpdateWords(bool) override { return true; }
    void SetWordsVisible(bool visible) override { shown = visible; }
};

SimDisc DataOnly()
{
    SimDisc d;
    d.tracks.push_back({150, false});
    d.leadOutFrame = 150 + 60 * 75;
    return d;
}

class MainForm : public ::testing::Test {
protected:
    MainForm() : device(clock)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        playLog.path = dir.filePath(QStringLiteral("Mirelune.log"));
        player.SeekPause = [this] { clock.Advance(10); };
        // Every rejection draw ends: the draws count up.
        player.Random = [this](int n) { return draws++ % n; };
        form.PlaybackOnExit = [this](bool keep) { exits << keep; };
    }

    // Start-up as the program does it, with this disc (or none) in the drive.
    void StartWith(const std::optional<SimDisc>& disc)
    {
        if (disc) device.InsertDisc(*disc);
        ASSERT_TRUE(player.OpenDevice(QString()));
        form.ApplySettings();
        form.ApplyLoadedWindowState();
        player.StartTimer();
        player.TimerProc(); // the first tick ends start-up
        RunFor(1500);
    }

    void RunFor(uint32_t ms) { time.RunFor(ms); }

    void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(form.MTitleBox, static_cast<Qt::Key>(key), m);
    }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    Settings settings;
    RecordingPresenter presenter;
    Application app{device, clock, settings, Application::Make<TestForm>()};
    CommandSet& commands = app.commands;
    PlayLog& playLog = app.playLog;
    TWords& words = app.words;
    TestForm& form = static_cast<TestForm&>(app.Form());
    PlaybackController& player = app.controller;
    PlayerTime time{player, clock};
    QList<bool> exits;
    int draws = 0;
};

std::vector<int> Tracks(int n) { return std::vector<int>(n, 30); }
} // namespace

TEST_F(MainForm, MenusWithNoDiscADataDiscAndAnAudioDisc)
{
    StartWith(std::nullopt);
    EXPECT_EQ(form.Image.DisplayState, dsNoDisc);
    for (Command* a : {commands.PlayBtn, commands.PauseBtn, commands.StopBtn, commands.PrevBtn, commands.NextBtn,
                       commands.TypeNormItem, commands.TypeRandItem, commands.TypeProgItem, commands.TypeReptItem,
                       commands.ProgSetItem, commands.InputDataItem, commands.CDInfoItem, commands.CDInfoSaveItem})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(form.MTitleBox->isEnabled());
    EXPECT_TRUE(commands.ConfigItem->isEnabled());
    EXPECT_TRUE(commands.ExitItem->isEnabled());
    // Eject and close are offered only when the settings say so, with their separator.
    EXPECT_FALSE(commands.EjectItem->isVisible());
    EXPECT_FALSE(form.N12->isVisible());

    device.InsertDisc(DataOnly());
    RunFor(1500);
    EXPECT_EQ(form.Image.DisplayState, dsCdRom);
    EXPECT_TRUE(commands.CDInfoItem->isEnabled()); // a data disc's properties can be shown
    for (Command* a : {commands.PlayBtn, commands.TypeNormItem, commands.ProgSetItem, commands.CDInfoSaveItem})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(form.TypeLabel->isVisibleTo(&form));

    device.RemoveDisc();
    RunFor(1500);
    device.InsertDisc(SimDisc::Audio(Tracks(3)));
    RunFor(1500);
    EXPECT_EQ(form.Image.DisplayState, dsTime);
    for (Command* a : {commands.PlayBtn, commands.PrevBtn, commands.NextBtn, commands.TypeNormItem,
                       commands.TypeRandItem, commands.TypeReptItem, commands.TypeRept1Item, commands.ProgSetItem,
                       commands.CDInfoItem, commands.CDInfoSaveItem})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(commands.InputDataItem->isEnabled()); // not registered: offered registration first
    EXPECT_FALSE(commands.TypeProgItem->isEnabled()); // no program
    EXPECT_TRUE(form.MTitleBox->isEnabled());
    EXPECT_EQ(form.MTitleBox->count(), 3);
    EXPECT_TRUE(form.TypeLabel->isVisibleTo(&form));
    EXPECT_EQ(form.TypeLabel->text(), QStringLiteral("Normal"));
    EXPECT_TRUE(form.ModeLabel->isVisibleTo(&form));
    EXPECT_EQ(form.ModeLabel->text(), QStringLiteral("Pass"));
}

TEST_F(MainForm, EjectAndCloseFollowTheSettings)
{
    settings.EnableEject = true;
    StartWith(std::nullopt);
    EXPECT_TRUE(commands.EjectItem->isVisible());
    EXPECT_FALSE(commands.CloseItem->isVisible());
    EXPECT_TRUE(form.N12->isVisible());
}

TEST_F(MainForm, CtrlDigitThenDigitPlaysThatEntry)
{
    StartWith(SimDisc::Audio(Tracks(15)));
    Key(Qt::Key_1, Qt::ControlModifier);
    Key(Qt::Key_2);
    RunFor(600);
    EXPECT_EQ(player.EntryIndex, 12);
    EXPECT_TRUE(player.Started());
    EXPECT_TRUE(device.IsPlaying());
    EXPECT_EQ(player.CurrentTrack, 12);
    EXPECT_EQ(form.MTitleBox->currentIndex(), 11);
}

TEST_F(MainForm, TensStayPendingOverANonDigit)
{
    StartWith(SimDisc::Audio(Tracks(15)));
    Key(Qt::Key_1, Qt::ControlModifier);
    Key(Qt::Key_X);
    EXPECT_EQ(form.Keys.PendingTens, 10);
    EXPECT_EQ(player.EntryIndex, 1);
    Key(Qt::Key_4);
    EXPECT_EQ(player.EntryIndex, 14);
}

TEST_F(MainForm, WithShiftOnlyF5AndF6Act)
{
    StartWith(SimDisc::Audio(Tracks(4)));
    commands.TypeRandItem->setEnabled(true);
    Key(Qt::Key_F4, Qt::ShiftModifier);
    Key(Qt::Key_F7, Qt::ShiftModifier);
    Key(Qt::Key_P, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(commands.TypeNormItem->isChecked());
    EXPECT_EQ(player.TimeMode, 2);
    EXPECT_FALSE(player.Started());

    Key(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(commands.TypeRept1Item->isChecked());
    Key(Qt::Key_F6);
    EXPECT_TRUE(commands.TypeReptItem->isChecked());
    EXPECT_FALSE(commands.TypeRept1Item->isChecked());
    Key(Qt::Key_F6, Qt::ControlModifier); // repeat off
    EXPECT_FALSE(commands.TypeReptItem->isChecked());
    EXPECT_FALSE(commands.TypeRept1Item->isChecked());

    Key(Qt::Key_F7);
    EXPECT_EQ(player.TimeMode, 3);
    Key(Qt::Key_F4);
    EXPECT_TRUE(commands.TypeRandItem->isChecked());
    EXPECT_EQ(player.PlayType(), ptRandom);
}

TEST_F(MainForm, CtrlPStartsPlayingAndTheButtonsShowIt)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    EXPECT_EQ(player.PlayGlyph, QStringLiteral("Play1"));
    Key(Qt::Key_P, Qt::ControlModifier);
    RunFor(2000);
    EXPECT_TRUE(device.IsPlaying());
    EXPECT_FALSE(form.PlayButton->isEnabled());
    EXPECT_TRUE(form.PauseButton->isEnabled());
    EXPECT_TRUE(form.StopButton->isEnabled());
    // The displayed time follows the drive and is drawn into the image.
    EXPECT_EQ(form.Image.DrawnTime, QStringLiteral("01") + TimeText(0, player.ShownSeconds, form.Image.japaneseMarks));
    EXPECT_GE(player.ShownSeconds, 1);
    EXPECT_FALSE(form.TimeImageLabel->pixmap().isNull());
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(device.IsPlaying());
    EXPECT_TRUE(form.PlayButton->isEnabled());
}

TEST_F(MainForm, MediaKeysInTheWindowActAsTheDesktopsMediaControls)
{
    MediaControls media(player, words, commands);
    form.Keys.MediaKey = [&media](int key) { return media.MediaKey(key); };
    StartWith(SimDisc::Audio(Tracks(3)));
    // Sent as the window system delivers them (Qt's test keys have no media keys).
    const auto press = [this](int key, bool repeat = false) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(form.MTitleBox, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(form.MTitleBox, &up);
    };
    press(Qt::Key_MediaPlay);
    RunFor(1000);
    EXPECT_TRUE(device.IsPlaying());
    press(Qt::Key_MediaPlay); // the one play key of most keyboards pauses too
    EXPECT_TRUE(player.IsPaused());
    press(Qt::Key_MediaTogglePlayPause);
    EXPECT_FALSE(player.IsPaused());
    press(Qt::Key_MediaPause);
    EXPECT_TRUE(player.IsPaused());
    press(Qt::Key_MediaTogglePlayPause);
    press(Qt::Key_MediaNext);
    RunFor(1500);
    EXPECT_EQ(player.CurrentTrack, 2);
    press(Qt::Key_MediaPrevious);
    RunFor(1500);
    EXPECT_EQ(player.CurrentTrack, 1);
    // A key held down repeats: it counts once.
    press(Qt::Key_MediaPlay, true);
    EXPECT_TRUE(device.IsPlaying());
    press(Qt::Key_MediaStop);
    EXPECT_FALSE(player.Started());
    // Other keys go on to the program's own key handling.
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(player.Started());
}

TEST_F(MainForm, TheStatusGoesIntoTheTitleWhileTheWindowIsHidden)
{
    settings.Visible = 2; // only the lyrics window: the main window is not shown
    StartWith(std::nullopt);
    EXPECT_FALSE(form.MainShown);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Mirelune - No disc"));
    EXPECT_EQ(form.TaskTray->Tips(), form.windowTitle());

    device.InsertDisc(SimDisc::Audio(Tracks(3)));
    RunFor(1500);
    commands.PlayBtn->trigger();
    RunFor(3050);
    EXPECT_EQ(form.windowTitle(), StatusTitle(1, 0, player.ShownSeconds, QStringLiteral("Mirelune")));

    commands.MainDispItem->trigger(); // shown: the title is the caption again
    EXPECT_TRUE(form.MainShown);
    EXPECT_TRUE(commands.MainDispItem->isChecked());
    RunFor(400);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Mirelune"));
}

TEST_F(MainForm, TypeLabelColourFollowsTheRepeatMode)
{
    settings.ReptColor = 0x0000FF;  // red
    settings.Rept1Color = 0xFF0000; // blue
    StartWith(SimDisc::Audio(Tracks(3)));
    auto colour = [&] { return form.TypeLabel->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(), QColor(0, 255, 255));
    commands.TypeReptItem->trigger();
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    commands.TypeRept1Item->trigger();
    EXPECT_EQ(colour(), QColor(0, 0, 255));
    QTest::mouseClick(form.TypeLabel, Qt::LeftButton, Qt::ShiftModifier); // repeat one -> off
    EXPECT_EQ(colour(), QColor(0, 255, 255));
    QTest::mouseClick(form.ModeLabel, Qt::LeftButton);
    EXPECT_EQ(player.TimeMode, 3);
}

TEST_F(MainForm, ExitCaptionWithShiftAndWhatClosingDoesWithPlayback)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    commands.PlayBtn->trigger();
    RunFor(1000);

    form.shift = true;
    emit form.DiscMenu->aboutToShow();
    EXPECT_EQ(commands.ExitItem->text(), QStringLiteral("演奏を停止せずに終了(&X)"));
    EXPECT_TRUE(form.ExitTag());
    form.shift = false;
    emit form.DiscMenu->aboutToShow();
    EXPECT_EQ(commands.ExitItem->text(), QStringLiteral("終了(&X)"));
    form.PlayOnExit = true;
    form.shift = true;
    emit form.DiscMenu->aboutToShow();
    EXPECT_EQ(commands.ExitItem->text(), QStringLiteral("演奏を停止して終了(&X)"));
    form.shift = false;

    // The exit item with the tag inverts PlayOnExit (on): playback stops.
    commands.ExitItem->trigger();
    EXPECT_EQ(exits, QList<bool>{false});
    EXPECT_TRUE(QFile::exists(settings.IniPath)); // the window's place was saved
}

TEST_F(MainForm, ClosingWithShiftKeepsPlayingAndAWindowCloseIgnoresTheTag)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    commands.PlayBtn->trigger();
    RunFor(1000);
    form.shift = true;
    emit form.DiscMenu->aboutToShow(); // tag set, then the window's own close button
    form.shift = false;
    form.close();
    EXPECT_EQ(exits, QList<bool>{false}); // PlayOnExit off, no Shift: the tag does not count
}

TEST_F(MainForm, ClosingWithShiftHeldPlaysOn)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    commands.PlayBtn->trigger();
    RunFor(1000);
    form.shift = true;
    form.close();
    EXPECT_EQ(exits, QList<bool>{true});
}

TEST_F(MainForm, ClosingWhileStoppedLeavesTheDriveAlone)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    form.close();
    EXPECT_TRUE(exits.isEmpty());
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(settings.IniPath, saved));
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("Visible"), -1), 3);
}

TEST_F(MainForm, HideMainBarKeepsTheClientHeightAndDropsTheMenus)
{
    StartWith(std::nullopt);
    const int clientHeight = form.centralWidget()->height();
    EXPECT_EQ(form.minimumHeight(), form.maximumHeight()); // only the width can change
    EXPECT_TRUE(form.menuBar()->isVisibleTo(&form));
    settings.HideMainBar = true;
    form.ApplyWindowSettings();
    EXPECT_FALSE(form.menuBar()->isVisibleTo(&form));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.maximumHeight(), form.minimumHeight());
    form.resize(form.width() + 40, form.height());
    EXPECT_EQ(form.centralWidget()->height(), clientHeight);
    settings.ShowDriveName = true;
    form.DriveDisplayName = QStringLiteral("/dev/sr0");
    form.ApplyWindowSettings();
    EXPECT_EQ(form.Caption, QStringLiteral("Mirelune - /dev/sr0"));
}

TEST_F(MainForm, StayOnTopFollowsTheItemUnlessHeld)
{
    StartWith(std::nullopt);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    Key(Qt::Key_F8);
    EXPECT_TRUE(form.Windows.StayOnTop);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    {
        const WindowStack::Hold hold(form.Windows);
        commands.StayOnTopItem->trigger();
        EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
        form.Windows.SkipOnce();
    } // the hold's end reasserts, which the skip takes
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.Windows.SkipOwed());
    form.ApplyStayOnTop();
    EXPECT_FALSE(form.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(MainForm, TheTrackListSelectsAndTheWidthGrowsOnlyTheStretchingParts)
{
    StartWith(SimDisc::Audio(Tracks(5)));
    EXPECT_TRUE(form.MTitleBox->itemText(2).startsWith(QStringLiteral("03: ")));
    emit form.MTitleBox->activated(2);
    RunFor(400);
    EXPECT_EQ(player.EntryIndex, 3);
    EXPECT_TRUE(player.Started());

    const QRect box = form.MTitleBox->geometry(), play = form.PlayButton->geometry();
    const QRect mode = form.ModeLabel->geometry();
    form.resize(form.width() + 50, form.height());
    EXPECT_EQ(form.MTitleBox->width(), box.width() + 50);
    EXPECT_EQ(form.PlayButton->x(), play.x() + 50);
    EXPECT_EQ(form.ModeLabel->geometry(), mode);
}

TEST_F(MainForm, TheTrayIconsLeftButtonTogglesTheWindow)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    EXPECT_TRUE(form.MainShown);
    emit form.TaskTray->OnTrayClick(Qt::LeftButton);
    EXPECT_FALSE(form.MainShown);
    EXPECT_FALSE(commands.MainDispItem->isChecked());
    emit form.TaskTray->OnTrayClick(Qt::RightButton); // the right button only opens the menu
    EXPECT_FALSE(form.MainShown);
    emit form.TaskTray->OnTrayClick(Qt::LeftButton);
    EXPECT_TRUE(form.MainShown);
}

TEST_F(MainForm, TheHelpItemShowsTheHelpPagesInTheProgramsOwnWindow)
{
    QFile page(dir.filePath(QStringLiteral("help.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body><h1 id=\"main\">Help</h1></body></html>");
    page.close();
    form.HelpFile = page.fileName();
    StartWith(std::nullopt);
    // F1 in the main window, as the item does.
    Key(Qt::Key_F1);
    auto* help = form.findChild<QWidget*>(QStringLiteral("HelpWindow"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    auto* browser = help->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source(), QUrl::fromLocalFile(page.fileName()));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Help")));
    // Escape closes it.
    QTest::keyClick(browser, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

TEST_F(MainForm, APressOnNextSkipsAndAKeyReleaseEndsAHeldSeek)
{
    StartWith(SimDisc::Audio(Tracks(4)));
    // The mouse: pressed, released over the button, the jump 800 ms later.
    QTest::mousePress(form.NextButton, Qt::LeftButton);
    EXPECT_TRUE(player.ButtonHeld);
    QTest::mouseRelease(form.NextButton, Qt::LeftButton);
    EXPECT_FALSE(player.ButtonHeld);
    RunFor(1200);
    EXPECT_EQ(player.EntryIndex, 2);

    // Ctrl+N held down: the release of the key, any key, ends the press.
    QTest::keyPress(form.MTitleBox, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(player.ButtonHeld);
    QTest::keyRelease(form.MTitleBox, Qt::Key_Control);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.ButtonHeld; }, 1000));
    RunFor(1200);
    EXPECT_EQ(player.EntryIndex, 3);

    // X repeats a held key as release and press pairs, not always marked as repeats:
    // they neither end the held seek nor start quick skips.
    QTest::keyPress(form.MTitleBox, Qt::Key_N, Qt::ControlModifier);
    RunFor(500); // a fast seek by now
    ASSERT_TRUE(player.FastSeeking);
    for (int i = 0; i < 5; ++i) {
        QTest::keyRelease(form.MTitleBox, Qt::Key_N, Qt::ControlModifier);
        QTest::keyPress(form.MTitleBox, Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(40);
        RunFor(40);
    }
    EXPECT_TRUE(player.ButtonHeld);
    EXPECT_TRUE(player.FastSeeking);
    EXPECT_FALSE(player.SkipPending);
    QTest::keyRelease(form.MTitleBox, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.ButtonHeld; }, 1000));
    EXPECT_FALSE(player.FastSeeking);
    EXPECT_EQ(player.EntryIndex, 3); // the seek stayed within the track
}

TEST_F(MainForm, ApplyingTheSettingsAgainLeavesTheWindowsAsTheyAre)
{
    StartWith(std::nullopt);
    EXPECT_TRUE(form.MainShown);
    EXPECT_TRUE(commands.WordsDispItem->isChecked());
    settings.TimerInt = 50;
    form.ApplySettings(); // as the settings dialog's OK does
    EXPECT_TRUE(form.MainShown);
    EXPECT_TRUE(commands.MainDispItem->isChecked());
    EXPECT_TRUE(commands.WordsDispItem->isChecked());
    EXPECT_EQ(player.TimerInt, 50);
}

TEST_F(MainForm, ClosingTheTrackListWithoutAChoiceLetsTheNextReassertionThrough)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    form.show();
    commands.StayOnTopItem->trigger();
    ASSERT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    form.MTitleBox->showPopup();
    EXPECT_TRUE(form.ListDropped());
    EXPECT_TRUE(form.Windows.SkipOwed());
    form.MTitleBox->hidePopup(); // cancelled: no entry chosen
    EXPECT_FALSE(form.ListDropped());
    EXPECT_FALSE(form.Windows.SkipOwed());
    EXPECT_EQ(player.EntryIndex, 1);
    form.Windows.StayOnTop = false;
    form.ApplyStayOnTop();
    EXPECT_FALSE(form.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(MainForm, TitleAndArtistStayInsideTheirFrameWithoutTouching)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    const QString text = QStringLiteral("ミレルーン合唱団デモ");
    words.Title = text;
    words.Artist = text;
    form.ShowDiscTitle();
    form.RedrawDisplay();
    // The frame's inside, and where each label's glyphs land in the window.
    const QRect inside = form.Bevel2->geometry().adjusted(1, 1, -1, -1);
    auto glyphs = [&](QLabel* label) {
        const QFontMetrics fm = label->fontMetrics();
        return fm.tightBoundingRect(text).translated(label->x(), label->y() + fm.ascent());
    };
    for (QLabel* label : {form.TitleLabel, form.ArtistLabel}) {
        // The text is neither cut by its label nor drawn over the frame.
        const std::string name = label->objectName().toStdString();
        EXPECT_TRUE(label->geometry().contains(glyphs(label))) << name;
        EXPECT_TRUE(inside.contains(glyphs(label))) << name;
        EXPECT_LE(label->geometry().bottom(), inside.bottom()) << name;
    }
    EXPECT_LT(glyphs(form.TitleLabel).bottom(), glyphs(form.ArtistLabel).top());
}

TEST_F(MainForm, ExitWorksWhileTheMainWindowIsHidden)
{
    settings.Visible = 2; // only the lyrics window shown
    StartWith(SimDisc::Audio(Tracks(3)));
    ASSERT_FALSE(form.isVisible());
    commands.PlayBtn->trigger();
    RunFor(1000);
    QSignalSpy closed(&form, &TMainForm::Closed);
    commands.ExitItem->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(exits, QList<bool>{false});
    IniDocument saved;
    ASSERT_TRUE(ReadIniFile(settings.IniPath, saved));
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("Window"), QStringLiteral("Visible"), -1), 2);
}

// Only the lyrics window, which goes while there is nothing to show, and no icon in a
// notification area (there is none here): the main window shows, or nothing would be
// left to bring the program back.
TEST_F(MainForm, AStartThatWouldLeaveNothingOnTheScreenShowsTheMainWindow)
{
    settings.Visible = 2;
    settings.HideNoWords = true;
    settings.TaskTray = true;
    FakeWords lyrics;
    lyrics.hideNoWords = true;
    player.SetWordsView(&lyrics);
    StartWith(std::nullopt);
    EXPECT_FALSE(lyrics.shown);
    EXPECT_TRUE(form.MainShown);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(commands.MainDispItem->isChecked());
    EXPECT_TRUE(commands.WordsDispItem->isChecked());
}

TEST_F(MainForm, AStartWithNeitherWindowShowsTheMainWindow)
{
    settings.Visible = 0;
    StartWith(std::nullopt);
    EXPECT_TRUE(form.MainShown);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(commands.WordsDispItem->isChecked());
}

TEST_F(MainForm, F7LeavesTheTimeModeAloneWhileTheSettingsDialogIsUp)
{
    StartWith(SimDisc::Audio(Tracks(3)));
    QDialog config(&form);
    config.setObjectName(QStringLiteral("ConfigForm"));
    form.Windows.Add(&config);
    const int mode = player.TimeMode;
    config.show();
    Key(Qt::Key_F7);
    EXPECT_EQ(player.TimeMode, mode);
    config.hide();
    Key(Qt::Key_F7);
    EXPECT_EQ(player.TimeMode, (mode + 1) % 4);
}

TEST_F(MainForm, ASecondStartShowsTheMainWindowWhenNoWindowOfTheProgramIsShown)
{
    settings.Visible = 2; // only the lyrics window
    FakeWords lyrics;
    player.SetWordsView(&lyrics);
    StartWith(std::nullopt);
    ASSERT_TRUE(lyrics.shown);
    ASSERT_FALSE(form.isVisible());
    form.BringForward(); // the lyrics window is there: the main window stays as the user left it
    EXPECT_FALSE(form.MainShown);
    EXPECT_FALSE(form.isVisible());

    // No lyrics to show: the lyrics window goes although it is still wanted.
    lyrics.hideNoWords = true;
    RunFor(400);
    ASSERT_FALSE(lyrics.shown);
    ASSERT_TRUE(commands.WordsDispItem->isChecked());
    form.BringForward();
    EXPECT_TRUE(form.MainShown);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(commands.MainDispItem->isChecked());

    // Hidden again with Ctrl+M, and brought back again.
    Key(Qt::Key_M, Qt::ControlModifier);
    ASSERT_FALSE(form.isVisible());
    form.BringForward();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.MainShown);
}

TEST_F(MainForm, TextFieldsAndEditableListsKeepTheStandardEditingKeys)
{
    settings.EnableClose = true;
    StartWith(SimDisc::Audio(Tracks(3)));
    Key(Qt::Key_P, Qt::ControlModifier);
    RunFor(1000);
    ASSERT_TRUE(device.IsPlaying());
    QSignalSpy closes(commands.CloseItem, &Command::triggered);

    // A dialog of the program with a name field, a number field and a list of many items.
    QDialog dialog;
    auto* name = new QLineEdit(QStringLiteral("星の歌"), &dialog);
    auto* number = new QSpinBox(&dialog);
    number->setRange(10, 10000);
    number->setValue(100);
    auto* list = new QListWidget(&dialog);
    list->addItems({QStringLiteral("01"), QStringLiteral("02")});
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* layout = new QVBoxLayout(&dialog);
    for (QWidget* w : std::initializer_list<QWidget*>{name, number, list}) layout->addWidget(w);
    dialog.show();

    // Ctrl+A selects all and Ctrl+C copies; neither pauses nor closes the tray.
    name->setFocus();
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(name->selectedText(), QStringLiteral("星の歌"));
    QTest::keyClick(name, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("星の歌"));
    number->setFocus();
    QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(number, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(number, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(number->value(), 100);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedItems().size(), 2);
    RunFor(500);
    EXPECT_TRUE(device.IsPlaying());
    EXPECT_EQ(closes.count(), 0);

    // Every other key of the program still works from there: Ctrl+S stops.
    name->setFocus();
    QTest::keyClick(name, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(device.IsPlaying());

    // From a modal dialog none of them does: its keys are its own.
    dialog.hide();
    Key(Qt::Key_P, Qt::ControlModifier);
    RunFor(1000);
    ASSERT_TRUE(device.IsPlaying());
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    const bool shown = form.MainShown;
    name->setFocus();
    for (Qt::Key key : {Qt::Key_S, Qt::Key_M, Qt::Key_W}) QTest::keyClick(name, key, Qt::ControlModifier);
    RunFor(500);
    EXPECT_TRUE(device.IsPlaying());
    EXPECT_EQ(form.MainShown, shown);
    // Outside a text field Ctrl+C is the program's.
    dialog.close();
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(closes.count(), 1);
}
