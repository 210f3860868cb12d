// The main window among the program's windows: shown and hidden, minimised into the
// notification area, brought forward, its stay-on-top flag, its dialogs, and its closing.
#include "Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include "Actions.h"
#include "Help.h"
#include "SystemBus.h"
#include "TaskTray.h"
#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/main/DiscAutorun.h"
#include "core/settings/IniFile.h"
#include "ui/dialogs/About.h"
#include "ui/lyrics/WordsForm.h"

namespace {
// States the bar never takes.
constexpr Qt::WindowStates kBigStates = Qt::WindowMaximized | Qt::WindowFullScreen;
} // namespace

// ---------------------------------------------------------------- window behaviour

void TMainForm::setStayOnTopFlag(bool on)
{
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // Told to the window system in place, so the window is not hidden and re-created.
    overrideWindowFlags(flags);
    if (windowHandle()) windowHandle()->setFlags(flags);
}

void TMainForm::ApplyStayOnTop() { Windows.Reassert(); }

bool TMainForm::DialogOpen() const { return Windows.DialogOpen(); }

void TMainForm::ShowMainWindow()
{
    // Until the first tick the window stays off the screen; that tick shows it.
    if ((controller && controller->Starting) || Minimized()) return;
    setAttribute(Qt::WA_ShowWithoutActivating, DialogOpen());
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void TMainForm::HideMainWindow()
{
    if (Minimized()) return;
    hide();
}

void TMainForm::mainDispItemClick()
{
    MainShown = !MainShown;
    if (MainShown)
        ShowMainWindow();
    else
        HideMainWindow();
    cmd.MainDispItem->setChecked(MainShown);
    ApplyStayOnTop();
}

void TMainForm::FinishStartup()
{
    move(pos().x(), settings.MainTop);
    // Here only a shown window has a taskbar button. With no icon in a notification area
    // and no lyrics window that stays up (one that hides without lyrics may never come),
    // nothing would be left to bring the program back: the main window shows.
    const bool wordsStay = cmd.WordsDispItem->isChecked() && !settings.HideNoWords;
    if (!cmd.MainDispItem->isChecked() && !wordsStay && !TaskTray->Shown()) cmd.MainDispItem->setChecked(true);
    MainShown = cmd.MainDispItem->isChecked();
    // Drawn and laid out first: the window comes up as it is to be seen, at once.
    UpdateDisplay();
    if (MainShown) {
        ShowMainWindow();
        activateWindow();
    }
    emit Started();
}

bool TMainForm::Minimized() const { return isMinimized() || trayHidden; }

bool TMainForm::ApplicationActive() const { return QGuiApplication::applicationState() == Qt::ApplicationActive; }

bool TMainForm::ShiftHeld() const { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }

bool TMainForm::SeekKeysHeld() const
{
    return Keys.Held(Qt::Key_R) || Keys.Held(Qt::Key_N) || Keys.Held(Qt::Key_Space) ||
           (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

bool TMainForm::AutorunPresent() const { return DiscHasAutorun(DriveDisplayName); }

void TMainForm::RestoreFocusAfterWords(bool wordsWanted)
{
    if (!wordsWanted && !MainShown) return;
    if (!QApplication::activeWindow() && MainShown) activateWindow();
}

void TMainForm::CloseDiscManager()
{
    Windows.Close(QStringLiteral("DiscMngForm"));
    emit DiscComing();
}

void TMainForm::CloseDiscDialogs() { Windows.CloseDiscDialogs(); }

void TMainForm::ClosePopupMenus()
{
    for (int i = 0; i < 8 && QApplication::activePopupWidget(); ++i) QApplication::activePopupWidget()->close();
}

void TMainForm::WriteLogLine()
{
    if (!controller) return;
    playLog.WriteLogLine(words ? words->Title : QString(), words && words->HasFile(), controller->LogStart);
}

bool TMainForm::ExitTag() const { return ActionFor(cmd.ExitItem)->data().toInt() == 1; }

void TMainForm::discMenuAboutToShow()
{
    if (ShiftHeld()) {
        ActionFor(cmd.ExitItem)->setData(1);
        cmd.ExitItem->setText((PlayOnExit ? QStringLiteral("演奏を停止して") : QStringLiteral("演奏を停止せずに")) +
                              cmd.ExitCaption);
    } else {
        ActionFor(cmd.ExitItem)->setData(0);
        cmd.ExitItem->setText(cmd.ExitCaption);
    }
}

void TMainForm::BringForward()
{
    if (trayHidden) {
        trayHidden = false;
        showNormal();
    }
    // With no window of the program on the screen nothing else would bring it back (there
    // is no taskbar button without a window): the main window is shown as its display item
    // shows it.
    if (!MainShown && !(controller && controller->WordsWindowShown())) cmd.MainDispItem->trigger();
    // Every window of the program comes back from the taskbar and to the front; the key
    // goes to an open dialog, else to the main window, else to the lyrics window.
    QWidget* front = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) continue;
        if (w->isMinimized()) w->showNormal();
        w->raise();
        if (!front || w == this) front = w;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) front = modal;
    if (!front) return;
    front->raise();
    front->activateWindow();
}

void TMainForm::trayClick(Qt::MouseButton button)
{
    if (button != Qt::LeftButton) return;
    if (Minimized()) {
        trayHidden = false;
        showNormal();
        raise();
        activateWindow();
        // Re-apply the shown state the user had.
        MainShown = !MainShown;
        cmd.MainDispItem->trigger();
    } else {
        cmd.MainDispItem->trigger();
    }
}

void TMainForm::applicationStateChanged(Qt::ApplicationState state)
{
    if (state != Qt::ApplicationActive && controller) controller->ReleaseButton();
    applySaver();
    ApplyStayOnTop();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    // The bar is never maximised or full screen. Some window managers (openbox) offer it
    // for any window they may resize, whatever the window asks for; the normal state
    // is asked back at once.
    if (!isMinimized() && (windowState() & kBigStates)) {
        QTimer::singleShot(0, this, [this] {
            if (!isMinimized()) setWindowState(windowState() & ~kBigStates);
        });
    }
    if (isMinimized() && TaskTray->EnableTaskTray() && TaskTray->Shown()) {
        // With the icon in the notification area, a minimised program leaves the taskbar.
        trayHidden = true;
        hide();
    }
    UpdateDisplay();
}

void TMainForm::showAbout()
{
    if (DialogOpen()) return;
    TAboutForm about(this);
    Windows.Add(&about);
    Windows.RunModal(about, [&] { about.setWindowFlag(Qt::WindowStaysOnTopHint, Windows.StayOnTop); });
}

void TMainForm::showHelp()
{
    if (!HelpFile.isEmpty()) Help::SetFile(HelpFile);
    Help::Show(0, this);
}

// ---------------------------------------------------------------- mouse

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // Without a title bar the window is moved by dragging its client area.
    if (watched == client && event->type() == QEvent::MouseButtonPress && settings.HideMainBar &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- closing

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!closed && ConfirmClose && !ConfirmClose()) {
        event->ignore();
        return;
    }
    if (!closed) formCloseQuery();
    event->accept();
}

void TMainForm::CloseFromOutside()
{
    closingFromOutside = true;
    close();
}

void TMainForm::formCloseQuery()
{
    closed = true;
    const bool keepTag = exitFromItem && ExitTag();
    const bool shift = ShiftHeld();
    // 1. A disc in the drive: its dialogs closed, its log line written, its play state saved.
    if (controller && !NoDiscMode(controller->DeviceModeNow)) controller->UnloadDisc();
    // 2. The window's place and what is shown.
    const bool started = controller && !controller->Starting;
    settings.MainTop = started ? pos().y() : kOffScreenTop;
    settings.MainLeft = pos().x();
    settings.MainWidth = width() + 8;
    settings.Visible = (cmd.MainDispItem->isChecked() ? 1 : 0) | (cmd.WordsDispItem->isChecked() ? 2 : 0);
    if (wordsForm) wordsForm->StoreWindowState();
    SaveSettings(settings, spWindow);
    // 3. The screen saver as it was.
    saver->SetInhibited(false);
    // 4. The notification-area icon goes.
    TaskTray->SetEnableTaskTray(false);
    // 5. Playback: stopped, or played on to the end of the disc after the program ends
    // (never when the program was ended from outside: nobody chose to hear it on).
    if (started && controller->DeviceModeNow == ModePlaying && PlaybackOnExit)
        PlaybackOnExit(!closingFromOutside && PlayOnExit != (shift || keepTag));
    emit Closed();
}
