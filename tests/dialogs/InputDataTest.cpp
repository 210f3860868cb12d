// The data-entry dialog offscreen, beside the main window, on the simulated drive and
// a manual clock: the three pages, the states of a capture and a test, OK's check and
// save, Cancel, and the disc going while a capture runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/common/Commands.h"
#include "core/common/TextCodec.h"
#include "core/discdata/Words.h"
#include "core/entry/EntryDraft.h"
#include "core/entry/Waveform.h"
#include "core/lyrics/WordsLine.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"
#include "ui/app/Application.h"
#include "ui/dialogs/InputData.h"
#include "ui/dialogs/WaveformStrip.h"
#include "ui/main/Help.h"
#include "ui/main/Main.h"
#include "ui/main/WidgetPresenter.h"

namespace {
// Six tracks of 60 s: track t starts at 2000 + (t - 1) * 60000 ms.
const SimDisc kDisc = SimDisc::Audio({60, 60, 60, 60, 60, 60});

class InputData : public ::testing::Test {
protected:
    InputData() : device(clock), dialog(device, clock, words, player, form, form.Windows)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        playLog.path = dir.filePath(QStringLiteral("Mirelune.log"));
        player.SeekPause = [this] { clock.Advance(10); };
        app.AttachInputData(dialog);
    }

    // A registered disc in the drive whose track 1 has n lines of own times, the dialog
    // open on track.
    void Open(int track = 1, int n = 3, const SimDisc& disc = kDisc)
    {
        Register(disc, QStringLiteral("disc"));
        const int first = words.FirstAudioTrack;
        for (int k = 1; k <= n; ++k)
            words.SetLine(first, k, TWordsLine{QStringLiteral("行%1").arg(k), 100 * k, 100 * k + 50});
        words.SetLineCount(first, n);
        words.SetSongTitle(first, QStringLiteral("最初の曲"));
        ASSERT_TRUE(words.Save(dpLyrics));
        saved = File();
        commands.InputDataItem->setEnabled(true);
        dialog.InitialTrack = track;
        player.InDataEntry = true;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
    }

    // The disc in the drive, read by the tick and registered under name.
    void Register(const SimDisc& disc, const QString& name)
    {
        device.InsertDisc(disc);
        ASSERT_TRUE(player.OpenDevice(QString()));
        player.StartTimer();
        player.TimerProc();
        RunFor(1500);
        ASSERT_FALSE(words.Register(name));
        path = words.FileName;
    }

    QByteArray File() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString FileText() const { return Cp932::Decode(File()); }
    void RunFor(uint32_t ms) { time.RunFor(ms); }
    // A key going down and up on w, stamped by a window-system clock in step with ours;
    // late: how long before its delivery the key went down.
    void Key(QWidget* w, int key, uint32_t late = 0)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(key)));
        press.setTimestamp(clock.TickCount() + 5000 - late);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(QChar(key)));
        release.setTimestamp(clock.TickCount() + 5000);
        QApplication::sendEvent(w, &release);
    }
    // A left click on w, stamped as Key stamps its keys.
    void Click(QWidget* w)
    {
        const QPointF at(w->rect().center());
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        press.setTimestamp(clock.TickCount() + 5000);
        QApplication::sendEvent(w, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        release.setTimestamp(clock.TickCount() + 5000);
        QApplication::sendEvent(w, &release);
    }
    QString Cell(int row, int column) const { return dialog.TimingList->item(row - 1, column)->text(); }
    static QStringList Enabled(std::initializer_list<QWidget*> widgets)
    {
        QStringList names;
        for (QWidget* w : widgets)
            if (w->isEnabled()) names << w->objectName();
        return names;
    }

    QTemporaryDir dir;
    ManualClock clock;
    SimDevice device;
    Settings settings;
    RecordingPresenter presenter;
    Application app{device, clock, settings};
    CommandSet& commands = app.commands;
    PlayLog& playLog = app.playLog;
    TWords& words = app.words;
    TMainForm& form = app.Form();
    PlaybackController& player = app.controller;
    TInputDataForm dialog;
    PlayerTime time{player, clock};
    QString path; // the data file
    QByteArray saved;
};
} // namespace

TEST_F(InputData, ANewDiscStartsFromTheTitlesItCarriesAndOnlyOkWritesThem)
{
    SimDisc disc = SimDisc::Audio({60, 60});
    disc.text = {
        QStringLiteral("夜の歌"), QStringLiteral("ミレルーン"), {QStringLiteral("一"), QStringLiteral("二")}, {}};
    Register(disc, QStringLiteral("night"));
    const QByteArray registered = File();
    commands.InputDataItem->setEnabled(true);
    for (bool ok : {false, true}) {
        dialog.show();
        EXPECT_EQ(dialog.TitleName->text(), QStringLiteral("夜の歌"));
        EXPECT_EQ(dialog.ArtistName->text(), QStringLiteral("ミレルーン"));
        ASSERT_EQ(dialog.MTitleList->count(), 2);
        EXPECT_EQ(dialog.MTitleList->item(1)->text(), QStringLiteral("02: 二"));
        if (!ok) {
            dialog.CancelBtn->click();
            EXPECT_EQ(File(), registered) << "Cancel wrote the offered titles";
            EXPECT_EQ(words.Title, QStringLiteral("night"));
            continue;
        }
        dialog.ArtistName->setText(QStringLiteral("Mirelune"));
        dialog.OKBtn->click();
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(words.Title, QStringLiteral("夜の歌"));
    EXPECT_EQ(words.GetSongTitle(1), QStringLiteral("一"));
    EXPECT_TRUE(FileText().contains(QStringLiteral("Title=夜の歌\r\nArtist=Mirelune\r\n"))) << FileText().toStdString();
    EXPECT_TRUE(FileText().contains(QStringLiteral("二"))) << FileText().toStdString();
}

TEST_F(InputData, TheTimingControlsFollowRestCaptureAndTest)
{
    Open();
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    const auto all = {static_cast<QWidget*>(dialog.StartBtn),    static_cast<QWidget*>(dialog.TestBtn),
                      static_cast<QWidget*>(dialog.RetBtn),      static_cast<QWidget*>(dialog.SetBtn),
                      static_cast<QWidget*>(dialog.ContSetBtn),  static_cast<QWidget*>(dialog.PrevBtn),
                      static_cast<QWidget*>(dialog.NextBtn),     static_cast<QWidget*>(dialog.MTitleBoxT),
                      static_cast<QWidget*>(dialog.TrackLabel),  static_cast<QWidget*>(dialog.AdjustEdit),
                      static_cast<QWidget*>(dialog.AdjustLabel), static_cast<QWidget*>(dialog.ReloadBtn),
                      static_cast<QWidget*>(dialog.OKBtn),       static_cast<QWidget*>(dialog.CancelBtn)};
    EXPECT_EQ(Enabled(all), (QStringList{"StartBtn", "TestBtn", "MTitleBoxT", "TrackLabel", "AdjustEdit", "AdjustLabel",
                                         "ReloadBtn", "OKBtn", "CancelBtn"}));
    EXPECT_EQ(dialog.TimingList->rowCount(), 3 + 4);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("0:02.00"));
    EXPECT_EQ(dialog.TimingList->currentRow(), 0);
    EXPECT_EQ(dialog.TimingList->currentColumn(), 1);

    dialog.StartBtn->click();
    EXPECT_EQ(dialog.StartBtn->text(), QStringLiteral("中止(&B)"));
    EXPECT_EQ(Enabled(all), (QStringList{"StartBtn", "RetBtn", "SetBtn", "ContSetBtn", "PrevBtn", "NextBtn"}));
    EXPECT_FALSE(dialog.InputDataPage->tabBar()->isEnabled());
    QTest::keyClick(dialog.SetBtn, Qt::Key_Tab, Qt::ControlModifier); // the page stays
    EXPECT_EQ(dialog.InputDataPage->currentWidget(), dialog.TimingSheet);
    dialog.close(); // refused while capturing
    EXPECT_TRUE(dialog.isVisible());
    dialog.StartBtn->click();
    EXPECT_EQ(dialog.StartBtn->text(), QStringLiteral("開始(&B)"));

    dialog.TestBtn->click();
    EXPECT_EQ(dialog.TestBtn->text(), QStringLiteral("テスト中止(&E)"));
    EXPECT_EQ(Enabled(all), (QStringList{"TestBtn", "PrevBtn", "NextBtn", "AdjustEdit", "AdjustLabel", "ReloadBtn"}));
    EXPECT_TRUE(form.Testing()); // the tick keeps the lyrics window shown
    player.TimerProc();
    EXPECT_TRUE(player.WantWords);
    // + and - nudge the adjust value from wherever the focus is.
    QTest::keyClick(dialog.TimingList, Qt::Key_Plus);
    QTest::keyClick(dialog.TimingList, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(words.GetAdjust(1), -45);
    EXPECT_EQ(dialog.AdjustEdit->value(), -45);
    QTest::keyClick(dialog.TestBtn, Qt::Key_Escape); // Escape does nothing while Cancel cannot be pressed
    EXPECT_TRUE(dialog.isVisible());
    dialog.TestBtn->click();
    EXPECT_FALSE(form.Testing());
    EXPECT_TRUE(dialog.OKBtn->isEnabled());
    QTest::keyClick(dialog.MTitleBoxT, Qt::Key_Tab, Qt::ControlModifier); // a drop-down list does not keep it
    EXPECT_EQ(dialog.InputDataPage->currentWidget(), dialog.TitleSheet);

    // A borrowing track: the source's times greyed, no capture or test, its own adjust.
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    dialog.MTitleBoxW->setCurrentIndex(2);
    dialog.CopyTrack->setCurrentIndex(dialog.CopyTrack->findText(QStringLiteral("01")));
    EXPECT_EQ(dialog.MTitleBoxT->currentIndex(), 2);
    EXPECT_FALSE(dialog.WordsEdit->isEnabled());
    EXPECT_EQ(dialog.WordsEdit->toPlainText(), QStringLiteral("行1\n行2\n行3\n"));
    EXPECT_FALSE(dialog.TimingList->isEnabled());
    EXPECT_EQ(Cell(3, 2), QStringLiteral("0:03.50"));
    EXPECT_EQ(Enabled(all), (QStringList{"MTitleBoxT", "TrackLabel", "AdjustEdit", "AdjustLabel", "ReloadBtn", "OKBtn",
                                         "CancelBtn"}));
    // A track without lines: an empty greyed grid and no adjust value.
    dialog.MTitleBoxT->setCurrentIndex(3);
    EXPECT_EQ(dialog.TimingList->rowCount(), 1);
    EXPECT_FALSE(dialog.TimingList->isEnabled());
    EXPECT_FALSE(dialog.AdjustEdit->isEnabled());
    EXPECT_FALSE(dialog.TimeText->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.MTitleBoxW->currentIndex(), 3);
}

TEST_F(InputData, KeysStampOnTheWayDownAndTheCursorKeepsTheFifthRow)
{
    Open(1, 9);
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    dialog.StartBtn->click();
    ASSERT_TRUE(dialog.Capturing());
    EXPECT_EQ(QApplication::focusWidget(), dialog.SetBtn);
    clock.Advance(1234);
    Key(dialog.SetBtn, Qt::Key_Space);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("0:01.23"));
    clock.Advance(1000);
    Key(dialog.SetBtn, Qt::Key_Space, 40); // handled 40 ms after it went down
    EXPECT_NEAR(words.GetLine(1, 1).EndTime, 219, 1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(dialog.SetBtn, &repeat); // a held key stamps once
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 200);
    for (int press = 0; press < 7; ++press) {
        clock.Advance(500);
        Click(dialog.ContSetBtn);
    }
    // Continuous set: each end also starts the next line; the cursor is on line 8's end.
    EXPECT_EQ(Cell(7, 2), Cell(8, 1));
    EXPECT_EQ(dialog.TimingList->currentRow(), 7);
    EXPECT_EQ(dialog.TimingList->currentColumn(), 2);
    EXPECT_EQ(dialog.TimingList->verticalScrollBar()->value(), 3); // line 8 is the fifth row in view
    // The mouse cannot move the cursor during a capture; Ctrl+Z takes the last stamp back.
    QTest::mouseClick(dialog.TimingList->viewport(), Qt::LeftButton, {},
                      dialog.TimingList->visualItemRect(dialog.TimingList->item(4, 1)).center());
    EXPECT_EQ(dialog.TimingList->currentRow(), 7);
    QTest::keyClick(dialog.SetBtn, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(7, 2), QStringLiteral("0:07.50"));
    EXPECT_EQ(Cell(8, 1), QStringLiteral("0:08.00"));
    EXPECT_EQ(dialog.TimingList->currentRow(), 6);
}

TEST_F(InputData, SpaceAndEnterStampWhereverTheFocusIsAndAClickedButtonGivesItBackToSet)
{
    Open(1, 6);
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    dialog.StartBtn->click();
    ASSERT_TRUE(dialog.Capturing());
    // Keys as the user presses them: to whichever widget has the focus.
    const auto press = [this](Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : static_cast<QWidget*>(&dialog), key);
    };
    clock.Advance(1000);
    press(Qt::Key_Space); // start of line 1
    clock.Advance(500);
    QTest::mouseClick(dialog.ContSetBtn, Qt::LeftButton); // end of 1 and start of 2 together
    EXPECT_EQ(words.GetLine(1, 1).EndTime, 150);
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 150);
    EXPECT_EQ(QApplication::focusWidget(), dialog.SetBtn);
    clock.Advance(500);
    press(Qt::Key_Space); // the end of line 2 alone, not glued to the start of line 3
    EXPECT_EQ(words.GetLine(1, 2).EndTime, 200);
    EXPECT_EQ(words.GetLine(1, 3).StartTime, 300);
    EXPECT_EQ(dialog.TimingList->currentRow(), 2);
    EXPECT_EQ(dialog.TimingList->currentColumn(), 1);

    // Held with the mouse, 早送り runs ahead; Space stamps where the seek stands.
    clock.Advance(250);
    QTest::mousePress(dialog.NextBtn, Qt::LeftButton);
    ASSERT_TRUE(dialog.Capture.Seeking);
    clock.Advance(101);
    dialog.Capture.SeekStep(); // one step of a second: 2.50 s + 1 s
    press(Qt::Key_Space);
    EXPECT_EQ(words.GetLine(1, 3).StartTime, 325);
    EXPECT_TRUE(dialog.Capture.Seeking) << "Space started or ended a seek";
    QTest::mouseRelease(dialog.NextBtn, Qt::LeftButton);
    EXPECT_FALSE(dialog.Capture.Seeking);
    EXPECT_EQ(QApplication::focusWidget(), dialog.SetBtn);
    clock.Advance(700);
    press(Qt::Key_Return);
    EXPECT_EQ(words.GetLine(1, 3).EndTime, 395);
    // Tabbed onto another button, Space and Enter still stamp one slot each.
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Enter}) {
        dialog.ContSetBtn->setFocus(Qt::TabFocusReason);
        clock.Advance(100);
        press(key);
    }
    EXPECT_EQ(words.GetLine(1, 4).StartTime, 405);
    EXPECT_EQ(words.GetLine(1, 4).EndTime, 415);
    EXPECT_EQ(words.GetLine(1, 5).StartTime, 500);
    EXPECT_TRUE(dialog.Capturing());

    // Help opened during the capture comes up beside it: the next Space still stamps.
    Click(dialog.HelpBtn);
    QCoreApplication::processEvents();
    ASSERT_TRUE(Help::Window() && Help::Window()->isVisible());
    clock.Advance(100);
    press(Qt::Key_Space);
    EXPECT_EQ(words.GetLine(1, 5).StartTime, 425);
    Help::Window()->close();
    QApplication::setActiveWindow(&dialog);

    // The track ends and the capture with it, while the user still presses: for a moment
    // Space and Enter do nothing (no OK, no new capture), and the page no longer says
    // they stamp.
    clock.Advance(60000);
    dialog.Capture.TimingTimerProc();
    ASSERT_FALSE(dialog.Capturing());
    EXPECT_FALSE(dialog.KeyHelpLabel->text().contains(QStringLiteral("Space/Enter")));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter, Qt::Key_Space}) {
        clock.Advance(100);
        press(key);
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.Capturing());
    EXPECT_EQ(File(), saved);
    EXPECT_EQ(words.GetLine(1, 5).StartTime, 425);
    // Later, Enter on a time cell not being edited opens it rather than pressing OK.
    clock.Advance(2000);
    dialog.TimingList->setFocus();
    dialog.TimingList->setCurrentCell(0, 1);
    press(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget())) << "the cell's editor is open";
    press(Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(File(), saved);
}

TEST_F(InputData, EnterWalksDownTheTitlesAndOkSavesThemOnADiscWithADataTrackFirst)
{
    Open(2, 1, SimDisc::DataFirst(30, {60, 60, 60}));
    ASSERT_EQ(dialog.MTitleList->count(), 3);
    EXPECT_EQ(dialog.MTitleList->item(0)->text(), QStringLiteral("02: 最初の曲"));
    EXPECT_EQ(dialog.MTitleList->currentRow(), 0);
    EXPECT_EQ(dialog.TrackNumber->text(), QStringLiteral("トラック 02(&N):"));
    dialog.TitleName->setText(QStringLiteral("新しい盤"));
    dialog.MTitleName->setFocus();
    EXPECT_FALSE(dialog.OKBtn->isDefault());
    dialog.MTitleName->setText(QStringLiteral("一曲目"));
    QTest::keyClick(dialog.MTitleName, Qt::Key_Return);
    EXPECT_EQ(dialog.MTitleList->currentRow(), 1);
    EXPECT_EQ(dialog.TrackNumber->text(), QStringLiteral("トラック 03(&N):"));
    dialog.MTitleName->setText(QStringLiteral("二曲目"));
    QTest::keyClick(dialog.MTitleName, Qt::Key_Return);
    EXPECT_EQ(dialog.MTitleBoxW->itemText(1), QStringLiteral("03: 二曲目"));
    dialog.MTitleName->setText(QStringLiteral("三曲目"));
    EXPECT_TRUE(dialog.MTitleName->selectedText().isEmpty());
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(dialog.MTitleName, Qt::Key_Return); // the last track: OK
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.ClosedByOk);
    EXPECT_EQ(words.Title, QStringLiteral("新しい盤"));
    EXPECT_EQ(words.GetSongTitle(4), QStringLiteral("三曲目"));
    const QString text = FileText();
    EXPECT_TRUE(text.contains(QStringLiteral("Title=新しい盤\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("02=一曲目\r\n03=二曲目\r\n04=三曲目\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("\r\n01=")));
    EXPECT_EQ(form.TitleLabel->text(), QStringLiteral("新しい盤"));
    EXPECT_EQ(player.TrackItems.first(), QStringLiteral("02: 一曲目"));
}

TEST_F(InputData, LyricsOfUpTo127LinesFromTheMemoOrAFile)
{
    Open(1, 2);
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    // A new first line: the texts move down, each with its times.
    dialog.WordsEdit->setFocus();
    dialog.WordsEdit->setPlainText(QStringLiteral("前奏\n行1\n行2\n"));
    dialog.WordsEdit->document()->setModified(true);
    dialog.CopyTrack->setFocus(); // leaving the memo stores it
    EXPECT_EQ(words.GetLineCount(1), 3);
    EXPECT_EQ(words.GetLine(1, 2).Text, QStringLiteral("行1"));
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 100);
    EXPECT_EQ(dialog.TimingList->item(2, 0)->text(), QStringLiteral("行2"));

    // 128 lines are refused: the message, the memo keeps its text and the focus, the
    // track keeps its lines, and the track cannot change until the text is shortened.
    QStringList lines;
    for (int k = 1; k <= 128; ++k) lines << QString::number(k);
    dialog.WordsEdit->setFocus();
    dialog.WordsEdit->setPlainText(lines.join(QLatin1Char('\n')));
    dialog.WordsEdit->document()->setModified(true);
    dialog.MTitleBoxW->setCurrentIndex(1);
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text, QStringLiteral("歌詞は最大127行までしか入力できません。"));
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("歌詞行数オーバー"));
    EXPECT_EQ(dialog.MTitleBoxW->currentIndex(), 0);
    EXPECT_EQ(words.GetLineCount(1), 3);
    EXPECT_TRUE(dialog.WordsEdit->toPlainText().startsWith(QStringLiteral("1\n2\n")));
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason); // the message box takes the focus
    QApplication::sendEvent(dialog.WordsEdit, &away);
    EXPECT_EQ(presenter.shown.size(), 1);
    dialog.OKBtn->click(); // OK does not close over it either
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(presenter.shown.size(), 2);
    lines.removeLast();
    dialog.WordsEdit->setPlainText(lines.join(QLatin1Char('\n')));
    dialog.WordsEdit->document()->setModified(true);
    dialog.MTitleBoxW->setCurrentIndex(1);
    EXPECT_EQ(words.GetLineCount(1), 127);
    EXPECT_EQ(dialog.MTitleBoxT->currentIndex(), 1);

    // A file in code page 932 replaces the memo of the track shown, its lines stored.
    const QString path = dir.filePath(QStringLiteral("words.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Cp932::Encode(QStringLiteral("春の歌\r\n夏の歌\r\n")));
    file.close();
    dialog.ReadWordsFile(path);
    EXPECT_EQ(words.GetLineCount(2), 2);
    EXPECT_EQ(words.GetLine(2, 2).Text, QStringLiteral("夏の歌"));
    EXPECT_EQ(dialog.WordsEdit->toPlainText(), QStringLiteral("春の歌\n夏の歌\n"));

    // A line of just "***" would end the track's lyrics when the file is read again,
    // losing the lines after it: refused like a 128th line, the cursor put on it.
    dialog.WordsEdit->setFocus();
    dialog.WordsEdit->setPlainText(QStringLiteral("春の歌\n***\n秋の歌\n"));
    dialog.WordsEdit->document()->setModified(true);
    dialog.CopyTrack->setFocus();
    ASSERT_EQ(presenter.shown.size(), 3);
    EXPECT_EQ(presenter.shown[2].caption, QStringLiteral("歌詞入力エラー"));
    EXPECT_EQ(words.GetLineCount(2), 2);
    EXPECT_EQ(QApplication::focusWidget(), dialog.WordsEdit);
    EXPECT_EQ(dialog.WordsEdit->textCursor().blockNumber(), 1);
    // Turning the page does not leave such lyrics behind: one message, and the page stays.
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(presenter.shown.size(), 4);
    EXPECT_EQ(dialog.InputDataPage->currentWidget(), dialog.WordsSheet);
    EXPECT_EQ(QApplication::focusWidget(), dialog.WordsEdit);
    dialog.WordsEdit->setPlainText(QStringLiteral("春の歌\n**\n秋の歌\n"));
    dialog.WordsEdit->document()->setModified(true);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(presenter.shown.size(), 4);
    EXPECT_EQ(dialog.InputDataPage->currentWidget(), dialog.TimingSheet);
    EXPECT_EQ(words.GetLineCount(2), 3);
    EXPECT_EQ(dialog.TimingList->item(2, 0)->text(), QStringLiteral("秋の歌"));
}

TEST_F(InputData, TimesFollowTheirLinesThroughAnEditAndTheTimingPageShowsThemBeforeOk)
{
    Open(1, 4);
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    // A forgotten first line typed in, line 2 mended, line 3 deleted.
    dialog.WordsEdit->setFocus();
    dialog.WordsEdit->setPlainText(QStringLiteral("前奏\n行1\n行2です\n行4\n"));
    dialog.WordsEdit->document()->setModified(true);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Tab, Qt::ControlModifier); // on to the timing page
    ASSERT_EQ(dialog.InputDataPage->currentWidget(), dialog.TimingSheet);
    const QStringList shown = {"前奏 0:00.00 0:00.00", "行1 0:01.00 0:01.50", "行2です 0:02.00 0:02.50",
                               "行4 0:04.00 0:04.50"};
    ASSERT_EQ(dialog.TimingList->rowCount(), 4 + 4);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(QStringList({Cell(k, 0), Cell(k, 1), Cell(k, 2)}).join(QLatin1Char(' ')), shown[k - 1]);
    EXPECT_EQ(File(), saved); // shown, not yet written

    dialog.OKBtn->click();
    ASSERT_FALSE(dialog.isVisible());
    for (const char* line : {"001=0,0,前奏", "002=100,150,行1", "003=200,250,行2です", "004=400,450,行4"})
        EXPECT_TRUE(FileText().contains(QString::fromUtf8(line))) << line << "\n" << FileText().toStdString();

    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    // 行1's start moved; then the line is cut and pasted two lines down: it keeps its
    // times where it goes, and undo still takes the move back.
    dialog.TimingList->setFocus();
    dialog.TimingList->setCurrentCell(1, 1);
    QTest::keyClick(dialog.TimingList, Qt::Key_Right, Qt::AltModifier);
    ASSERT_EQ(Cell(2, 1), QStringLiteral("0:01.01"));
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    dialog.WordsEdit->setFocus();
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Down);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Down);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Down);
    QTest::keyClick(dialog.WordsEdit, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(dialog.WordsEdit->toPlainText(), QStringLiteral("前奏\n行2です\n行4\n行1\n"));
    QTest::keyClick(dialog.WordsEdit, Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(dialog.InputDataPage->currentWidget(), dialog.TimingSheet);
    const QStringList moved = {"前奏 0:00.00 0:00.00", "行2です 0:02.00 0:02.50", "行4 0:04.00 0:04.50",
                               "行1 0:01.01 0:01.50"};
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(QStringList({Cell(k, 0), Cell(k, 1), Cell(k, 2)}).join(QLatin1Char(' ')), moved[k - 1]);
    QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(4, 1), QStringLiteral("0:01.00"));
    EXPECT_EQ(words.GetLine(1, 4).StartTime, 100);
    presenter.answers = {IdYes};
    dialog.CancelBtn->click();
}

TEST_F(InputData, OkRefusesContradictingTimesAndShowsTheCell)
{
    Open(1, 3);
    for (int k = 1; k <= 9; ++k) words.SetLine(5, k, TWordsLine{QStringLiteral("五%1").arg(k), 0, 0});
    words.SetLine(5, 8, TWordsLine{QStringLiteral("五8"), 2000, 3000});
    words.SetLine(5, 9, TWordsLine{QStringLiteral("五9"), 2900, 3100});
    words.SetLineCount(5, 9);
    dialog.TitleName->setText(QStringLiteral("変えた"));
    dialog.OKBtn->click();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("トラック 05 のタイミングに、矛盾した時刻値が設定されている箇所があります。"));
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("タイミング矛盾エラー"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.InputDataPage->currentWidget(), dialog.TimingSheet);
    EXPECT_EQ(dialog.MTitleBoxT->currentIndex(), 4);
    EXPECT_EQ(dialog.MTitleBoxW->currentIndex(), 4);
    EXPECT_EQ(dialog.TimingList->currentRow(), 7);
    EXPECT_EQ(dialog.TimingList->currentColumn(), 2);
    EXPECT_EQ(dialog.TimingList->verticalScrollBar()->value(), 3);
    EXPECT_EQ(File(), saved);

    // Mended in the grid, OK saves.
    dialog.TimingList->item(8, 1)->setText(QStringLiteral("3000"));
    EXPECT_EQ(words.GetLine(5, 9).StartTime, 3000);
    dialog.OKBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(FileText().contains(QStringLiteral("009=3000,3100,五9")));
}

TEST_F(InputData, CancelAndTheCloseBoxDiscardEverythingAndReloadReadsTheFileAgain)
{
    Open(1, 3);
    auto edit = [this] {
        dialog.TitleName->setText(QStringLiteral("捨てる"));
        words.SetLine(1, 1, TWordsLine{QStringLiteral("変更"), 1, 2});
        words.SetAdjust(1, 300);
        dialog.CopyTrack->setCurrentIndex(dialog.CopyTrack->findText(QStringLiteral("02")));
    };
    edit();
    EXPECT_EQ(words.GetCopyTrack(1), 2);
    presenter.answers = {IdYes}; // Reload asks first
    dialog.ReloadBtn->click();
    EXPECT_EQ(dialog.TitleName->text(), words.Title);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("行1"));
    EXPECT_EQ(words.GetCopyTrack(1), 0);
    EXPECT_EQ(words.GetLineCount(1), 3);

    edit();
    presenter.answers = {IdYes}; // no draft is kept here: Cancel asks whether to drop the edits
    dialog.CancelBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.ClosedByCancel);
    EXPECT_EQ(words.GetLine(1, 1).StartTime, 100);
    EXPECT_EQ(words.GetAdjust(1), 0);
    EXPECT_EQ(words.GetCopyTrack(1), 0);
    EXPECT_EQ(File(), saved);

    dialog.show();
    edit();
    presenter.answers = {IdYes};
    dialog.close(); // the close box is a Cancel
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.ClosedByCancel);
    EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("行1"));
    EXPECT_EQ(words.GetAdjust(1), 0);
    EXPECT_EQ(File(), saved);
}

TEST_F(InputData, ADiscThatGoesDuringACaptureCancelsTheDialogAndSavesNoStamp)
{
    Open(1, 3);
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    dialog.StartBtn->click();
    clock.Advance(700);
    Key(dialog.SetBtn, Qt::Key_Space);
    QTest::mousePress(dialog.NextBtn, Qt::LeftButton); // a fast seek under way
    ASSERT_TRUE(dialog.Capture.Seeking);
    device.RemoveDisc();
    RunFor(1500); // the tick finds the drive empty and unloads the disc
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.ClosedByCancel);
    EXPECT_FALSE(dialog.Capturing());
    EXPECT_FALSE(dialog.Capture.Seeking);
    EXPECT_EQ(words.GetLine(1, 1).StartTime, 100); // read back from the file
    EXPECT_FALSE(FileText().contains(QStringLiteral("001=70,")));
    EXPECT_TRUE(FileText().contains(QStringLiteral("001=100,150,行1")));
}

TEST_F(InputData, TheMenuItemOpensTheDialogOnTheCurrentTrackWithTheDriveLeftToIt)
{
    Open(1, 3);
    dialog.hide();
    player.InDataEntry = false;
    player.SelectEntry(2);
    ASSERT_TRUE(device.IsPlaying());
    bool inside = false;
    QTimer::singleShot(0, &dialog, [&] {
        inside = true;
        EXPECT_TRUE(player.InDataEntry);
        EXPECT_FALSE(device.IsPlaying());
        EXPECT_EQ(dialog.MTitleBoxW->currentIndex(), 1);
        commands.InputDataItem->trigger(); // a second opening does nothing
        dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
        dialog.MTitleBoxT->setCurrentIndex(0);
        dialog.StartBtn->click();
        clock.Advance(500);
        Key(dialog.SetBtn, Qt::Key_Return);
        dialog.StartBtn->click();
        dialog.OKBtn->click();
    });
    commands.InputDataItem->trigger();
    EXPECT_TRUE(inside);
    EXPECT_FALSE(player.InDataEntry);
    EXPECT_TRUE(FileText().contains(QStringLiteral("001=50,150,行1")));
    EXPECT_FALSE(device.IsPlaying());
}

TEST_F(InputData, OnlyTheTimesOfLinesCanBeChosenAndATestPlaysFromTheChosenOne)
{
    Open(1, 3);
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    QTableWidget* grid = dialog.TimingList;
    grid->setFocus();
    auto click = [grid](int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, column)).center());
    };
    auto chosen = [grid] { return std::pair{grid->currentRow(), grid->currentColumn()}; };
    click(1, 2); // the end of line 2
    EXPECT_EQ(chosen(), std::pair(1, 2));
    // A lyrics text, a row below the last line, or the keys leading there choose nothing:
    // the time chosen before stays chosen.
    click(2, 0);
    EXPECT_EQ(chosen(), std::pair(1, 2));
    click(4, 1);
    EXPECT_EQ(chosen(), std::pair(1, 2));
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(chosen(), std::pair(1, 1));
    for (int i = 0; i < 3; ++i) QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(chosen(), std::pair(2, 1));
    EXPECT_TRUE(grid->item(2, 1)->isSelected());
    // The time being typed stands on the right, as the cell shows it.
    QTest::keyClick(grid, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), grid->item(2, 1)->text());
    EXPECT_TRUE(editor->alignment() & Qt::AlignRight);
    QTest::keyClick(editor, Qt::Key_Escape);

    click(1, 0);
    dialog.TestBtn->click(); // from line 3's start, 3.00 s into the track
    EXPECT_EQ(device.HeadMs(), 2000 + 3000);
    dialog.TestBtn->click();
}

TEST_F(InputData, AnLrcFileGivesTheTrackItsLinesTimesAndAdjustInTimeForTheLyricsWindow)
{
    Open(1, 2);
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    dialog.MTitleBoxW->setCurrentIndex(1); // track 2, untitled, 60 s
    ASSERT_TRUE(dialog.LrcReadBtn->isEnabled());
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    dialog.ReadLrcFile(write(QStringLiteral("a.lrc"), "\xEF\xBB\xBF[ti:二曲目]\r\n[offset:+500]\r\n"
                                                      "[00:20.00]後の行\r\n[00:05.00]前の行\r\n[00:08.00]\r\n"));
    EXPECT_TRUE(presenter.shown.isEmpty());
    ASSERT_EQ(words.GetLineCount(2), 2);
    EXPECT_EQ(words.GetLine(2, 1).StartTime, 500);
    EXPECT_EQ(words.GetLine(2, 1).EndTime, 800);
    EXPECT_EQ(words.GetLine(2, 2).EndTime, 6050); // the track's end, in the corrected times
    EXPECT_EQ(words.GetAdjust(2), -50);
    EXPECT_EQ(dialog.WordsEdit->toPlainText(), QStringLiteral("前の行\n後の行\n"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("0:05.00"));
    EXPECT_EQ(dialog.AdjustEdit->value(), -50);
    EXPECT_EQ(dialog.MTitleList->item(1)->text(), QStringLiteral("02: 二曲目"));

    // The lyrics window shows the lines half a second early, as the offset says; a
    // nudge of the adjust value moves them.
    auto shown = [&](int32_t ms) {
        WordsInput in;
        in.Active = in.Testing = true;
        in.CurrentTrack = 2;
        in.DevicePosition = [&] { return words.SongStart(2) + ms; };
        return ChooseWords(words, in).Line;
    };
    EXPECT_EQ(shown(4500), QString());
    EXPECT_EQ(shown(4510), QStringLiteral("前の行"));
    EXPECT_EQ(shown(7600), QString());
    EXPECT_EQ(shown(59990), QStringLiteral("後の行"));
    dialog.AdjustEdit->setValue(-40);
    EXPECT_EQ(shown(4510), QString());
    EXPECT_EQ(shown(4610), QStringLiteral("前の行"));

    // More than 127 lines: the first 127, and the user is told.
    QByteArray many;
    for (int k = 1; k <= 129; ++k)
        many += QStringLiteral("[%1:%2.00]line %3\n")
                    .arg(k / 60, 2, 10, QLatin1Char('0'))
                    .arg(k % 60, 2, 10, QLatin1Char('0'))
                    .arg(k)
                    .toUtf8();
    dialog.ReadLrcFile(write(QStringLiteral("many.lrc"), many));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("歌詞行数オーバー"));
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("残りの2行")));
    EXPECT_EQ(words.GetLineCount(2), 127);
    EXPECT_EQ(words.GetAdjust(2), 0);

    // A file without times changes nothing.
    presenter.shown.clear();
    dialog.ReadLrcFile(write(QStringLiteral("plain.lrc"), "just words\n"));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("LRC読込エラー"));
    EXPECT_EQ(words.GetLineCount(2), 127);

    // OK saves them like typed lines; a borrowing track takes none.
    dialog.OKBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(FileText().contains(QStringLiteral("02=二曲目\r\n")));
    EXPECT_TRUE(FileText().contains(QStringLiteral("[Words02]\r\nAdjust=0\r\n001=100,200,line 1\r\n")));
    dialog.show();
    dialog.MTitleBoxW->setCurrentIndex(2);
    dialog.CopyTrack->setCurrentIndex(dialog.CopyTrack->findText(QStringLiteral("01")));
    EXPECT_FALSE(dialog.LrcReadBtn->isEnabled());
}

TEST_F(InputData, TextsCodePage932CannotHoldAreToldOnceWhenOkTurnsTheFileIntoUtf8)
{
    const QString notice = QStringLiteral(
        "この文字はコードページ932で保存できないため、このファイルはUTF-8で保存されます");
    Open(1, 3);
    // Texts code page 932 holds: nothing to tell, the file stays as it is.
    dialog.ArtistName->setText(QStringLiteral("歌手"));
    dialog.OKBtn->click();
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_FALSE(File().startsWith("\xEF\xBB\xBF"));

    dialog.show();
    dialog.TitleName->setText(QStringLiteral("노래 😀"));
    dialog.OKBtn->click();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text, notice);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("データ入力"));
    EXPECT_TRUE(File().startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(words.Title, QStringLiteral("노래 😀"));

    // The file is UTF-8 now: more such text is saved without a word.
    dialog.show();
    dialog.ArtistName->setText(QStringLiteral("가수"));
    dialog.OKBtn->click();
    EXPECT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(QString::fromUtf8(File()).contains(QStringLiteral("Artist=가수")));
}

TEST_F(InputData, ImportsTellWhatWasSkippedOrMovedAndBytesThatAreNoText)
{
    Open(1, 2);
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    dialog.MTitleBoxW->setCurrentIndex(1);
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    // 0x81 is text neither in code page 932 alone nor in Windows-1252.
    dialog.ReadLrcFile(write(QStringLiteral("notes.lrc"), "[00:00.00]zero\n[chorus]\nno time\n[00:02.00]\x81\n"));
    EXPECT_EQ(words.GetLine(2, 1).StartTime, 1);
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("LRC読込"));
    for (const char* said : {"00:00.01 に置きました", "時刻の付いていない1行は読み込みませんでした (3 行目)",
                             "読めないタグのある1行は読み込みませんでした (2 行目)", "読めないバイトが1個"})
        EXPECT_TRUE(presenter.shown[0].text.contains(QString::fromUtf8(said))) << presenter.shown[0].text.toStdString();

    // A lyrics text with bytes that are no text is read, and the user told.
    dialog.ReadWordsFile(write(QStringLiteral("words.txt"), Cp932::Encode(QStringLiteral("春の歌\n")) + "\x80\n"));
    EXPECT_EQ(words.GetLine(2, 1).Text, QStringLiteral("春の歌"));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[1].caption, QStringLiteral("歌詞の読み込み"));
    EXPECT_TRUE(presenter.shown[1].text.contains(QStringLiteral("読めないバイトが1個")))
        << presenter.shown[1].text.toStdString();
}

TEST_F(InputData, OkLaysTheUsersChangesOverWhatAnotherProgramWroteMeanwhile)
{
    Open(1, 3);
    // mirelune-tool imports lyrics into track 3 and retitles and retimes track 1 while the
    // dialog is open.
    {
        CommandSet otherCommands;
        TWords other(device, otherCommands, settings);
        other.NewDisc(device.TrackCount());
        other.SetLine(3, 1, {QStringLiteral("外から"), 500, 600});
        other.SetLineCount(3, 1);
        other.SetSongTitle(1, QStringLiteral("外の題"));
        other.SetLine(1, 3, {QStringLiteral("外の行"), 300, 350});
        ASSERT_TRUE(other.Save(dpLyrics));
    }
    // The user retitles track 1 too and changes the disc's artist; track 3 is not touched.
    dialog.MTitleList->setCurrentRow(0);
    dialog.MTitleName->setText(QStringLiteral("私の題"));
    dialog.MTitleNameExit();
    dialog.ArtistName->setText(QStringLiteral("歌手"));
    dialog.OKBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    const QString text = FileText();
    EXPECT_TRUE(text.contains(QStringLiteral("[Words03]\r\nAdjust=0\r\n001=500,600,外から\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("01=私の題\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Artist=歌手\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("001=100,150,行1\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("003=300,350,外の行\r\n")));
    // Memory and the main window follow the file; the track changed on both sides is named.
    EXPECT_EQ(words.GetLine(3, 1).Text, QStringLiteral("外から"));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("トラック 01")))
        << presenter.shown[0].text.toStdString();
    EXPECT_FALSE(presenter.shown[0].text.contains(QStringLiteral("トラック 03")));

    // Opened again after another outside change, the dialog shows the file as it is now.
    {
        CommandSet otherCommands;
        TWords other(device, otherCommands, settings);
        other.NewDisc(device.TrackCount());
        other.SetSongTitle(2, QStringLiteral("二曲目"));
        ASSERT_TRUE(other.Save(dpLyrics));
    }
    dialog.show();
    EXPECT_EQ(dialog.MTitleList->item(1)->text(), QStringLiteral("02: 二曲目"));
    dialog.CancelBtn->click();
}

TEST_F(InputData, EditsOutliveADiscThatGoesInADraftTheNextOpeningOffersBack)
{
    const QString drafts = dir.filePath(QStringLiteral("drafts"));
    dialog.DraftFolder = drafts;
    Open(1, 3);
    const QString draft = DraftPath(drafts, words.DiscId);
    // Typed: within a second the draft holds it.
    dialog.TitleName->selectAll();
    QTest::keyClicks(dialog.TitleName, QStringLiteral("Live"));
    EXPECT_FALSE(QFile::exists(draft));
    EXPECT_TRUE(dialog.DraftTimer.isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(draft); }, 5000));

    // A time typed, the adjust value, text in the memo of track 2 not yet stored, and
    // then the disc goes at once: the dialog is cancelled, the draft keeps all of it.
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    dialog.TimingList->item(1, 1)->setText(QStringLiteral("210"));
    dialog.AdjustEdit->setValue(40);
    dialog.InputDataPage->setCurrentWidget(dialog.WordsSheet);
    dialog.MTitleBoxW->setCurrentIndex(1);
    QTest::keyClicks(dialog.WordsEdit, QStringLiteral("memo line"));
    ASSERT_TRUE(dialog.DraftTimer.isActive());
    presenter.shown.clear();
    device.RemoveDisc();
    RunFor(1500);
    ASSERT_FALSE(dialog.isVisible());
    EXPECT_EQ(File(), saved);
    // Said once the disc's unloading is done.
    QCoreApplication::processEvents();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("下書きとして残した")))
        << presenter.shown[0].text.toStdString();
    EntryDraft kept;
    ASSERT_EQ(ReadDraft(draft, words.DiscId, &kept), DraftState::Read);
    EXPECT_EQ(kept.Title, QStringLiteral("Live"));
    ASSERT_TRUE(kept.Memo);
    EXPECT_EQ(*kept.Memo, QStringList{QStringLiteral("memo line")});

    // The disc is back: the dialog offers the draft and shows everything as it was.
    device.InsertDisc(kDisc);
    RunFor(3000);
    ASSERT_TRUE(words.HasFile());
    presenter.shown.clear();
    player.InDataEntry = true;
    // The question is asked over the dialog once it stands on the screen, not where the
    // window in use (the main window) or none would put it.
    form.show();
    QApplication::setActiveWindow(&form);
    struct Owners : MessagePresenter {
        QList<QWidget*> owners;
        bool shown = false;
        QWidget* dialog = nullptr;
        int Show(const QString&, const QString&, unsigned) override
        {
            owners << MessageOwner();
            shown = dialog->isVisible();
            return IdYes;
        }
    } asked;
    asked.dialog = &dialog;
    SetMessagePresenter(&asked);
    dialog.show();
    QCoreApplication::processEvents();
    SetMessagePresenter(&presenter);
    ASSERT_EQ(asked.owners.size(), 1);
    EXPECT_EQ(asked.owners[0], &dialog);
    EXPECT_TRUE(asked.shown);
    EXPECT_EQ(dialog.TitleName->text(), QStringLiteral("Live"));
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 210);
    EXPECT_EQ(words.GetAdjust(1), 40);
    EXPECT_EQ(dialog.MTitleBoxW->currentIndex(), 1);
    EXPECT_EQ(dialog.WordsEdit->toPlainText(), QStringLiteral("memo line\n"));
    EXPECT_TRUE(dialog.WordsEdit->document()->isModified());

    // OK saves it all, and the draft goes.
    dialog.OKBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    const QString text = FileText();
    for (const char* part :
         {"Title=Live\r\n", "Adjust=40\r\n", "002=210,250,行2\r\n", "[Words02]\r\nAdjust=0\r\n001=0,0,memo line\r\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    EXPECT_FALSE(QFile::exists(draft));
}

TEST_F(InputData, ADraftIsKeptByCancelThrownAwayByNoOrReloadAndADamagedOneIsToldAndIgnored)
{
    const QString drafts = dir.filePath(QStringLiteral("drafts"));
    dialog.DraftFolder = drafts;
    Open(1, 3);
    const QString draft = DraftPath(drafts, words.DiscId);
    // A time moved and moved back by undo is no change: nothing to ask or keep.
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    dialog.TimingList->setFocus();
    dialog.TimingList->setCurrentCell(0, 1);
    QTest::keyClick(dialog.TimingList, Qt::Key_Right, Qt::AltModifier);
    ASSERT_EQ(words.GetLine(1, 1).StartTime, 101);
    QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(words.GetLine(1, 1).StartTime, 100);
    dialog.CancelBtn->click();
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(QFile::exists(draft));
    dialog.InputDataPage->setCurrentWidget(dialog.TitleSheet);

    // Escape, perhaps by mistake: the edit is kept and offered; No throws it away.
    dialog.show();
    dialog.ArtistName->selectAll();
    QTest::keyClicks(dialog.ArtistName, QStringLiteral("Band"));
    QTest::keyClick(dialog.ArtistName, Qt::Key_Escape); // asked, and the box's OK lets it go
    ASSERT_FALSE(dialog.isVisible());
    EXPECT_TRUE(QFile::exists(draft));
    presenter.shown.clear();
    presenter.answers = {IdNo};
    dialog.show();
    QCoreApplication::processEvents(); // asked once the dialog stands
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(dialog.ArtistName->text().isEmpty());
    EXPECT_FALSE(QFile::exists(draft));

    // Reload throws the edits away, and their draft with them.
    dialog.ArtistName->selectAll();
    QTest::keyClicks(dialog.ArtistName, QStringLiteral("Band"));
    dialog.WriteDraftNow();
    ASSERT_TRUE(QFile::exists(draft));
    presenter.answers = {IdYes};
    dialog.ReloadBtn->click();
    EXPECT_FALSE(QFile::exists(draft));
    dialog.CancelBtn->click();

    // A damaged draft is told once and left unused.
    QFile damaged(draft);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("[Draft]\r\nDiscId=" + words.DiscId.toLatin1() + "\r\n[Words01]\r\nCount=3\r\n001=1,2,x\r\n");
    damaged.close();
    presenter.shown.clear();
    for (int opening = 0; opening < 2; ++opening) {
        dialog.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(words.GetLine(1, 1).Text, QStringLiteral("行1"));
        EXPECT_EQ(dialog.ArtistName->text(), QString());
        dialog.close();
    }
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("データ入力"));
    EXPECT_TRUE(presenter.shown[0].text.contains(draft)) << presenter.shown[0].text.toStdString();
    EXPECT_EQ(File(), saved);

    // A draft of what the file holds by now (saved after all) is not offered, and goes.
    EntryDraft same;
    same.DiscId = words.DiscId;
    same.Artist = QString();
    same.Tracks[1].Adjust = 0;
    ASSERT_TRUE(WriteDraft(draft, same));
    presenter.shown.clear();
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_FALSE(QFile::exists(draft));
    dialog.close();
}

TEST_F(InputData, NoDraftIsPromisedThatWasNotWrittenAndEditsNothingHoldsAreNotDroppedUnasked)
{
    // The drafts' folder cannot be made: a file stands in its place.
    const QString drafts = dir.filePath(QStringLiteral("drafts"));
    QFile blocker(drafts);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    dialog.DraftFolder = drafts;
    Open(1, 3);
    dialog.ArtistName->selectAll();
    QTest::keyClicks(dialog.ArtistName, QStringLiteral("Band"));

    // Cancel says the edits would be lost, and No (its default) keeps the dialog.
    presenter.answers = {IdNo};
    dialog.CancelBtn->click();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_FALSE(presenter.shown[0].text.contains(QStringLiteral("下書きとして残り")))
        << presenter.shown[0].text.toStdString();
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("失われます")));
    EXPECT_TRUE(presenter.shown[0].flags & MbDefButton2);
    EXPECT_TRUE(dialog.isVisible());

    // OK cannot write the data file (a folder stands in its place) nor a draft: the
    // dialog stays open with the edits.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    presenter.shown.clear();
    dialog.OKBtn->click(); // the save's Retry box is answered Cancel
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.ArtistName->text(), QStringLiteral("Band"));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("保存エラー"));
    EXPECT_TRUE(presenter.shown[1].text.contains(QStringLiteral("閉じずにおきます")))
        << presenter.shown[1].text.toStdString();
    ASSERT_TRUE(QDir().rmdir(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(saved);
    file.close();

    // The disc goes: the dialog closes and says the edits are held in memory only.
    presenter.shown.clear();
    device.RemoveDisc();
    RunFor(1500);
    ASSERT_FALSE(dialog.isVisible());
    QCoreApplication::processEvents();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("下書きに保存できなかった")))
        << presenter.shown[0].text.toStdString();
    EXPECT_EQ(File(), saved);

    // The program's end asks before dropping them; No keeps it running.
    presenter.shown.clear();
    presenter.answers = {IdNo};
    EXPECT_FALSE(form.close());
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("終了すると失われます")));

    // The disc is back: the edits are offered from memory; restored, the drafts' folder
    // mended, a Cancel keeps them in a draft file as it says.
    device.InsertDisc(kDisc);
    RunFor(3000);
    ASSERT_TRUE(words.HasFile());
    presenter.shown.clear();
    presenter.answers = {IdYes};
    player.InDataEntry = true;
    dialog.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(dialog.ArtistName->text(), QStringLiteral("Band"));
    ASSERT_TRUE(QFile::remove(drafts));
    dialog.CancelBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    EntryDraft kept;
    ASSERT_EQ(ReadDraft(DraftPath(drafts, words.DiscId), words.DiscId, &kept), DraftState::Read);
    EXPECT_EQ(kept.Artist, QStringLiteral("Band"));
    // Nothing is left that only memory holds: the end asks nothing.
    presenter.shown.clear();
    EXPECT_TRUE(dialog.MayEnd());
    EXPECT_TRUE(presenter.shown.isEmpty());
}

TEST_F(InputData, TimesReadAsMinutesEditsAreUndoneAndCancelAndReloadAskBeforeDroppingThem)
{
    Open(1, 3);
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    // Typed in either form, the cell reads m:ss.xx; the editor stands on the right.
    dialog.TimingList->setCurrentCell(1, 1);
    dialog.TimingList->editItem(dialog.TimingList->item(1, 1));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->alignment() & Qt::AlignRight);
    editor->setText(QStringLiteral("0:02.2"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits and closes as the loop runs
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 220);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("0:02.20"));
    // Alt+Right and Shift+Alt+Left move the selected time, within its neighbours.
    dialog.TimingList->setFocus();
    dialog.TimingList->setCurrentCell(1, 2);
    QTest::keyClick(dialog.TimingList, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(words.GetLine(1, 2).EndTime, 251);
    for (int i = 0; i < 9; ++i) QTest::keyClick(dialog.TimingList, Qt::Key_Left, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(words.GetLine(1, 2).EndTime, 221); // never at or before its start
    EXPECT_EQ(Cell(2, 2), QStringLiteral("0:02.21"));

    // Ctrl+Z takes them back one by one.
    for (int i = 0; i < 3; ++i) QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(words.GetLine(1, 2).EndTime, 251);
    QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(words.GetLine(1, 2).EndTime, 250);
    EXPECT_EQ(Cell(2, 2), QStringLiteral("0:02.50"));
    QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 200);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("0:02.00"));

    // The line plays on its own, again and again while its button is down.
    dialog.LineBtn->click();
    EXPECT_TRUE(dialog.Capture.PlayingLine);
    EXPECT_TRUE(dialog.LineBtn->isChecked());
    EXPECT_FALSE(dialog.OKBtn->isEnabled());
    EXPECT_FALSE(dialog.StartBtn->isEnabled());
    EXPECT_EQ(device.HeadMs(), words.SongStart(1) + 1000);
    dialog.LineBtn->click();
    EXPECT_FALSE(dialog.Capture.PlayingLine);
    EXPECT_TRUE(dialog.OKBtn->isEnabled());

    // Typed as seconds, a time is read as seconds; what cannot be read is refused with a
    // word, and the time stays.
    const auto type = [&](int row, int column, const QString& text) {
        dialog.TimingList->setCurrentCell(row, column);
        dialog.TimingList->editItem(dialog.TimingList->item(row, column));
        auto* cell = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_TRUE(cell);
        cell->selectAll();
        QTest::keyClicks(cell, text);
        QTest::keyClick(cell, Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor commits and closes
        QCoreApplication::processEvents(); // and what it refused is said
    };
    type(2, 2, QStringLiteral("3.75"));
    EXPECT_EQ(words.GetLine(1, 3).EndTime, 375);
    EXPECT_EQ(Cell(3, 2), QStringLiteral("0:03.75"));
    presenter.shown.clear();
    for (const QString& bad : {QStringLiteral("0:75"), QStringLiteral("abc")}) {
        type(2, 2, bad);
        EXPECT_EQ(words.GetLine(1, 3).EndTime, 375) << bad.toStdString();
        EXPECT_EQ(Cell(3, 2), QStringLiteral("0:03.75")) << bad.toStdString();
    }
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("時刻の入力"));
    EXPECT_TRUE(presenter.shown[1].text.contains(QStringLiteral("「abc」"))) << presenter.shown[1].text.toStdString();
    presenter.shown.clear();

    // Unsaved: Reload and Cancel ask; No keeps the dialog and its edits.
    dialog.TimingList->setCurrentCell(0, 1);
    QTest::keyClick(dialog.TimingList, Qt::Key_Right, Qt::AltModifier);
    ASSERT_EQ(words.GetLine(1, 1).StartTime, 101);
    presenter.answers = {IdNo, IdNo};
    dialog.ReloadBtn->click();
    dialog.CancelBtn->click();
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("読み込み直しますか")));
    EXPECT_TRUE(presenter.shown[1].text.contains(QStringLiteral("保存せずに閉じますか")));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(words.GetLine(1, 1).StartTime, 101);
    presenter.answers = {IdYes};
    dialog.CancelBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    // Nothing unsaved: no question.
    presenter.shown.clear();
    dialog.show();
    dialog.ReloadBtn->click();
    dialog.CancelBtn->click();
    EXPECT_TRUE(presenter.shown.isEmpty());
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(InputData, TheWaveformComesFromTheDiscAndItsMarkersMoveTimesBetweenTheirNeighbours)
{
    // The disc's samples: loud from 1.00 s into track 1.
    struct Loud : SampleReader {
        bool ReadFrames(int32_t frame, int count, char* out) override
        {
            auto* s = reinterpret_cast<int16_t*>(out);
            for (int64_t i = 0; i < int64_t(count) * 588; ++i)
                s[2 * i] = s[2 * i + 1] = (int64_t(frame) * 588 + i) >= 3000 * 441 / 10 ? 20000 : 0;
            return true;
        }
    };
    dialog.Waveforms.Opener = [] { return std::make_unique<Loud>(); };
    Open(1, 3); // line k: k.00 s to k.50 s
    dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
    WaveformStrip* strip = dialog.Waveform;
    EXPECT_FALSE(strip->HasPeaks()); // read in the background
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip->HasPeaks(); }, 5000));
    const TrackPeaks* peaks = dialog.Waveforms.Peaks(words.DiscId, 1, words.SongStart(1), words.SongLength(1));
    ASSERT_NE(peaks, nullptr);
    EXPECT_EQ(peaks->At(99), 0);
    EXPECT_GT(peaks->At(100), 100);
    // A track without lyrics has its waveform too, never "loading" for ever.
    dialog.MTitleBoxT->setCurrentIndex(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip->HasPeaks(); }, 5000));
    dialog.MTitleBoxT->setCurrentIndex(0);
    ASSERT_TRUE(strip->HasPeaks());

    // Line 2's start dragged far right stops just before its end; the grid follows.
    const int y = strip->height() / 2;
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(strip->XOf(200), y));
    QTest::mouseMove(strip, QPoint(strip->XOf(240), y));
    const int32_t moved = strip->TimeAt(strip->XOf(240)); // the time under the pixel
    EXPECT_NEAR(moved, 240, 3);
    EXPECT_EQ(Cell(2, 1), FormatCellTime(moved));
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 200); // stored on release
    QTest::mouseMove(strip, QPoint(strip->width() - 1, y));
    EXPECT_EQ(Cell(2, 1), QStringLiteral("0:02.49")); // held at its neighbour as it goes
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(strip->width() - 1, y));
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 249);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("0:02.49"));
    // Line 3's end dragged far left stops just after its start.
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(strip->XOf(350), y));
    QTest::mouseMove(strip, QPoint(0, y));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(0, y));
    EXPECT_EQ(words.GetLine(1, 3).EndTime, 301);
    QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(dialog.TimingList, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(words.GetLine(1, 3).EndTime, 350);
    EXPECT_EQ(words.GetLine(1, 2).StartTime, 200);

    // A click away from the markers plays from there, and the cursor follows the music.
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->XOf(275), y));
    ASSERT_TRUE(dialog.Testing());
    const int32_t from = strip->TimeAt(strip->XOf(275));
    EXPECT_NEAR(from, 275, 2);
    EXPECT_EQ(device.HeadMs(), words.SongStart(1) + 10 * from);
    clock.Advance(300);
    dialog.Capture.TimingTimerProc();
    EXPECT_EQ(strip->Cursor(), from + 30);
    dialog.TestBtn->click();
    EXPECT_EQ(strip->Cursor(), -1);
}

TEST_F(InputData, TheReactionTimeOfTheSettingsComesOffTheStamps)
{
    Open(1, 3);
    dialog.hide();
    player.InDataEntry = false;
    settings.ReactionTime = 200;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.InputDataPage->setCurrentWidget(dialog.TimingSheet);
        dialog.StartBtn->click();
        clock.Advance(700);
        Key(dialog.SetBtn, Qt::Key_Return);
        dialog.StartBtn->click();
        dialog.OKBtn->click();
    });
    commands.InputDataItem->trigger();
    EXPECT_TRUE(FileText().contains(QStringLiteral("001=50,150,行1"))) << FileText().toStdString();
}

TEST(WaveformCursor, AMovingCursorLeavesTheStripAsAWholeDrawingOfIt)
{
    // Only the cursor's strips are drawn again as it moves: what the screen shows must be
    // what drawing all of it gives, with no cursor left behind.
    TrackPeaks peaks;
    peaks.Peaks.resize(6000);
    for (size_t i = 0; i < peaks.Peaks.size(); ++i) peaks.Peaks[i] = uint8_t(i * 7 % 251);
    WaveformStrip strip;
    strip.resize(400, 60);
    strip.SetPeaks(&peaks);
    strip.SetTimes({{150, 300}, {320, 500}}, 6000);
    strip.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
    for (int32_t t : {100, 104, 130, 131, 260, 200}) {
        strip.SetCursor(t);
        QApplication::processEvents();
    }
    const QImage shown = strip.screen()->grabWindow(strip.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = strip.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), whole.size());
    EXPECT_TRUE(shown == whole) << "the strip on the screen differs from a whole drawing of it";
}
