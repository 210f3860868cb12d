// The disc manager on the simulated drive: registering, renaming, deleting and the
// list of registered discs.
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWheelEvent>

#include "core/common/TextCodec.h"
#include "core/discdata/DiscList.h"
#include "core/settings/IniDocument.h"
#include "support/DialogWorld.h"
#include "ui/dialogs/DiscMng.h"
#include "ui/dialogs/InputData.h"
#include "ui/main/Help.h"

namespace {

void WriteText(const QString& path, const QString& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Cp932::Encode(text));
}

QString DataFile(const QString& title, const QString& artist, int playTime)
{
    return QStringLiteral("[Mirelune]\r\nVersion=151A\r\n[Info]\r\nTitle=%1\r\nArtist=%2\r\nPlayTime=%3\r\n"
                          "[Words01]\r\n001=100,200,ラララ\r\n")
        .arg(title, artist)
        .arg(playTime);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

IniDocument ReadIni(const QString& path)
{
    IniDocument doc;
    ReadIniFile(path, doc);
    return doc;
}

class DiscMng : public DialogWorld {
protected:
    DiscMng() { dialog = new TDiscMngForm(form.Windows, form, player, words, settings, commands); }

    // The registry: disc id and name of each entry, in order.
    void Register(const QList<QPair<QString, QString>>& entries)
    {
        QString text = QStringLiteral("[WordsFile]\r\n");
        for (const auto& e : entries) text += e.first + QLatin1Char('=') + e.second + QStringLiteral("\r\n");
        WriteText(settings.IniPath, text);
    }

    QString Cell(int row, int column) const { return dialog->Model()->index(row, column).data().toString(); }

    // Types a name and presses RegBtn.
    void Submit(const QString& name)
    {
        dialog->WordsFileNameEdit->clear();
        dialog->WordsFileNameEdit->insert(name);
        dialog->RegBtn->click();
    }
    QString Caption(int i) const { return i < presenter.shown.size() ? presenter.shown[i].caption : QString(); }

    QString RegistryValue(const QString& id) const
    {
        return ReadIni(settings.IniPath).ReadString(QStringLiteral("WordsFile"), id, QStringLiteral("(none)"));
    }

    TDiscMngForm* dialog;
};

} // namespace

TEST_F(DiscMng, RegisteringTheDiscInTheDriveThenRenamingItsFile)
{
    Start(SimDisc::Audio({60, 60, 60}));
    WriteText(DataPath(QStringLiteral("taken")), DataFile(QStringLiteral("Other"), QString(), 0));
    dialog->show();
    // An unregistered disc: an empty name to fill in, nothing listed, nothing to delete.
    EXPECT_TRUE(dialog->WordsFileNameEdit->isEnabled() && dialog->WordsFileNameEdit->text().isEmpty());
    EXPECT_EQ(dialog->Mode(), TDiscMngForm::Register);
    EXPECT_FALSE(dialog->RegBtn->isEnabled());
    EXPECT_EQ(dialog->DiscCountText->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog->Model()->rowCount(), 1);
    EXPECT_FALSE(dialog->DelBtn->isEnabled());

    // Refused: an existing file's name (registered or not), a name leading out of the folder.
    Submit(QStringLiteral("taken"));
    Submit(QStringLiteral("../escape"));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("同じファイル名の歌詞ファイルがすでに存在しています。別のファイル名を入力してください。"));
    EXPECT_EQ(Caption(1), QStringLiteral("登録エラー"));
    EXPECT_FALSE(words.HasFile());
    EXPECT_EQ(RegistryValue(words.DiscId), QStringLiteral("(none)"));

    // Registered: data file, registry entry, title shown, data entry offered, rename mode.
    const QString name = QStringLiteral("星の歌");
    Submit(name);
    EXPECT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(words.FileName, DataPath(name));
    EXPECT_TRUE(QFile::exists(DataPath(name)));
    EXPECT_EQ(RegistryValue(words.DiscId), name);
    EXPECT_EQ(form.TitleLabel->text(), name);
    EXPECT_TRUE(commands.InputDataItem->isEnabled());
    EXPECT_EQ(dialog->RegBtn->text(), QStringLiteral("名前の変更(&R)"));
    EXPECT_FALSE(dialog->RegBtn->isEnabled());
    EXPECT_EQ(Cell(0, 0) + Cell(0, 1), name + name);
    EXPECT_FALSE(dialog->DelBtn->isEnabled()); // the disc in the drive

    // Renaming to its own name is refused; to a new one moves the file, the entry follows.
    Submit(name);
    EXPECT_EQ(Caption(2), QStringLiteral("登録エラー"));
    Submit(QStringLiteral("Stars"));
    EXPECT_EQ(presenter.shown.size(), 3);
    EXPECT_FALSE(QFile::exists(DataPath(name)));
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("Stars")));
    EXPECT_EQ(RegistryValue(words.DiscId), QStringLiteral("Stars"));
    EXPECT_EQ(words.Title, name);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("Stars"));

    // A registry that cannot be written: the file goes back and the rename is refused.
    QFile::setPermissions(settings.IniPath, QFileDevice::ReadOwner);
    Submit(QStringLiteral("Moon"));
    QFile::setPermissions(settings.IniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(Caption(3), QStringLiteral("保存エラー"));
    EXPECT_EQ(presenter.shown.value(4).text, QStringLiteral("変更できませんでした。"));
    EXPECT_EQ(Caption(4), QStringLiteral("変更エラー"));
    EXPECT_TRUE(QFile::exists(DataPath(QStringLiteral("Stars"))));
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("Stars")));
    // A data file gone from under the program cannot be renamed either.
    QFile::remove(DataPath(QStringLiteral("Stars")));
    Submit(QStringLiteral("Moon"));
    EXPECT_EQ(Caption(5), QStringLiteral("変更エラー"));
    EXPECT_EQ(RegistryValue(words.DiscId), QStringLiteral("Stars"));
}

TEST_F(DiscMng, ANameCodePage932CannotHoldIsRefusedAndTheSettingsFileStaysCodePage932)
{
    Start(SimDisc::Audio({60, 60}));
    Register({{QStringLiteral("0000ABCD"), QStringLiteral("既存")}});
    const QByteArray before = ReadBytes(settings.IniPath);
    dialog->show();
    const QString hangul = QStringLiteral("노래");
    Submit(hangul);
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_TRUE(presenter.shown[0].text.contains(QStringLiteral("コードページ932")))
        << presenter.shown[0].text.toStdString();
    EXPECT_TRUE(presenter.shown[0].text.contains(hangul));
    EXPECT_EQ(Caption(0), QStringLiteral("登録エラー"));
    EXPECT_FALSE(words.HasFile());
    EXPECT_FALSE(QFile::exists(DataPath(hangul)));
    EXPECT_EQ(ReadBytes(settings.IniPath), before);

    // Registered under a name it can hold; renaming to an emoji is refused the same way.
    Submit(QStringLiteral("歌"));
    ASSERT_EQ(presenter.shown.size(), 1);
    const QByteArray registered = ReadBytes(settings.IniPath);
    EXPECT_FALSE(registered.startsWith("\xEF\xBB\xBF"));
    Submit(QStringLiteral("歌😀"));
    ASSERT_EQ(presenter.shown.size(), 2);
    EXPECT_EQ(Caption(1), QStringLiteral("登録エラー"));
    EXPECT_EQ(ReadBytes(settings.IniPath), registered);
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("歌")));
    EXPECT_TRUE(QFile::exists(DataPath(QStringLiteral("歌"))));
    EXPECT_EQ(RegistryValue(words.DiscId), QStringLiteral("歌"));
}

TEST_F(DiscMng, TheListReadsOnlyTheRowsShownAndHintsCutOffTexts)
{
    QList<QPair<QString, QString>> entries;
    for (int i = 0; i < 400; ++i)
        entries.append({QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0')), QStringLiteral("disc%1").arg(i)});
    entries[1].second = QStringLiteral("とても長い名前の歌詞ファイルで列に入りきらないもの");
    Register(entries);
    WriteText(DataPath(QStringLiteral("disc0")), DataFile(QStringLiteral("夜明け"), QStringLiteral("歌い手"), 3661));
    Start(std::nullopt);
    dialog->show();
    EXPECT_EQ(dialog->DiscCountText->text(), QStringLiteral("400"));
    EXPECT_EQ(QStringList({Cell(0, 1), Cell(0, 2), Cell(0, 3)}),
              QStringList({QStringLiteral("夜明け"), QStringLiteral("歌い手"), QStringLiteral("1゜01’01”")}));
    EXPECT_EQ(dialog->Model()->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(Cell(5, 1) + Cell(5, 3), QStringLiteral("0゜00’00”")); // a missing data file
    // The view asked for a screenful of rows, not for all 400 files.
    EXPECT_GT(dialog->Model()->FilesRead(), 0);
    EXPECT_LT(dialog->Model()->FilesRead(), 60);

    // Column widths come from the settings; the user's widths go back at exit.
    DiscGrid* grid = dialog->DiscList;
    EXPECT_EQ(grid->columnWidth(1), 180);
    grid->horizontalHeader()->resizeSection(1, 222);
    SaveSettings(settings, spWindow);
    EXPECT_EQ(ReadIni(settings.IniPath).ReadInteger(QStringLiteral("Window"), QStringLiteral("DiscList1"), 0), 222);

    // A click on any cell selects the name cell of its row; going down past the last
    // visible row scrolls.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(dialog->Model()->index(2, 1)).center());
    EXPECT_EQ(grid->selectionModel()->selectedIndexes(), QModelIndexList{dialog->Model()->index(2, 0)});
    for (int i = 0; i < 40; ++i) QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex(), dialog->Model()->index(42, 0));
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex()).center()));
    grid->verticalScrollBar()->setValue(0);

    // The hint: over a cut-off cell, with its whole text; none where the text fits; gone
    // when the grid scrolls or the mouse leaves.
    auto move = [grid](const QModelIndex& index) {
        const QPoint at = grid->visualRect(index).center();
        QMouseEvent event(QEvent::MouseMove, at, grid->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(grid->viewport(), &event);
        return grid->CellHint();
    };
    const QModelIndex longName = dialog->Model()->index(1, 0);
    QLabel* hint = move(longName);
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), longName.data().toString());
    EXPECT_EQ(hint->pos(), grid->viewport()->mapToGlobal(grid->visualRect(longName).topLeft()) - QPoint(1, 1));
    EXPECT_TRUE(hint->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_EQ(move(dialog->Model()->index(2, 0)), nullptr);
    ASSERT_NE(move(longName), nullptr);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    EXPECT_EQ(grid->CellHint(), nullptr);
    grid->horizontalScrollBar()->setValue(0);
    ASSERT_NE(move(longName), nullptr);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(grid->viewport(), &leave);
    EXPECT_EQ(grid->CellHint(), nullptr);
}

TEST_F(DiscMng, DeletingADiscAndWhatProtectsIt)
{
    // The trash of a home of the test's own.
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("share")).toUtf8());
    QDir().mkpath(dir.filePath(QStringLiteral("share")));
    Start(SimDisc::Audio({60, 60}));
    ASSERT_FALSE(words.DiscId.isEmpty());
    Register({{words.DiscId, QStringLiteral("current")},
              {QStringLiteral("0000000B"), QStringLiteral("b")},
              {QStringLiteral("0000000C"), QStringLiteral("c")},
              {QStringLiteral("0000000D"), QStringLiteral("../outside")}});
    for (const char* n : {"current", "b", "c"})
        WriteText(DataPath(QLatin1String(n)), DataFile(QLatin1String(n), {}, 0));
    WriteText(dir.filePath(QStringLiteral("outside.dat")), DataFile(QStringLiteral("x"), {}, 0));
    words.NewDisc(device.TrackCount());
    ASSERT_EQ(words.FileName, DataPath(QStringLiteral("current")));
    dialog->show();

    // The disc in the drive cannot be deleted.
    EXPECT_EQ(dialog->CurrentRow(), 0);
    EXPECT_FALSE(dialog->DelBtn->isEnabled());

    // No: nothing changes. Yes: the entry goes, the file goes into the trash.
    dialog->SelectDiscRow(1);
    ASSERT_TRUE(dialog->DelBtn->isEnabled());
    presenter.answers = {IdNo};
    dialog->DelBtn->click();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("登録ディスク一覧から 'b' を削除し、歌詞ファイルも削除します。よろしいですか?"));
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("登録ディスクの削除"));
    EXPECT_EQ(presenter.shown[0].flags & 0xF0F, unsigned(MbYesNo | MbDefButton2));
    EXPECT_EQ(RegistryValue(QStringLiteral("0000000B")), QStringLiteral("b"));
    presenter.answers = {IdYes};
    dialog->DelBtn->click();
    EXPECT_EQ(RegistryValue(QStringLiteral("0000000B")), QStringLiteral("(none)"));
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("b"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("share/Trash/files/b.dat"))));
    EXPECT_EQ(dialog->DiscCountText->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog->CurrentRow(), 1); // the row stays where it was: now "c"

    // With Shift the file is deleted for good.
    form.shift = true;
    presenter.answers = {IdYes};
    dialog->DelBtn->click();
    form.shift = false;
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("c"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("share/Trash/files/c.dat"))));
    EXPECT_EQ(RegistryValue(QStringLiteral("0000000C")), QStringLiteral("(none)"));

    // A hand-written entry that leads out of the data folder loses its entry only, and
    // the question says the file stays.
    dialog->SelectDiscRow(1);
    ASSERT_EQ(dialog->Model()->Name(1), QStringLiteral("../outside"));
    presenter.answers = {IdYes};
    dialog->DelBtn->click();
    EXPECT_EQ(presenter.shown.last().text,
              QStringLiteral(
                  "登録ディスク一覧から '../outside' を削除します。この名前は歌詞ファイルのフォルダの外を指すため、"
                  "ファイルは削除せずに残します。よろしいですか?"));
    EXPECT_EQ(RegistryValue(QStringLiteral("0000000D")), QStringLiteral("(none)"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("outside.dat"))));

    // A registry that cannot be written keeps the entry, and so the file.
    words.ClearFileName(); // as if another disc were in the drive
    dialog->FillDiscList();
    ASSERT_TRUE(dialog->DelBtn->isEnabled());
    QFile::setPermissions(settings.IniPath, QFileDevice::ReadOwner);
    presenter.answers = {IdYes};
    dialog->DelBtn->click();
    QFile::setPermissions(settings.IniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(RegistryValue(words.DiscId), QStringLiteral("current"));
    EXPECT_TRUE(QFile::exists(DataPath(QStringLiteral("current"))));
    EXPECT_EQ(presenter.shown.last().caption, QStringLiteral("保存エラー"));
}

TEST_F(DiscMng, OpenedFromTheMenuWithoutAnAudioDiscClosedByADiscComingInHelpByPage)
{
    Start(std::nullopt);
    Help::SetFile(QStringLiteral(MIRELUNE_SOURCE_DIR "/data/help/Mirelune.html"));
    SimDisc data;
    data.tracks.push_back({150, false});
    data.leadOutFrame = 150 + 60 * 75;
    int checks = 0;
    QTimer::singleShot(0, [&] {
        // No disc: nothing to register, but the list works.
        EXPECT_TRUE(dialog->isVisible() && form.DialogOpen());
        EXPECT_FALSE(dialog->WordsFileNameEdit->isEnabled() || dialog->Label3->isEnabled());
        dialog->DiscMngPage->setCurrentIndex(1);
        dialog->HelpBtn->click();
        EXPECT_EQ(Help::Browser()->source().fragment(), QStringLiteral("ctx1002"));
        EXPECT_EQ(Help::Window()->parentWidget(), dialog); // usable beside the modal dialog
        Help::Window()->close();
        ++checks;
        device.InsertDisc(data);
        time.RunFor(1500);
    });
    commands.DiscMngItem->trigger();
    EXPECT_FALSE(dialog->isVisible());
    // A data disc has no audio to register either.
    QTimer::singleShot(0, [&] {
        EXPECT_FALSE(dialog->WordsFileNameEdit->isEnabled());
        ++checks;
        dialog->OKBtn->click();
    });
    commands.DiscMngItem->trigger();
    EXPECT_EQ(checks, 2);
}

TEST_F(DiscMng, TheCellHintPassesClicksAndTheWheelOnAndNeverCoversTheDeleteQuestion)
{
    QList<QPair<QString, QString>> entries;
    for (int i = 0; i < 400; ++i)
        entries.append({QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0')), QStringLiteral("disc%1").arg(i)});
    entries[1].second = QStringLiteral("とても長い名前の歌詞ファイルで列に入りきらないもの");
    Register(entries);
    Start(std::nullopt);
    dialog->show();
    QApplication::setActiveWindow(dialog);
    DiscGrid* grid = dialog->DiscList;
    const QModelIndex longName = dialog->Model()->index(1, 0);
    auto hover = [grid, &longName] {
        const QPoint at = grid->visualRect(longName).center();
        QMouseEvent event(QEvent::MouseMove, at, grid->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(grid->viewport(), &event);
        return grid->CellHint();
    };

    // A click on the hint selects the row under it.
    QLabel* hint = hover();
    ASSERT_NE(hint, nullptr);
    ASSERT_EQ(dialog->CurrentRow(), 0);
    QTest::mouseClick(hint, Qt::LeftButton, {}, hint->rect().center());
    EXPECT_EQ(dialog->CurrentRow(), 1);

    // The wheel on the hint scrolls the list, which takes the hint away.
    hint = hover();
    ASSERT_NE(hint, nullptr);
    const QPoint at = hint->rect().center();
    QWheelEvent wheel(at, hint->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(hint, &wheel);
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_EQ(grid->CellHint(), nullptr);

    // Ctrl+End: the last row is selected and shown, and the top row is a whole one.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dialog->CurrentRow(), 399);
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex())));
    EXPECT_EQ(grid->visualRect(dialog->Model()->index(grid->rowAt(0), 0)).top(), 0);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);

    // Alt+D with the hint up: the hint is gone before the question comes.
    struct Watching : RecordingPresenter {
        DiscGrid* grid = nullptr;
        QList<bool> hintUp;
        int Show(const QString& text, const QString& caption, unsigned flags) override
        {
            hintUp << (grid->CellHint() != nullptr);
            return RecordingPresenter::Show(text, caption, flags);
        }
    } watching;
    watching.grid = grid;
    watching.answers = {IdNo};
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    ASSERT_NE(hover(), nullptr);
    QTest::keyClick(dialog, Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watching.hintUp.isEmpty(); }, 2000)); // the button's click is animated
    EXPECT_EQ(watching.hintUp, QList<bool>{false});
}

TEST_F(DiscMng, ListSortedByAClickedHeaderAndNarrowedAsOneTypes)
{
    // name, title, artist, play time
    const struct {
        const char* name;
        const char* title;
        const char* artist;
        int playTime;
    } discs[] = {{"disc10", "Blue", "朝の歌手", 30},
                 {"disc2", "apple", "Band", 500},
                 {"Disc1", "夜の歌", "Choir", 7},
                 {"misc", "", "", 0}};
    QList<QPair<QString, QString>> entries;
    for (int i = 0; i < 4; ++i) {
        const QString name = QLatin1String(discs[i].name);
        entries.append({QStringLiteral("0000000%1").arg(i), name});
        if (discs[i].playTime > 0)
            WriteText(DataPath(name), DataFile(QString::fromUtf8(discs[i].title), QString::fromUtf8(discs[i].artist),
                                               discs[i].playTime));
    }
    Register(entries);
    Start(std::nullopt);
    dialog->show();
    QApplication::setActiveWindow(dialog);
    QHeaderView* header = dialog->DiscList->horizontalHeader();
    auto clickHeader = [header](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    };
    auto names = [this] {
        QStringList n;
        for (int row = 0; row < dialog->Model()->ShownCount(); ++row) n << dialog->Model()->Name(row);
        return n.join(QLatin1Char(' '));
    };
    EXPECT_EQ(names(), QStringLiteral("disc10 disc2 Disc1 misc")); // the registry's order

    // By name: digits by their value, letter case aside; again the other way; a third
    // click goes back to the registry's order. The selected disc stays selected.
    dialog->SelectDiscRow(1);
    clickHeader(0);
    EXPECT_EQ(names(), QStringLiteral("Disc1 disc2 disc10 misc"));
    EXPECT_EQ(dialog->Model()->Name(dialog->CurrentRow()), QStringLiteral("disc2"));
    clickHeader(0);
    EXPECT_EQ(names(), QStringLiteral("misc disc10 disc2 Disc1"));
    clickHeader(0);
    EXPECT_EQ(names(), QStringLiteral("disc10 disc2 Disc1 misc"));
    // By title and by play time.
    clickHeader(1);
    EXPECT_EQ(names(), QStringLiteral("misc disc2 disc10 Disc1"));
    clickHeader(3);
    clickHeader(3);
    EXPECT_EQ(names(), QStringLiteral("disc2 disc10 Disc1 misc"));

    // The order is kept in the settings and comes back with the dialog.
    SaveSettings(settings, spWindow);
    EXPECT_EQ(ReadIni(settings.IniPath).ReadInteger(QStringLiteral("Window"), QStringLiteral("DiscListSort"), 0), -4);
    dialog->hide();
    settings.DiscListSort = 0;
    LoadSettings(settings, spSettings);
    EXPECT_EQ(settings.DiscListSort, -4);
    dialog->show();
    EXPECT_EQ(names(), QStringLiteral("disc2 disc10 Disc1 misc"));
    EXPECT_EQ(header->sortIndicatorSection(), 3);

    // The filter narrows the list as one types: file name, title or artist, any case.
    dialog->FilterEdit->setFocus();
    QTest::sendKeyEvent(QTest::Click, dialog->FilterEdit, Qt::Key_unknown, QStringLiteral("歌"), Qt::NoModifier);
    EXPECT_EQ(names(), QStringLiteral("disc10 Disc1"));
    EXPECT_EQ(dialog->DiscCountText->text(), QStringLiteral("2 / 4"));
    QTest::keyClick(dialog->FilterEdit, Qt::Key_Backspace);
    QTest::keyClicks(dialog->FilterEdit, QStringLiteral("APP"));
    EXPECT_EQ(names(), QStringLiteral("disc2"));
    QTest::keyClick(dialog->FilterEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog->FilterEdit, QStringLiteral("misc"));
    EXPECT_EQ(names(), QStringLiteral("misc"));
    words.FileName = dir.filePath(QStringLiteral("playing.dat")); // a registered disc in the drive
    QTest::keyClicks(dialog->FilterEdit, QStringLiteral("x"));
    EXPECT_EQ(names(), QString());
    EXPECT_EQ(dialog->Model()->rowCount(), 1); // one empty row
    EXPECT_EQ(dialog->DiscCountText->text(), QStringLiteral("0 / 4"));
    EXPECT_FALSE(dialog->DelBtn->isEnabled()); // nothing listed, nothing to delete
    dialog->FilterEdit->clear();
    EXPECT_EQ(dialog->DiscCountText->text(), QStringLiteral("4"));
}

TEST_F(DiscMng, DataEntryOnADiscNotRegisteredOffersToRegisterItAndThenOpens)
{
    TInputDataForm inputData(device, clock, words, player, form, form.Windows);
    app.AttachInputData(inputData);
    inputData.RegisterDisc = [this] { return dialog->OfferRegistration(); };
    Start(SimDisc::Audio({60, 60}));
    ASSERT_FALSE(words.HasFile());
    ASSERT_TRUE(commands.InputDataItem->isEnabled());

    // No: nothing opens.
    presenter.answers = {IdNo};
    commands.InputDataItem->trigger();
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("このディスクは登録されていません。登録して、データを入力しますか?"));
    EXPECT_FALSE(words.HasFile());

    // Yes: the disc manager on its name; a refused name keeps it open, a good one
    // registers the disc and data entry follows on it.
    presenter.answers = {IdYes};
    bool named = false, entered = false;
    QTimer::singleShot(0, dialog, [&] {
        named = dialog->isVisible() && dialog->DiscMngPage->currentWidget() == dialog->RegistSheet &&
                dialog->focusWidget() == dialog->WordsFileNameEdit;
        Submit(QStringLiteral("../out"));
        EXPECT_TRUE(dialog->isVisible());
        Submit(QStringLiteral("新しい歌"));
        QTimer::singleShot(0, &inputData, [&] {
            entered = inputData.isVisible() && !dialog->isVisible();
            inputData.CancelBtn->click();
        });
    });
    commands.InputDataItem->trigger();
    EXPECT_TRUE(named);
    EXPECT_TRUE(entered);
    EXPECT_EQ(words.FileName, DataPath(QStringLiteral("新しい歌")));

    // Registered: Ctrl+D opens data entry at once.
    presenter.shown.clear();
    entered = false;
    QTimer::singleShot(0, &inputData, [&] {
        entered = inputData.isVisible();
        inputData.CancelBtn->click();
    });
    commands.InputDataItem->trigger();
    EXPECT_TRUE(entered);
    EXPECT_TRUE(presenter.shown.isEmpty());
}
