// The program's dialogs as the start makes them: they exist from the start with their
// commands, the settings take effect on every window at once, and each dialog makes its
// controls only when it is first opened.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "core/common/Etc.h"
#include "core/common/TextCodec.h"
#include "support/DialogWorld.h"
#include "ui/dialogs/CDInfo.h"
#include "ui/dialogs/Config.h"
#include "ui/dialogs/DiscDialogs.h"
#include "ui/dialogs/DiscMng.h"
#include "ui/dialogs/InputData.h"
#include "ui/dialogs/ProgSet.h"
#include "ui/lyrics/WordsForm.h"

namespace {

class StartupDialogs : public DialogWorld {
protected:
    StartupDialogs() : lyrics(commands, settings, clock) { lyrics.Attach(&player, &words, &device, &form); }

    // A fixed dialog box at least as large as its size at 96 dpi.
    static void ExpectFixedAtLeast(const QDialog* d, int width, int height)
    {
        EXPECT_EQ(d->minimumSize(), d->maximumSize()) << d->objectName().toStdString();
        EXPECT_GE(d->width(), ScaleToScreen(width)) << d->objectName().toStdString();
        EXPECT_GE(d->height(), ScaleToScreen(height)) << d->objectName().toStdString();
    }

    TWordsForm lyrics;
};

} // namespace

TEST_F(StartupDialogs, EachDialogMakesItsControlsWhenFirstOpenedAndShowsTheSettingsTheStartApplied)
{
    QFile f(settings.IniPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Cp932::Encode(QStringLiteral("[Settings]\r\nStayOnTop=1\r\nTimerInt=250\r\nEnableEject=1\r\n"
                                         "[MainFont]\r\nBackColor=255\r\n[Font]\r\nSize=20\r\n")));
    f.close();
    device.InsertDisc(SimDisc::Audio({60, 60}));
    ASSERT_TRUE(player.OpenDevice(QString()));

    // In the order of the start.
    TInputDataForm inputData(device, clock, words, player, form, form.Windows, &form);
    app.AttachInputData(inputData);
    auto* discMng = new TDiscMngForm(form.Windows, form, player, words, settings, commands);
    auto* config = new TConfigForm(form.Windows, form, &lyrics, settings, commands);
    auto* discDialogs = new DiscDialogs(form.Windows, form, commands, words);
    const QList<QDialog*> all{&inputData, discMng, config, discDialogs->CDInfoForm, discDialogs->ProgSetForm};
    for (const QDialog* d : all)
        EXPECT_TRUE(d->findChildren<QWidget*>().isEmpty()) << d->objectName().toStdString() << " made its controls";

    // The settings took effect on the running program all the same.
    EXPECT_TRUE(commands.StayOnTopItem->isChecked());
    EXPECT_TRUE(commands.EjectItem->isVisible());
    EXPECT_EQ(player.TimerInt, 250);
    EXPECT_EQ(form.Image.background, QColor(255, 0, 0));
    EXPECT_EQ(lyrics.WordsFont().pointSize(), 20);

    // The first tick; the disc comes in.
    player.StartTimer();
    player.TimerProc();
    time.RunFor(1500);

    // The disc manager registers the disc.
    bool seen = false;
    QTimer::singleShot(0, discMng, [&] {
        seen = discMng->isVisible();
        EXPECT_EQ(discMng->DiscCountText->text(), QStringLiteral("0"));
        discMng->WordsFileNameEdit->insert(QStringLiteral("disc"));
        discMng->RegBtn->click();
        EXPECT_EQ(discMng->DiscCountText->text(), QStringLiteral("1"));
        discMng->OKBtn->click();
    });
    commands.DiscMngItem->trigger();
    EXPECT_TRUE(seen);
    ExpectFixedAtLeast(discMng, 473, 315);
    ASSERT_TRUE(words.HasFile());

    // Opened from their commands, they show the running state in their controls.
    seen = false;
    QTimer::singleShot(0, config, [&] {
        seen = config->isVisible();
        EXPECT_TRUE(config->StayOnTop->isChecked());
        EXPECT_TRUE(config->EnableEject->isChecked());
        EXPECT_EQ(config->TimerIntEdit->value(), 250);
        config->CancelBtn->click();
    });
    commands.ConfigItem->trigger();
    EXPECT_TRUE(seen);
    ExpectFixedAtLeast(config, 393, 243);

    seen = false;
    QTimer::singleShot(0, discDialogs->CDInfoForm, [&] {
        TCDInfoForm* info = discDialogs->CDInfoForm;
        seen = info->isVisible();
        EXPECT_EQ(info->TracksText->text(), QStringLiteral("2"));
        info->OKBtn->click();
    });
    commands.CDInfoItem->trigger();
    EXPECT_TRUE(seen);
    ExpectFixedAtLeast(discDialogs->CDInfoForm, 451, 261);

    seen = false;
    QTimer::singleShot(0, discDialogs->ProgSetForm, [&] {
        TProgSetForm* prog = discDialogs->ProgSetForm;
        seen = prog->isVisible();
        EXPECT_TRUE(prog->SaveBtn->isEnabled());
        prog->CancelBtn->click();
    });
    commands.ProgSetItem->trigger();
    EXPECT_TRUE(seen);
    ExpectFixedAtLeast(discDialogs->ProgSetForm, 492, 291);

    seen = false;
    QTimer::singleShot(0, &inputData, [&] {
        seen = inputData.isVisible();
        EXPECT_EQ(inputData.MTitleList->count(), 2);
        inputData.CancelBtn->click();
    });
    commands.InputDataItem->trigger();
    EXPECT_TRUE(seen);
    ExpectFixedAtLeast(&inputData, 497, 331);
}
