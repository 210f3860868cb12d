// Mirelune: start-up, the single instance, and what happens at the end.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "PlayOn.h"
#include "WarmUp.h"
#include "core/app/CommandLine.h"
#include "core/app/Paths.h"
#include "core/common/Clock.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/common/SafeSave.h"
#include "core/discdata/EntryTexts.h"
#include "core/discdata/Words.h"
#include "core/main/MediaControls.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "device/DiscDevice.h"
#include "device/DiscSamples.h"
#include "device/PulseClicks.h"
#include "device/WebClient.h"
#include "ui/app/Application.h"
#include "ui/app/SingleInstance.h"
#include "ui/app/StandardTexts.h"
#include "ui/app/TerminationSignals.h"
#include "ui/dialogs/Config.h"
#include "ui/dialogs/DiscDialogs.h"
#include "ui/dialogs/DiscMng.h"
#include "ui/dialogs/DriveSel.h"
#include "ui/dialogs/InputData.h"
#include "ui/lyrics/WordsForm.h"
#include "ui/main/Glyphs.h"
#include "ui/main/Help.h"
#include "ui/main/Main.h"
#include "ui/main/Mpris.h"
#include "ui/main/SystemBus.h"
#include "ui/main/WidgetPresenter.h"
#include "ui/main/X11Desktop.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--play-on") == 0) return RunPlayOn(argc, argv);

    // The launcher's startup notification, read before the toolkit takes it: a start that
    // hands its work to a running program passes it on.
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    const QByteArray activationToken = qgetenv("XDG_ACTIVATION_TOKEN");

    // Help, the version and what cannot be taken are answered without a window (and
    // without a display).
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = ParseCommandLine(args, [](const QString& p) { return QFileInfo::exists(p); });
    if (!line.Error.isEmpty()) {
        std::fprintf(stderr, "mirelune: %s\nTry 'mirelune --help'.\n", line.Error.toLocal8Bit().constData());
        return 2;
    }
    if (line.Help || line.Version) {
        const QString text = line.Help ? UsageText() : VersionText(QStringLiteral(MIRELUNE_VERSION));
        // An answer that did not reach its reader (a full disc, a closed pipe) is no answer.
        if (std::fputs(text.toLocal8Bit().constData(), stdout) < 0 || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "mirelune: write error: %s\n", std::strerror(errno));
            return 1;
        }
        return 0;
    }
    // A disc named on the command line is the drive for this run only; the setting stays.
    // One that is not there is told here, by this start, whether or not one runs already.
    const QString namedDisc = line.DiscPath.isEmpty() ? QString() : QFileInfo(line.DiscPath).absoluteFilePath();
    if (!namedDisc.isEmpty() && !QFileInfo::exists(namedDisc)) {
        std::fprintf(stderr, "mirelune: %s: no such file\n", line.DiscPath.toLocal8Bit().constData());
        return 1;
    }

    // On a Wayland session the windows go through Xwayland, unless the user chose; given
    // as an argument, so that programs started from here choose for themselves.
    QByteArray platform = PreferredPlatform(line, [](const char* name) {
                              return qEnvironmentVariable(name);
                          }).toLocal8Bit();
    std::vector<char*> toolkitArgs(argv, argv + argc);
    QByteArray platformOption("-platform");
    if (!platform.isEmpty())
        toolkitArgs.insert(toolkitArgs.begin() + std::min(argc, 1), {platformOption.data(), platform.data()});
    int toolkitArgc = int(toolkitArgs.size());
    toolkitArgs.push_back(nullptr);

    // While the toolkit connects to the display.
    WarmUp warmUp;
    QApplication app(toolkitArgc, toolkitArgs.data());
    // Natively on Wayland the compositor places the windows: their places are not saved.
    const bool compositorPlaces = CompositorPlacesWindows(QGuiApplication::platformName());
    QApplication::setApplicationName(QStringLiteral("Mirelune"));
    // Wayland matches windows to their menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.mirelune.Mirelune"));
    QApplication::setWindowIcon(AppIcon());
    LoadStandardTexts(app);
    // The main window may be hidden while the program runs; it ends when that window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QScreen* screen = QGuiApplication::primaryScreen()) SetScreenDpi(qRound(screen->logicalDotsPerInch()));
    WidgetPresenter presenter;
    SetMessagePresenter(&presenter);

    SingleInstance instance;
    instance.Request = {namedDisc, line.Command, startupId, activationToken};
    if (!instance.Claim()) return 0;

    const ProgramPaths paths = DefaultPaths(QCoreApplication::applicationFilePath(),
                                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    Settings settings;
    settings.PlacesKnown = !compositorPlaces;
    settings.IniPath = SettingsFileFromArgs(line.Options, paths.settingsFolder, paths.settingsFile);
    settings.DefaultDataFolder = paths.dataFolder;
    if (!paths.portable) {
        QDir().mkpath(QFileInfo(settings.IniPath).absolutePath());
        QDir().mkpath(paths.dataFolder);
    }
    LoadSettings(settings, spStartup);

    // The windows measure their texts and make their icons from here on.
    warmUp.Wait();
    if (settings.SelectDrive && namedDisc.isEmpty()) {
        TDriveSelForm select(DiscDevice::DeviceList(), settings.DriveName);
        if (select.exec() != QDialog::Accepted) return 0;
        settings.DriveName = select.DriveName();
    }

    // A disc played on after the last run stops before the drive is opened again.
    StopPlayOn();
    DiscDevice device;
    SystemClock clock;
    // The commands, the disc data, the main window and the player on the drive.
    Application program(device, clock, settings);
    CommandSet& commands = program.commands;
    TWords& words = program.words;
    TMainForm& form = program.Form();
    PlaybackController& controller = program.controller;
    program.playLog.path = paths.logFile;
    program.playLog.locale = QLocale::system();
    TInputDataForm inputData(device, clock, words, controller, form, form.Windows, &form);
    program.AttachInputData(inputData);
    // Unsaved data entry outlives a disc that goes, a logout or a crash.
    inputData.DraftFolder = QDir(paths.dataFolder).filePath(QStringLiteral("drafts"));
    // The timing page's waveforms, read from the disc in the background and kept.
    inputData.Waveforms.Opener = DiscSampleReaders(device);
    inputData.Waveforms.Folder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
                                     .filePath(QStringLiteral("mirelune/peaks"));
    // The lyrics window, which the tick shows, hides and updates.
    TWordsForm wordsForm(commands, settings, clock);
    program.AttachWordsForm(wordsForm);
    // During a timing test the data-entry dialog updates the lyrics window itself.
    inputData.UpdateWordsNow = [&wordsForm] { wordsForm.UpdateWords(true); };
    TDiscMngForm discMng(form.Windows, form, controller, words, settings, commands);
    // Titles and lyrics from the internet, looked up only when the user asks.
    WebClient web;
    inputData.SetOnline(&web, &settings);
    discMng.SetOnline(&web, &device);
    inputData.RegisterDisc = [&discMng] { return discMng.OfferRegistration(); };
    // The caches are emptied of what is old once the program has settled, not during its
    // start: answers after their week, waveforms not written for a season.
    QTimer::singleShot(60'000, &form, [peaks = inputData.Waveforms.Folder, online = web.CacheFolder()] {
        RemoveFilesOlderThan(online, 7);
        RemoveFilesOlderThan(peaks, 90);
    });

    // A disc named on the command line is the drive for this run only; it cannot be
    // swapped for another, so failing to open it ends the program.
    QString drive = namedDisc.isEmpty() ? settings.DriveName : namedDisc;
    // So does the disc of a start told to play.
    controller.PlayFirstDisc = !namedDisc.isEmpty() || line.Command == QLatin1String("play-pause");
    // A drive that cannot be opened is reported; then the user may choose another (a
    // disc image, on a machine without a drive). Only a cancelled choice ends the program.
    while (!controller.OpenDevice(drive)) {
        // The reason goes below the message: a cue sheet's audio in the wrong format, a
        // file it names that is missing, and the like are the user's to mend.
        const QString reason = device.OpenError();
        const QString why = reason.isEmpty() ? QString() : QStringLiteral("\r\r") + reason;
        if (!namedDisc.isEmpty()) {
            ErrorMessage(QStringLiteral("ディスク %1 を開けません。終了します。").arg(namedDisc) + why,
                         QStringLiteral("Mirelune"));
            return 1;
        }
        // What happens next is the user's choice: another drive or a disc image, or the end.
        const QString shown = drive.isEmpty() ? QStringLiteral("CDドライブ")
                                              : QStringLiteral("ドライブ %1 ").arg(drive);
        if (CurrentMessagePresenter()->Show(
                shown +
                    QStringLiteral(
                        "を開けません。\r"
                        "OK を押して別のドライブかディスクイメージを選んでください。"
                        "キャンセルすると終了します。\r"
                        "ほかのプログラムがドライブを使っているときは、そちらを終了させてから選んでください。") +
                    why,
                QStringLiteral("Mirelune"), MbTaskModal | MbIconError | MbOkCancel) != IdOk)
            return 1;
        TDriveSelForm select(DiscDevice::DeviceList(), settings.DriveName);
        if (select.exec() != QDialog::Accepted) return 1;
        settings.DriveName = select.DriveName();
        drive = settings.DriveName;
    }
    form.DriveDisplayName = drive.isEmpty() ? device.DriveName() : drive;
    form.HelpFile = paths.helpFile;
    Help::SetFile(paths.helpFile);

    // The settings dialog's creation loads the rest of the settings and applies them.
    TConfigForm config(form.Windows, form, &wordsForm, settings, commands);
    // The reaction time's calibration clicks through the sound server.
    PulseClicks clicks;
    config.Clicks = &clicks;
    config.TapClock = &clock;
    wordsForm.ApplyLoadedWindowState();
    form.ApplyLoadedWindowState();
    // The disc's properties and program editor, kept by the main window for the whole run.
    auto* discDialogs = new DiscDialogs(form.Windows, form, commands, words);
    QObject::connect(&form, &TMainForm::PlayTimeGrew, discDialogs, &DiscDialogs::PlayTimeGrew);

    // The desktop's media keys and widgets, on the session bus when there is one.
    MediaControls media(controller, words, commands);
    media.WordsContDisp = [&wordsForm] { return wordsForm.WordsContDisp; };
    media.ModalOpen = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; };
    // Data entry merely open leaves the player to the desktop; what its capture, test or
    // line plays is what the desktop is told.
    controller.EntryPlaying = [&inputData] { return inputData.Capture.Running(); };
    media.EntryPlaying = [&inputData, &device] {
        const TimingCapture& c = inputData.Capture;
        return c.Running() ? EntryPlayback{true, c.Testing, c.TimingTrack, device.Position()} : EntryPlayback{};
    };
    // The media keys that reach our windows (no bridge of the desktop took them).
    form.Keys.MediaKey = [&media](int key) { return media.MediaKey(key); };
    MprisService mpris(media, controller, commands, clock);
    // The volume the desktop set last time.
    device.SetVolume(settings.Volume / 100.0);
    mpris.SetVolume(settings.Volume / 100.0);
    mpris.VolumeChanged = [&settings, &device](double volume) {
        settings.Volume = qRound(volume * 100);
        device.SetVolume(volume);
    };
    // The desktop's mixer sets the stream's volume: that is the program's volume, which
    // the bus follows and the settings keep. It comes on the sound output's thread.
    device.OnMixerVolume([&mpris](double volume) {
        QMetaObject::invokeMethod(
            &mpris, [&mpris, volume] { mpris.SetVolume(volume); }, Qt::QueuedConnection);
    });
    mpris.Raise = [&form, &commands] {
        form.BringForward();
        if (form.MainShown) return;
        commands.MainDispItem->trigger();
        form.BringForward();
    };
    mpris.Quit = [&form] { form.close(); };
    mpris.Start();

    // A later start's request: the launcher's startup notification ends (the token goes to
    // the window that comes forward), its command acts as the desktop's media controls
    // do, and its disc plays here for this run, as a start naming it would have it.
    QString handedDisc;
    QTimer discWait; // until no message box, press or disc load is under way
    discWait.setInterval(200);
    const auto playHandedDisc = [&] {
        if (controller.Starting || controller.Waiting() || controller.Loading ||
            qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            return;
        discWait.stop();
        const QString disc = std::exchange(handedDisc, QString());
        const QString previous = device.DriveName();
        if (controller.SwitchDrive(disc, true)) {
            form.DriveDisplayName = disc;
        } else {
            const QString reason = device.OpenError();
            ErrorMessage(QStringLiteral("ディスク %1 を開けません。").arg(disc) +
                             (reason.isEmpty() ? QString() : QStringLiteral("\r\r") + reason),
                         QStringLiteral("Mirelune"));
            controller.SwitchDrive(previous, false);
        }
        form.ApplyWindowSettings();
    };
    QObject::connect(&discWait, &QTimer::timeout, &form, playHandedDisc);
    QObject::connect(&instance, &SingleInstance::Requested, &form, [&](const InstanceRequest& r) {
        if (!r.StartupId.isEmpty()) X11EndStartupNotification(r.StartupId);
        if (!r.ActivationToken.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", r.ActivationToken);
        if (r.Command == QLatin1String("play-pause"))
            media.PlayPause();
        else if (r.Command == QLatin1String("next"))
            media.Next();
        else if (r.Command == QLatin1String("previous"))
            media.Previous();
        else if (r.Command == QLatin1String("stop"))
            media.Stop();
        if (!r.Disc.isEmpty()) {
            handedDisc = r.Disc;
            discWait.start();
            playHandedDisc();
        }
    });
    QObject::connect(&instance, &SingleInstance::ShowRequested, &form, &TMainForm::BringForward);
    // System suspend waits while a disc plays (the setting StopSleep); it is let go on
    // pause, stop and exit.
    SleepInhibitor sleepBlock;
    bool closed = false;
    const auto blockSleep = [&] {
        const bool playing = (commands.State.Now() == TransportState::Playing) ||
                             (controller.InDataEntry && controller.DeviceModeNow == ModePlaying);
        sleepBlock.SetInhibited(settings.StopSleep && playing && !closed);
    };
    QObject::connect(&controller.Timer, &QTimer::timeout, &sleepBlock, blockSleep);
    QObject::connect(&form, &TMainForm::Closed, &sleepBlock, [&] {
        closed = true;
        blockSleep();
    });
    SleepWatcher sleep;
    QObject::connect(&sleep, &SleepWatcher::Suspending, &form, [&form] { form.WriteLogLine(); });
    QObject::connect(&sleep, &SleepWatcher::Resumed, &form,
                     [&controller] { controller.LogStart = QDateTime::currentDateTime(); });

    form.PlaybackOnExit = [&](bool keep) {
        const int32_t from = device.Position();
        const QString drive = device.DriveName();
        device.Stop();
        if (!keep) return;
        // The drive and the player's name on the bus are let go before the player takes them.
        device.Close();
        mpris.Withdraw();
        // Named as the desktop showed the disc.
        const EntryTexts texts = InitialEntryTexts(words);
        PlayOnDisc disc{texts.Title, texts.Artist, {}, settings.Volume / 100.0, settings.StopSleep};
        for (int t = 1; t < int(texts.SongTitles.size()); ++t) disc.Titles << texts.SongTitles[size_t(t)];
        StartPlayOn(drive, from, controller.DiscEnd, disc);
    };
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received, &form, [&form] {
        // A logout or a kill: nobody may be there to answer a box. What cannot be saved
        // on the way out is told on stderr (the box's Cancel), and the program ends.
        SetMessagePresenter(nullptr);
        form.ConfirmClose = nullptr;
        form.CloseFromOutside(); // the sound ends with it, whatever PlayOnExit says
        // A box shown before the signal (an exit already under way) is answered with
        // Cancel: quitting ends every event loop, a box's too.
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });

    // Notices are said without taking the keyboard from the player, and beside its
    // windows rather than over them.
    const QList<const QWidget*> windows{&form, &wordsForm};
    // Once, when the first tick has put the windows in their places (the sound server
    // has answered meanwhile).
    QObject::connect(
        &form, &TMainForm::Started, &form,
        [windows, &device] {
            if (!device.SoundOutputMissing()) return;
            ShowNotice(QStringLiteral("音声出力が見つかりません。音を出さずに再生します。"),
                       QStringLiteral("Mirelune - 音声出力"), QMessageBox::Information, windows);
        },
        Qt::SingleShotConnection);
    // A disc image or cue sheet came in that cannot be read; the drive waits for a good
    // one, and the notice goes when it comes.
    const QString discNotice = QStringLiteral("Mirelune - ディスク");
    QObject::connect(&form, &TMainForm::DiscUnreadable, &form, [windows, discNotice](const QString& reason) {
        ShowNotice(QStringLiteral("ドライブのディスクを読み込めません。\n\n") + reason +
                       QStringLiteral("\n\nファイルを直すか置き換えると、ディスクとして読み込みます。"),
                   discNotice, QMessageBox::Warning, windows);
    });
    QObject::connect(&form, &TMainForm::DiscComing, &form, [discNotice] { CloseNotice(discNotice); });

    controller.StartTimer();
    // The first tick ends start-up (the windows come out) and the next one reads the
    // drive: both as soon as the event loop runs, not a whole stopped-tick interval
    // later. Each in a turn of its own, so the windows reach the screen in between.
    QTimer::singleShot(0, &controller, [&controller] {
        if (!controller.Starting) return; // the tick came first after all
        controller.TimerProc();
        QTimer::singleShot(0, &controller, [&controller] { controller.TimerProc(); });
    });
    const int rc = app.exec();
    device.Close();
    SetMessagePresenter(nullptr);
    return rc;
}
