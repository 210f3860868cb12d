// Mirelune: start-up, the single instance, and what happens at the end.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <cstring>

#include "app/Paths.h"
#include "app/PlayLog.h"
#include "app/PlayOn.h"
#include "app/SingleInstance.h"
#include "app/StandardTexts.h"
#include "app/TerminationSignals.h"
#include "common/Clock.h"
#include "common/Commands.h"
#include "common/Error.h"
#include "common/Etc.h"
#include "dialogs/Config.h"
#include "dialogs/DiscDialogs.h"
#include "dialogs/DiscMng.h"
#include "dialogs/DriveSel.h"
#include "dialogs/InputData.h"
#include "dialogs/InputDataLink.h"
#include "discdata/Words.h"
#include "lyrics/WordsForm.h"
#include "main/Glyphs.h"
#include "main/Help.h"
#include "main/Main.h"
#include "main/SystemBus.h"
#include "main/WidgetPresenter.h"
#include "playback/DiscDevice.h"
#include "playback/PlaybackController.h"
#include "settings/IniFile.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--play-on") == 0) return RunPlayOn(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirelune"));
    QApplication::setWindowIcon(AppIcon());
    LoadStandardTexts(app);
    // The main window may be hidden while the program runs; it ends when that window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        SetScreenDpi(qRound(screen->logicalDotsPerInch()));
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);

    SingleInstance instance;
    if (!instance.Claim()) return 0;

    const ProgramPaths paths =
        DefaultPaths(QCoreApplication::applicationFilePath(),
                     QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                     QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    Settings settings;
    settings.IniPath = SettingsFileFromArgs(app.arguments().mid(1), QCoreApplication::applicationDirPath(),
                                            paths.settingsFile);
    settings.DefaultDataFolder = paths.dataFolder;
    if (!paths.portable) {
        QDir().mkpath(QFileInfo(settings.IniPath).absolutePath());
        QDir().mkpath(paths.dataFolder);
    }
    LoadSettings(settings, spStartup);

    if (settings.SelectDrive) {
        TDriveSelForm select(DiscDevice::DeviceList(), settings.DriveName);
        if (select.exec() != QDialog::Accepted) return 0;
        settings.DriveName = select.DriveName();
    }

    // A disc played on after the last run stops before the drive is opened again.
    StopPlayOn();
    DiscDevice device;
    SystemClock clock;
    CommandSet commands;
    PlayLog playLog;
    playLog.path = paths.logFile;
    playLog.locale = QLocale::system();
    TWords words(device, commands, settings);
    TMainForm form(commands, settings, playLog);
    PlaybackController controller(device, clock, commands, words, form);
    form.Attach(&controller, &words, &device);
    TInputDataForm inputData(device, clock, words, controller, form, &form);
    LinkInputData(inputData, form, controller, commands);
    // The lyrics window, which the tick shows, hides and updates.
    TWordsForm wordsForm(commands, settings, clock);
    wordsForm.Attach(&controller, &words, &device, &form);
    controller.SetWordsView(&wordsForm);
    form.AttachWordsForm(&wordsForm);
    // During a timing test the data-entry dialog updates the lyrics window itself.
    inputData.UpdateWordsNow = [&wordsForm] { wordsForm.UpdateWords(true); };
    TDiscMngForm discMng(form, words, settings, commands);

    // A drive that cannot be opened is reported; then the user may choose another (a
    // disc image, on a machine without a drive). Only a cancelled choice ends the program.
    while (!controller.OpenDevice(settings.DriveName)) {
        // The reason goes below the message: a cue sheet's audio in the wrong format, a
        // file it names that is missing, and the like are the user's to mend.
        const QString reason = device.OpenError();
        ErrorMessage(QStringLiteral("MCIデバイスが使用できません。終了します。\r"
                                    "別のCDプレイヤーが起動されている場合はそちらを終了させてください。")
                         + (reason.isEmpty() ? QString() : QStringLiteral("\r\r") + reason),
                     QStringLiteral("Mirelune"));
        TDriveSelForm select(DiscDevice::DeviceList(), settings.DriveName);
        if (select.exec() != QDialog::Accepted) return 1;
        settings.DriveName = select.DriveName();
    }
    form.DriveDisplayName = settings.DriveName.isEmpty() ? device.DriveName() : settings.DriveName;
    form.HelpFile = paths.helpFile;
    Help::SetFile(paths.helpFile);

    // The settings dialog's creation loads the rest of the settings and applies them.
    TConfigForm config(form, &wordsForm, settings, commands);
    wordsForm.ApplyLoadedWindowState();
    form.ApplyLoadedWindowState();
    // The disc's properties and program editor, kept by the main window for the whole run.
    new DiscDialogs(form, commands, words);

    QObject::connect(&instance, &SingleInstance::ShowRequested, &form, &TMainForm::BringForward);
    SleepWatcher sleep;
    QObject::connect(&sleep, &SleepWatcher::Suspending, &form, [&form] { form.WriteLogLine(); });
    QObject::connect(&sleep, &SleepWatcher::Resumed, &form,
                     [&controller] { controller.LogStart = QDateTime::currentDateTime(); });

    form.PlaybackOnExit = [&](bool keep) {
        const int32_t from = device.Position();
        const QString drive = device.DriveName();
        device.Stop();
        if (!keep) return;
        // The drive is let go before the player takes it.
        device.Close();
        StartPlayOn(drive, from, controller.DiscEnd);
    };
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received, &form, &QWidget::close);

    if (device.SoundOutputMissing()) {
        // Said once, without taking the keyboard from the player.
        auto* note = new QMessageBox(QMessageBox::Information, QStringLiteral("Mirelune - 音声出力"),
                                     QStringLiteral("音声出力が見つかりません。音を出さずに再生します。"),
                                     QMessageBox::Ok);
        note->setAttribute(Qt::WA_DeleteOnClose);
        note->setAttribute(Qt::WA_ShowWithoutActivating);
        note->setModal(false);
        note->show();
    }

    controller.StartTimer();
    const int rc = app.exec();
    device.Close();
    SetMessagePresenter(nullptr);
    return rc;
}
