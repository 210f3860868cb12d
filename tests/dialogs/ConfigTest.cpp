// The settings dialog with the main window and the lyrics window on the simulated drive:
// what its creation applies, OK, Cancel, the live colours and fonts, and its help.
#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QFile>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "core/common/Fonts.h"
#include "core/common/TextCodec.h"
#include "core/settings/IniDocument.h"
#include "support/DialogWorld.h"
#include "ui/dialogs/Config.h"
#include "ui/dialogs/FontDlg.h"
#include "ui/dialogs/ReactionDlg.h"
#include "ui/lyrics/WordsForm.h"
#include "ui/main/Help.h"
#include "ui/main/TaskTray.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QColor TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText); }

class Config : public DialogWorld {
protected:
    Config() : lyrics(commands, settings, clock) { lyrics.Attach(&player, &words, &device, &form); }

    // The settings file as the user left it, then the program's start with the dialog.
    void StartWith(const QString& ini)
    {
        QFile f(settings.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Cp932::Encode(ini));
        f.close();
        Start(SimDisc::Audio({60, 60}));
        config = new TConfigForm(form.Windows, form, &lyrics, settings, commands);
        config->ChooseColor = [this](const QColor& initial, QWidget*) {
            offered = initial;
            return answer;
        };
    }

    IniDocument File() const
    {
        IniDocument doc;
        ReadIniFile(settings.IniPath, doc, nullptr, IniComments::Keep);
        return doc;
    }

    TWordsForm lyrics;
    TConfigForm* config = nullptr;
    QColor offered, answer;
};

} // namespace

TEST_F(Config, CreationAppliesTheSettingsFileAndOpeningShowsThem)
{
    StartWith(QStringLiteral("[Settings]\r\nStayOnTop=1\r\nEnableEject=1\r\nTimerInt=250\r\nTimeDisp=0\r\n"
                             "WordsAlign=0\r\nHideWordsBar=1\r\nStopSaver=2\r\nAutoPlay=1\r\nStopSleep=0\r\n"
                             "[MainFont]\r\nBackColor=255\r\nTitleColor=16711680\r\n"
                             "[Font]\r\nColor=65280\r\nBackColor=8421504\r\nSize=20\r\n"));
    // The running program follows the file.
    EXPECT_TRUE(commands.StayOnTopItem->isChecked());
    EXPECT_TRUE(commands.EjectItem->isVisible());
    EXPECT_FALSE(commands.CloseItem->isVisible());
    EXPECT_EQ(player.TimerInt, 250);
    EXPECT_EQ(player.TimeMode, 0);
    EXPECT_TRUE(player.AutoPlay);
    EXPECT_TRUE(form.SaverDisabled);
    EXPECT_EQ(form.Image.background, QColor(255, 0, 0));
    EXPECT_EQ(TextColour(form.TitleLabel), QColor(0, 0, 255));
    EXPECT_EQ(lyrics.WordsAlign, 0);
    EXPECT_TRUE(lyrics.HideWordsBar);
    EXPECT_EQ(lyrics.TextColor(), QColor(0, 255, 0));
    EXPECT_EQ(lyrics.BackColor(), QColor(128, 128, 128));
    EXPECT_EQ(lyrics.WordsFont().pointSize(), 20);

    // Opening shows the running state.
    config->show();
    EXPECT_TRUE(config->StayOnTop->isChecked());
    EXPECT_TRUE(config->EnableEject->isChecked());
    EXPECT_FALSE(config->EnableClose->isChecked());
    EXPECT_EQ(config->TimerIntEdit->value(), 250);
    EXPECT_EQ(config->TimeDisp->ItemIndex(), 0);
    EXPECT_EQ(config->WordsAlign->ItemIndex(), 0);
    EXPECT_EQ(config->StopSaver->ItemIndex(), 2);
    EXPECT_FALSE(config->StopSleep->isChecked());
    EXPECT_TRUE(config->HideWordsBar->isChecked());
    EXPECT_TRUE(config->OKBtn->isDefault());
    // The time mode key is the settings dialog's while it is shown.
    const int mode = player.TimeMode;
    QTest::keyClick(config->TimerIntEdit, Qt::Key_F7);
    EXPECT_EQ(player.TimeMode, mode);
    config->reject();
}

TEST_F(Config, CancelPutsColoursAndFontsBackAndChangesNothingElse)
{
    StartWith(QStringLiteral("[Settings]\r\nAutoPlay=0\r\n"));
    const QByteArray before = ReadBytes(settings.IniPath);
    const QColor lyricsBack = lyrics.BackColor(), mainBack = form.Image.background;
    const QColor title = TextColour(form.TitleLabel);
    config->show();

    // A cancelled colour dialog changes nothing; a chosen colour shows at once.
    config->WordsBkColorBtn->click();
    EXPECT_EQ(offered, lyricsBack);
    EXPECT_EQ(lyrics.BackColor(), lyricsBack);
    answer = QColor(10, 20, 30);
    config->WordsBkColorBtn->click();
    EXPECT_EQ(lyrics.BackColor(), answer);
    config->BkColorBtn->click();
    EXPECT_EQ(form.Image.background, answer);
    answer = QColor(200, 0, 0);
    config->TitleColorBtn->click();
    EXPECT_EQ(TextColour(form.TitleLabel), answer);
    EXPECT_FALSE(form.Windows.Held());
    // A font applied and then left by Cancel in the font dialog stays until the
    // settings dialog is cancelled.
    config->RunFontDialog = [](TFontDlg& dialog) {
        dialog.SizeBox->setValue(30);
        dialog.ApplyBtn->click();
        return int(QDialog::Rejected);
    };
    config->WordsFontBtn->click();
    EXPECT_EQ(lyrics.WordsFont().pointSize(), 30);
    config->AutoPlay->setChecked(true);
    config->EnableClose->setChecked(true);

    config->CancelBtn->click();
    EXPECT_FALSE(config->isVisible());
    EXPECT_EQ(lyrics.BackColor(), lyricsBack);
    EXPECT_EQ(form.Image.background, mainBack);
    EXPECT_EQ(TextColour(form.TitleLabel), title);
    EXPECT_EQ(lyrics.WordsFont().pointSize(), 12);
    EXPECT_FALSE(player.AutoPlay);
    EXPECT_FALSE(commands.CloseItem->isVisible());
    EXPECT_EQ(ReadBytes(settings.IniPath), before);
    // The next opening shows the old state again.
    config->show();
    EXPECT_FALSE(config->AutoPlay->isChecked());
    EXPECT_FALSE(config->EnableClose->isChecked());

    // The close box cancels too.
    answer = QColor(1, 2, 3);
    config->WordsColorBtn->click();
    EXPECT_EQ(lyrics.TextColor(), answer);
    config->close();
    EXPECT_NE(lyrics.TextColor(), answer);
    EXPECT_EQ(ReadBytes(settings.IniPath), before);
}

TEST_F(Config, OkWritesTheFileAndAppliesEverything)
{
    StartWith(QStringLiteral("[CustomColors]\r\nColorB=00FF00\r\n"));
    form.show();
    form.showMinimized();
    ASSERT_TRUE(form.Minimized());
    config->show();
    config->EnableEject->setChecked(true);
    config->HideMainBar->setChecked(true);
    config->SelectDrive->setChecked(true);
    config->TimeDisp->SetItemIndex(3);
    config->StopSaver->SetItemIndex(2);
    EXPECT_TRUE(config->StopSleep->isChecked()); // on unless the file says otherwise
    config->StopSleep->setChecked(false);
    // The interval: a typed value below the range goes back to the position when the
    // edit is left; a valid one is taken.
    config->ConfigPage->setCurrentIndex(0);
    QApplication::setActiveWindow(config);
    config->TimerIntEdit->setFocus();
    config->TimerIntEdit->selectAll();
    QTest::keyClicks(config->TimerIntEdit, QStringLiteral("5"));
    EXPECT_EQ(config->TimerIntEdit->text(), QStringLiteral("5"));
    config->StayOnTop->setFocus();
    EXPECT_EQ(config->TimerIntEdit->text(), QStringLiteral("100"));
    config->TimerIntEdit->selectAll();
    QTest::keyClicks(config->TimerIntEdit, QStringLiteral("250"));
    // A colour, with a custom colour added in the colour dialog.
    answer = QColor(0, 0, 255);
    config->ChooseColor = [this](const QColor&, QWidget*) {
        QColorDialog::setCustomColor(0, QColor(255, 0, 0));
        return answer;
    };
    config->TimeColorBtn->click();
    config->RunFontDialog = [](TFontDlg& dialog) {
        EXPECT_FALSE(dialog.SizeBox->isVisibleTo(&dialog)); // the main font keeps its size
        dialog.StyleBox->setCurrentIndex(2);
        return int(QDialog::Accepted);
    };
    config->MainFontBtn->click();
    config->RunFontDialog = [](TFontDlg& dialog) {
        EXPECT_TRUE(dialog.SizeBox->isVisibleTo(&dialog)); // the lyrics font's size is free
        dialog.SizeBox->setValue(20);
        return int(QDialog::Accepted);
    };
    config->WordsFontBtn->click();
    EXPECT_EQ(lyrics.WordsFont().pointSize(), 20);

    config->OKBtn->click();
    EXPECT_FALSE(config->isVisible());
    const IniDocument file = File();
    auto value = [&](const char* section, const char* key) {
        return file.ReadString(QLatin1String(section), QLatin1String(key), QStringLiteral("(none)"));
    };
    EXPECT_EQ(value("Mirelune", "Version"), QStringLiteral("151A"));
    EXPECT_EQ(value("Settings", "EnableEject"), QStringLiteral("1"));
    EXPECT_EQ(value("Settings", "SelectDrive"), QStringLiteral("1"));
    EXPECT_EQ(value("Settings", "TimeDisp"), QStringLiteral("3"));
    EXPECT_EQ(value("Settings", "StopSaver"), QStringLiteral("2"));
    EXPECT_EQ(value("Settings", "StopSleep"), QStringLiteral("0"));
    EXPECT_FALSE(settings.StopSleep);
    EXPECT_EQ(value("Settings", "TimerInt"), QStringLiteral("250"));
    EXPECT_EQ(value("MainFont", "TimeColor"), QStringLiteral("16711680"));
    EXPECT_EQ(value("MainFont", "Style"), QStringLiteral("1"));
    EXPECT_EQ(value("CustomColors", "ColorA"), QStringLiteral("0000FF"));
    EXPECT_EQ(value("CustomColors", "ColorB"), QStringLiteral("00FF00"));
    EXPECT_EQ(value("CustomColors", "ColorC"), QStringLiteral("(none)"));
    EXPECT_EQ(value("Font", "Size"), QStringLiteral("20"));

    // Applied: the menu, the bars, the interval, the time mode.
    EXPECT_TRUE(commands.EjectItem->isVisible());
    EXPECT_TRUE(form.N12->isVisible());
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(player.TimerInt, 250);
    EXPECT_EQ(player.TimeMode, 3);
    EXPECT_EQ(form.Image.timeColor, answer);
    // The screen saver is held off for the whole run only from the next start on.
    EXPECT_FALSE(form.SaverDisabled);
    // Without its notification-area icon a minimised program comes back.
    EXPECT_FALSE(form.Minimized());
}

TEST_F(Config, HelpOpensThePageOrTheControlsTopic)
{
    StartWith(QString());
    Help::SetFile(QStringLiteral(MIRELUNE_SOURCE_DIR "/data/help/Mirelune.html"));
    bool checked = false;
    QTimer::singleShot(0, [&] {
        config->ConfigPage->setCurrentIndex(1);
        config->HelpBtn->click();
        EXPECT_EQ(Help::Browser()->source().fragment(), QStringLiteral("ctx2002"));
        QApplication::setActiveWindow(config);
        config->ConfigPage->setCurrentIndex(0);
        config->TimerIntEdit->setFocus();
        form.Windows.CancelSkip();
        QTest::keyClick(config->TimerIntEdit, Qt::Key_F1);
        EXPECT_TRUE(form.Windows.SkipOwed());
        EXPECT_EQ(Help::Browser()->source().fragment(), QStringLiteral("ctx14110"));
        checked = true;
        config->reject();
    });
    commands.ConfigItem->trigger();
    EXPECT_TRUE(checked);
}

TEST_F(Config, TheFontDialogOffersJapaneseFacesAndSetsUnderlineAndStrikeOut)
{
    StartWith(QString());
    config->show();
    bool asked = false;
    config->RunFontDialog = [&asked](TFontDlg& dialog) {
        asked = true;
        // Faces that write Japanese only, previewed in it: no symbol fonts, no Korean samples.
        QStringList faces;
        for (int i = 0; i < dialog.FaceBox->count(); ++i) faces << dialog.FaceBox->itemText(i);
        EXPECT_FALSE(faces.isEmpty());
        for (const QString& face : faces)
            EXPECT_TRUE(QFontDatabase::writingSystems(face).contains(QFontDatabase::Japanese)) << face.toStdString();
        EXPECT_EQ(dialog.FaceBox->writingSystem(), QFontDatabase::Japanese);
        // Underline and strike-out, as the settings file keeps them.
        EXPECT_FALSE(dialog.UnderlineBox->isChecked() || dialog.StrikeOutBox->isChecked());
        dialog.UnderlineBox->click();
        dialog.StrikeOutBox->click();
        EXPECT_TRUE(dialog.Sample->font().underline() && dialog.Sample->font().strikeOut());
        return int(QDialog::Accepted);
    };
    config->WordsFontBtn->click();
    ASSERT_TRUE(asked);
    config->OKBtn->click();
    EXPECT_EQ(File().ReadString(QStringLiteral("Font"), QStringLiteral("Style"), QString()), QStringLiteral("12"));
    // The next time the dialog starts from them.
    config->show();
    config->RunFontDialog = [](TFontDlg& dialog) {
        EXPECT_TRUE(dialog.UnderlineBox->isChecked() && dialog.StrikeOutBox->isChecked());
        dialog.UnderlineBox->click();
        return int(QDialog::Accepted);
    };
    config->WordsFontBtn->click();
    config->OKBtn->click();
    EXPECT_EQ(File().ReadString(QStringLiteral("Font"), QStringLiteral("Style"), QString()), QStringLiteral("8"));
}

TEST_F(Config, TheReactionTimeIsTakenFromTheCalibrationAndKeptOnlyOnceSet)
{
    StartWith(QStringLiteral("[Settings]\r\nAutoPlay=1\r\n"));
    EXPECT_EQ(settings.ReactionTime, 0);
    // Clicks that are heard 40 ms after they start.
    struct Clicks : ClickSound {
        ManualClock& clock;
        uint32_t started = 0;
        bool on = false;
        explicit Clicks(ManualClock& c) : clock(c) {}
        bool Start(int count, int interval) override
        {
            EXPECT_EQ(count * interval, 8 * 750);
            started = clock.TickCount();
            return on = true;
        }
        void Feed() override {}
        int HeardMs() override { return on ? int(clock.TickCount() - started) - 40 : -1; }
        void Stop() override { on = false; }
    } clicks(clock);
    config->Clicks = &clicks;
    config->TapClock = &clock;
    config->RunCalibration = [&](TReactionForm& dialog) -> std::optional<int> {
        dialog.StartBtn->click();
        EXPECT_FALSE(dialog.OKBtn->isEnabled());
        const uint32_t first = clock.TickCount() + 40;
        for (int k = 0; k < 8; ++k) {
            // Taps about 180 ms late, one click missed, one tap a little early.
            const int lag = k == 3 ? -30 : 180 + (k % 2 ? 10 : -10);
            while (clock.TickCount() < first + uint32_t(k * 750 + lag)) {
                clock.Advance(10);
                dialog.PollProc();
            }
            if (k != 5) dialog.TapAt(clock.TickCount());
        }
        for (int i = 0; i < 100; ++i) {
            clock.Advance(10);
            dialog.PollProc();
        }
        EXPECT_TRUE(dialog.OKBtn->isEnabled());
        EXPECT_TRUE(dialog.ResultLabel->text().contains(QStringLiteral("8 回中 7 回")))
            << dialog.ResultLabel->text().toStdString();
        // A tap just too late presses nothing; then Enter on OK takes the value.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) QTest::keyClick(dialog.OKBtn, key);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        clock.Advance(600);
        QTest::keyClick(dialog.OKBtn, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        return dialog.Proposal();
    };
    config->show();
    EXPECT_EQ(config->ReactionTimeEdit->value(), 0);
    ASSERT_TRUE(config->ReactionBtn->isEnabled());
    config->ReactionBtn->click();
    // (170 + 190 + 170 - 30 + 170 + 170 + 190) / 7 = 147, rounded to 10 ms.
    EXPECT_EQ(config->ReactionTimeEdit->value(), 150);
    config->OKBtn->click();
    EXPECT_EQ(settings.ReactionTime, 150);
    EXPECT_EQ(File().ReadString(QStringLiteral("Settings"), QStringLiteral("ReactionTime"), QString()),
              QStringLiteral("150"));
}

TEST(ReactionTimes, EachClickTakesTheFirstTapNearItAndFewTapsProposeNothing)
{
    ReactionCalibration c;
    c.Tap(10);                          // before the clicks: not counted
    const uint32_t first = 0xFFFFF000u; // the tick count wraps during the clicks
    c.Begin(first);
    for (int k = 0; k < 8; ++k) {
        if (k == 2) continue;
        c.Tap(c.ClickTick(k) + 200);
        c.Tap(c.ClickTick(k) + 300); // a second tap for the same click does not count
    }
    const auto lags = c.Lags();
    EXPECT_FALSE(lags[2]);
    EXPECT_EQ(lags[7], 200);
    EXPECT_EQ(c.Proposal(), 200);
    // Taps far after a click (past the next one's window) belong to the next one.
    ReactionCalibration late;
    late.Begin(1000);
    for (int k = 0; k < 8; ++k) late.Tap(late.ClickTick(k) + 640);
    EXPECT_FALSE(late.Lags()[0]);
    EXPECT_EQ(late.Lags()[1], -110);
    // Early taps: never a negative reaction time. Four taps: no proposal.
    ReactionCalibration early;
    early.Begin(0);
    for (int k = 0; k < 8; ++k) early.Tap(early.ClickTick(k) - 100);
    EXPECT_EQ(early.Proposal(), 0);
    ReactionCalibration few;
    few.Begin(0);
    for (int k = 0; k < 4; ++k) few.Tap(few.ClickTick(k) + 150);
    EXPECT_FALSE(few.Proposal());
    EXPECT_FALSE(few.Done(8 * 750 - 1));
    EXPECT_TRUE(few.Done(8 * 750));
}
