// The program editor, the disc properties and the export, opened from the main window's
// commands, offscreen, on the simulated drive and a manual clock.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/common/TextCodec.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/Words.h"
#include "core/entry/CDInfoExport.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "support/ManualClock.h"
#include "support/PlayerTime.h"
#include "support/RecordingPresenter.h"
#include "support/SimDevice.h"
#include "ui/app/Application.h"
#include "ui/dialogs/CDInfo.h"
#include "ui/dialogs/DiscDialogs.h"
#include "ui/dialogs/ProgSet.h"
#include "ui/main/Help.h"
#include "ui/main/Main.h"

namespace {

class DiscDialogsTest : public ::testing::Test {
protected:
    DiscDialogsTest() : device(clock)
    {
        settings.IniPath = dir.filePath(QStringLiteral("Mirelune.ini"));
        settings.DefaultDataFolder = dir.path() + QLatin1Char('/');
        playLog.path = dir.filePath(QStringLiteral("Mirelune.log"));
        player.SeekPause = [this] { clock.Advance(10); };
        player.Random = [this](int n) { return draws++ % n; };
        dialogs = new DiscDialogs(form.Windows, form, commands, words);
        QObject::connect(&form, &TMainForm::PlayTimeGrew, dialogs, &DiscDialogs::PlayTimeGrew);
    }

    void StartWith(const SimDisc& disc)
    {
        device.InsertDisc(disc);
        ASSERT_TRUE(player.OpenDevice(QString()));
        form.ApplySettings();
        player.StartTimer();
        player.TimerProc();
        RunFor(1500);
    }

    // The disc in the drive gets a data file with this text, and is read again.
    void Register(const SimDisc& disc, const QByteArray& text)
    {
        const QString path = dir.filePath(QStringLiteral("Disc.dat"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        ASSERT_TRUE(DiscRegistry(settings).Write(words.DiscId, QStringLiteral("Disc")));
        device.RemoveDisc();
        RunFor(1500);
        device.InsertDisc(disc);
        RunFor(1500);
        ASSERT_EQ(words.FileName, path);
    }

    void RunFor(uint32_t ms) { time.RunFor(ms); }

    // Runs the modal dialog that action opens; inside acts while it is up.
    void WhileOpen(Command* action, const std::function<void()>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            inside();
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        action->trigger();
        EXPECT_TRUE(ran);
    }

    QStringList Texts(QListWidget* list)
    {
        QStringList t;
        for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
        return t;
    }

    void Drop(ProgListBox* target, EditList source, int row)
    {
        QMimeData* data = ProgListBox::DragData(source);
        const QPoint at = row < 0 ? QPoint(5, target->viewport()->height() - 2)
                                  : target->visualItemRect(target->item(row)).center();
        // As a drag arrives: it enters the list (which makes the list the drag's target),
        // moves over it, and is dropped if the list takes it.
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->viewport(), &move);
        accepted = enter.isAccepted() && move.isAccepted();
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        if (accepted) QApplication::sendEvent(target->viewport(), &drop);
        delete data;
    }

    void Select(QListWidget* list, std::initializer_list<int> rows)
    {
        list->clearSelection();
        for (int r : rows) {
            ASSERT_LT(r, list->count());
            list->item(r)->setSelected(true);
        }
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
    PlayerTime time{player, clock};
    DiscDialogs* dialogs;
    bool accepted = false;
    int draws = 0;
};

const QByteArray kProgramFile = "[Info]\r\nTitle=Disc\r\nPlayTime=3725\r\nPlayType=2\r\nProgram=3,1\r\n"
                                "[Title]\r\n01=One\r\n02=Two\r\n03=Three\r\n04=Four\r\n";

} // namespace

TEST_F(DiscDialogsTest, ProgramEditorOnARegisteredDiscEditsSavesReloadsAndThePlayerFollows)
{
    const SimDisc disc = SimDisc::Audio({30, 40, 50, 60});
    StartWith(disc);
    Register(disc, kProgramFile);
    ASSERT_EQ(player.PlayType(), ptProgram);
    ASSERT_EQ(player.PlayList.Tracks(), (std::vector<int>{3, 1}));
    TProgSetForm& dlg = *dialogs->ProgSetForm;

    WhileOpen(commands.ProgSetItem, [&] {
        EXPECT_TRUE(dlg.isVisible());
        // Another dialog is refused while this one is open.
        commands.CDInfoItem->trigger();
        EXPECT_FALSE(dialogs->CDInfoForm->isVisible());
        EXPECT_EQ(Texts(dlg.TrackList), (QStringList{"01: One", "02: Two", "03: Three", "04: Four"}));
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"03: Three", "01: One", ""}));
        EXPECT_TRUE(dlg.ProgList->item(2)->isSelected());
        EXPECT_EQ(dlg.TotalTrackText->text(), QStringLiteral("2"));
        EXPECT_EQ(dlg.TotalTimeText->text(), FormatMinSec(80000));
        EXPECT_TRUE(dlg.SaveBtn->isEnabled() && dlg.ReloadBtn->isEnabled());

        // A double click on a track appends it; two tracks dropped on the first entry go in front.
        QListWidget* tracks = dlg.TrackList;
        const QPoint four = tracks->visualItemRect(tracks->item(3)).center();
        QTest::mouseClick(tracks->viewport(), Qt::LeftButton, Qt::NoModifier, four);
        QTest::mouseDClick(tracks->viewport(), Qt::LeftButton, Qt::NoModifier, four);
        Select(tracks, {1, 3});
        Drop(dlg.ProgList, EditList::TrackList, 0);
        EXPECT_TRUE(accepted);
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"02: Two", "04: Four", "03: Three", "01: One", "04: Four", ""}));
        EXPECT_EQ(dlg.TotalTimeText->text(), FormatMinSec(40000 + 60000 + 50000 + 30000 + 60000));
        // Two entries dragged down: only the first moves.
        Select(dlg.ProgList, {0, 1});
        Drop(dlg.ProgList, EditList::ProgList, 3);
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"04: Four", "03: Three", "01: One", "02: Two", "04: Four", ""}));
        EXPECT_TRUE(dlg.ProgList->item(3)->isSelected());
        EXPECT_TRUE(dlg.UpBtn->isEnabled() && dlg.DownBtn->isEnabled());
        // Entries dragged onto the track list are deleted; a track list never takes its own.
        Drop(dlg.TrackList, EditList::TrackList, 0);
        EXPECT_FALSE(accepted);
        Select(dlg.ProgList, {0, 4});
        Drop(dlg.TrackList, EditList::ProgList, 0);
        EXPECT_TRUE(accepted);
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"03: Three", "01: One", "02: Two", ""}));

        // Save writes the program; the player follows it at once.
        dlg.SaveBtn->click();
        QFile file(words.FileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("Program=3,1,2\r\n"));
        EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{3, 1, 2}));

        // Edits after the save are undone by Reload. The Delete key deletes the selected
        // entries as the button does; the end marker stays.
        QApplication::setActiveWindow(&dlg);
        dlg.ProgList->setFocus();
        Select(dlg.ProgList, {1, 3});
        QTest::keyClick(dlg.ProgList, Qt::Key_Delete);
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"03: Three", "02: Two", ""}));
        dlg.DelAllBtn->click();
        EXPECT_EQ(Texts(dlg.ProgList), QStringList{""});
        dlg.ReloadBtn->click();
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"03: Three", "01: One", "02: Two", ""}));

        // F1 opens the topic of the control with the focus, and skips one reassertion.
        QApplication::setActiveWindow(&dlg);
        dlg.ProgList->setFocus();
        QTest::keyClick(dlg.ProgList, Qt::Key_F1);
        EXPECT_TRUE(form.Windows.SkipOwed());
        ASSERT_NE(Help::Browser(), nullptr);
        EXPECT_EQ(Help::Browser()->source().fragment(), QStringLiteral("ctx13002"));
        dlg.HelpBtn->click();
        EXPECT_EQ(Help::Browser()->source().fragment(), QStringLiteral("ctx120"));
        Help::Window()->close();
        form.Windows.CancelSkip();
        dlg.OKBtn->click();
    });

    // A program confirmed but not saved is played until Reload brings back the saved one,
    // which is then played instead.
    WhileOpen(commands.ProgSetItem, [&] {
        dlg.AddBtn->click();
        dlg.OKBtn->click();
    });
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{3, 1, 2, 1}));
    WhileOpen(commands.ProgSetItem, [&] {
        dlg.ReloadBtn->click();
        EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{3, 1, 2}));
        // Emptied and confirmed with OK while the program plays: normal play.
        dlg.DelAllBtn->click();
        dlg.OKBtn->click();
    });
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(words.ProgramCount, 0);
    EXPECT_EQ(player.PlayType(), ptNormal);
    EXPECT_EQ(player.PlayList.Tracks(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(commands.TypeProgItem->isEnabled());
}

TEST_F(DiscDialogsTest, ProgramEditorWithoutADataFileAndWhenTheDiscGoes)
{
    StartWith(SimDisc::Audio({30, 40}));
    TProgSetForm& dlg = *dialogs->ProgSetForm;
    WhileOpen(commands.ProgSetItem, [&] {
        EXPECT_FALSE(dlg.SaveBtn->isEnabled());
        EXPECT_FALSE(dlg.ReloadBtn->isEnabled());
        EXPECT_FALSE(dlg.DelBtn->isEnabled() || dlg.DelAllBtn->isEnabled() || dlg.UpBtn->isEnabled() ||
                     dlg.DownBtn->isEnabled());
        dlg.AddBtn->click();
        dlg.AddBtn->click();
        EXPECT_EQ(Texts(dlg.ProgList), (QStringList{"01: ", "01: ", ""}));
        dlg.OKBtn->click();
    });
    EXPECT_EQ(words.ProgramCount, 2);
    EXPECT_TRUE(commands.TypeProgItem->isEnabled());

    // Cancel keeps what the disc data object had.
    WhileOpen(commands.ProgSetItem, [&] {
        dlg.DelAllBtn->click();
        dlg.CancelBtn->click();
    });
    EXPECT_EQ(words.ProgramCount, 2);

    // The disc goes while the editor is open: it closes and stores nothing.
    WhileOpen(commands.ProgSetItem, [&] {
        dlg.DelAllBtn->click();
        device.RemoveDisc();
        RunFor(1500);
        EXPECT_FALSE(dlg.isVisible());
    });
    EXPECT_EQ(words.ProgramCount, 2);
    EXPECT_FALSE(commands.ProgSetItem->isEnabled());
}

TEST_F(DiscDialogsTest, PropertiesAndExportOfADataTrackFirstDiscWithoutDataFile)
{
    StartWith(SimDisc::DataFirst(100, {60, 90}));
    TCDInfoForm& dlg = *dialogs->CDInfoForm;
    WhileOpen(commands.CDInfoItem, [&] {
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("CDのプロパティ"));
        EXPECT_EQ(dlg.TracksText->text(), QStringLiteral("3"));
        EXPECT_EQ(dlg.TotalTimeText->text(), FormatMinSec(150000));
        EXPECT_EQ(dlg.CDTypeText->text(), QStringLiteral("CD-ROM (音楽トラックあり)"));
        EXPECT_EQ(dlg.TitleText->text(), QString());
        // Without a data file: labels greyed, no play time, no reset.
        EXPECT_FALSE(dlg.TitleLabel->isEnabled() || dlg.ArtistLabel->isEnabled());
        EXPECT_FALSE(dlg.ResetTimeBtn->isEnabled() || dlg.PlayTimeLabel->isEnabled());
        EXPECT_FALSE(dlg.PlayTimeText->isVisible());
        ASSERT_EQ(dlg.MTitleList->count(), 3);
        const QModelIndex data = dlg.MTitleList->model()->index(0, 0);
        EXPECT_EQ(TrackRowDelegate::TitleText(data), QStringLiteral("01: (データ)"));
        EXPECT_EQ(TrackRowDelegate::LengthText(data), QStringLiteral(" ") + FormatMinSec(100000));
        EXPECT_EQ(TrackRowDelegate::LengthText(dlg.MTitleList->model()->index(2, 0)),
                  QStringLiteral(" ") + FormatMinSec(90000));
        const QFontMetrics fm(dlg.MTitleList->font());
        EXPECT_EQ(dlg.MTitleList->visualItemRect(dlg.MTitleList->item(1)).height(), fm.height() + 2);
        EXPECT_EQ(dlg.focusWidget(), dlg.MTitleList);
    });
    EXPECT_FALSE(dlg.isVisible());

    // The export lists the data track too, with its length.
    QString proposed;
    const QString path = dir.filePath(QStringLiteral("data.csv"));
    dialogs->ChooseExportFile = [&](QWidget*, const QString& proposal, QString*) {
        proposed = proposal;
        return path;
    };
    commands.CDInfoSaveItem->trigger();
    EXPECT_EQ(proposed, QStringLiteral(".csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), Cp932::Encode(QStringLiteral("\"\",\"\",3,0:02:30\r\n\r\n1,\"(データ)\",0:01:40\r\n"
                                                           "2,\"\",0:01:00\r\n3,\"\",0:01:30\r\n")));
}

TEST_F(DiscDialogsTest, PropertiesFollowThePlayTimeAndAskBeforeTheReset)
{
    const SimDisc disc = SimDisc::Audio({30, 40, 50, 60});
    StartWith(disc);
    Register(disc, kProgramFile);
    TCDInfoForm& dlg = *dialogs->CDInfoForm;
    words.Title = QString(60, QChar(u'長')) + QStringLiteral("END");
    WhileOpen(commands.CDInfoItem, [&] {
        // A title too long for its place ends in "…" before the track list's label.
        const QString title = words.Title;
        EXPECT_EQ(dlg.TitleText->text(), title);
        EXPECT_EQ(dlg.TitleText->toolTip(), title);
        const QString shown = dlg.TitleText->ShownText();
        EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
        EXPECT_LE(dlg.TitleText->fontMetrics().horizontalAdvance(shown), dlg.TitleText->width());
        EXPECT_LT(dlg.TitleText->geometry().right(), dlg.MTitleLabel->geometry().left());
        EXPECT_GE(dlg.MTitleList->width(), dlg.width() / 3); // the list keeps its room
        words.Title = QStringLiteral("Disc");
        dlg.FormShow();
        EXPECT_EQ(dlg.TitleText->text(), QStringLiteral("Disc"));
        EXPECT_EQ(dlg.CDTypeText->text(), QStringLiteral("音楽CD"));
        EXPECT_TRUE(dlg.PlayTimeText->isVisible());
        EXPECT_EQ(dlg.PlayTimeText->text(), QStringLiteral("1゜02’05”"));

        // While the disc plays, the tick counts on and the dialog shows it.
        commands.PlayBtn->trigger();
        RunFor(2500);
        EXPECT_GE(words.PlayTime, 3727);
        EXPECT_EQ(dlg.PlayTimeText->text(), FormatHourMinSec(words.PlayTime));

        // No (the default) keeps the time; Yes resets it in memory.
        const int32_t before = words.PlayTime;
        presenter.answers = {IdNo};
        dlg.ResetTimeBtn->click();
        EXPECT_EQ(words.PlayTime, before);
        ASSERT_EQ(presenter.shown.size(), 1);
        EXPECT_EQ(presenter.shown[0].text, QStringLiteral("総再生時間をリセットします。よろしいですか?"));
        EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("総再生時間のリセット"));
        EXPECT_EQ(presenter.shown[0].flags, unsigned(MbTaskModal | MbIconQuestion | MbYesNo | MbDefButton2));
        presenter.answers = {IdYes};
        dlg.ResetTimeBtn->click();
        EXPECT_EQ(words.PlayTime, 0);
        EXPECT_EQ(dlg.PlayTimeText->text(), QStringLiteral("0゜00’00”"));
    });
    // The reset reaches the file with the play state when the disc goes.
    device.RemoveDisc();
    RunFor(1500);
    QFile file(dir.filePath(QStringLiteral("Disc.dat")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("PlayTime=0\r\n"));
}

TEST_F(DiscDialogsTest, ExportProposesTheDataFileNameAndHoldsTheTopmostWhileAsking)
{
    const SimDisc disc = SimDisc::Audio({30, 40, 50, 60});
    StartWith(disc);
    Register(disc, kProgramFile);
    QString proposed;
    bool held = false;
    QString answer = dir.filePath(QStringLiteral("out.txt"));
    dialogs->ChooseExportFile = [&](QWidget*, const QString& proposal, QString* filter) {
        proposed = proposal;
        held = form.Windows.Held();
        *filter = DiscInfoFilters().at(1); // the text file: the same contents
        return answer;
    };
    commands.CDInfoSaveItem->trigger();
    EXPECT_EQ(proposed, QStringLiteral("Disc.csv"));
    EXPECT_TRUE(held);
    EXPECT_FALSE(form.Windows.Held());
    QFile file(answer);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\"Disc\",\"\",4,0:03:00\r\n\r\n1,\"One\",0:00:30\r\n2,\"Two\",0:00:40\r\n"
                                         "3,\"Three\",0:00:50\r\n4,\"Four\",0:01:00\r\n"));

    // Cancelled: nothing is written.
    answer = dir.filePath(QStringLiteral("never.csv"));
    dialogs->ChooseExportFile = [&](QWidget*, const QString&, QString*) { return QString(); };
    commands.CDInfoSaveItem->trigger();
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_FALSE(form.Windows.Held());
}

TEST_F(DiscDialogsTest, AProgramLongerThanTheListIsWhatTheEditorShowsOnceItIsSaved)
{
    // A hand-made file with 102 entries: the list holds the first 100.
    const SimDisc disc = SimDisc::Audio({30, 40, 50, 60});
    StartWith(disc);
    QByteArray program;
    for (int i = 0; i < 102; ++i) program += (i ? "," : "") + QByteArray::number(i % 4 + 1);
    Register(disc, "[Info]\r\nTitle=Disc\r\nProgram=" + program + "\r\n");
    TProgSetForm& dlg = *dialogs->ProgSetForm;
    WhileOpen(commands.ProgSetItem, [&] {
        EXPECT_EQ(dlg.ProgList->count(), 100 + 1);
        // Emptied and saved, the program is empty in the file too: nothing left over
        // comes back as the program.
        dlg.DelAllBtn->click();
        dlg.SaveBtn->click();
        dlg.ReloadBtn->click();
        EXPECT_EQ(Texts(dlg.ProgList), QStringList{""});
        dlg.OKBtn->click();
    });
    QFile file(words.FileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Program=\r\n"));
}

TEST_F(DiscDialogsTest, PropertiesWriteTheLyricsOfATrackOrOfTheWholeDiscAsLrcFiles)
{
    const SimDisc disc = SimDisc::Audio({30, 40, 50});
    StartWith(disc);
    Register(disc, "[Info]\r\nTitle=Disc\r\nArtist=Singer\r\n[Title]\r\n01=One\r\n02=Two\r\n03=Three/Again\r\n"
                   "[Words01]\r\nAdjust=10\r\n001=100,300,first\r\n002=320,900,second\r\n"
                   "[Words03]\r\nAdjust=5\r\nCopyTrack=1\r\n");
    TCDInfoForm& dlg = *dialogs->CDInfoForm;
    dlg.FormShow();
    EXPECT_TRUE(dlg.LrcSaveBtn->isEnabled());
    dlg.MTitleList->setCurrentRow(1); // no lyrics
    EXPECT_FALSE(dlg.LrcTrackSaveItem->isEnabled());
    dlg.MTitleList->setCurrentRow(0);
    EXPECT_TRUE(dlg.LrcTrackSaveItem->isEnabled());
    EXPECT_EQ(dlg.LrcTrackSaveItem->text(), QStringLiteral("トラック 01(&T)..."));

    QString proposed;
    bool held = false;
    const QString one = dir.filePath(QStringLiteral("one.lrc"));
    dlg.ChooseLrcFile = [&](QWidget*, const QString& proposal) {
        proposed = proposal;
        held = form.Windows.Held();
        return one;
    };
    dlg.LrcTrackSaveItem->trigger();
    EXPECT_EQ(QFileInfo(proposed).fileName(), QStringLiteral("01 One.lrc"));
    EXPECT_TRUE(held);
    EXPECT_FALSE(form.Windows.Held());
    QFile file(one);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xEF\xBB\xBF[ti:One]\r\n[ar:Singer]\r\n[al:Disc]\r\n[length:00:30.00]\r\n"
                                         "[00:01.10]first\r\n[00:03.10]\r\n[00:03.30]second\r\n[00:09.10]\r\n"));

    // The whole disc into a folder: the borrowing track too, with both corrections; a
    // file already there is replaced only when the user says so.
    const QString folder = dir.filePath(QStringLiteral("lrc"));
    QDir().mkpath(folder);
    dlg.ChooseLrcFolder = [&](QWidget*, const QString&) { return folder; };
    const QString first = folder + QStringLiteral("/01 One.lrc"),
                  third = folder + QStringLiteral("/03 Three_Again.lrc");
    QFile old(first);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    presenter.answers = {IdNo};
    dlg.LrcDiscSaveItem->trigger();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].flags, unsigned(MbTaskModal | MbIconQuestion | MbYesNo | MbDefButton2));
    EXPECT_FALSE(QFile::exists(third));
    presenter.answers = {IdYes};
    dlg.LrcDiscSaveItem->trigger();
    EXPECT_EQ(QFileInfo(first).size(), QFileInfo(one).size());
    QFile borrowed(third);
    ASSERT_TRUE(borrowed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(borrowed.readAll().contains("[ti:Three/Again]\r\n[ar:Singer]\r\n[al:Disc]\r\n[length:00:50.00]\r\n"
                                            "[00:01.15]first\r\n"));

    // A file that cannot be written is reported.
    dlg.ChooseLrcFile = [&](QWidget*, const QString&) { return dir.filePath(QStringLiteral("none/x.lrc")); };
    presenter.shown.clear();
    dlg.LrcTrackSaveItem->trigger();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("出力エラー"));
}
