#pragma once
// TMainForm: the main window. A small fixed-height bar under a four-menu menu bar: the
// drawn time display with the play-type and time-mode labels, the disc title and
// artist, the track list and five transport buttons. It shows what the playback
// controller computes and forwards the user's commands; the logic stays in the core.
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "MainParts.h"
#include "ProgramKeys.h"
#include "WindowStack.h"
#include "core/app/PlayLog.h"
#include "core/main/TimeDisplay.h"
#include "core/playback/PlaybackController.h"
#include "ui/dialogs/SettingsView.h"

class CdDevice;
class CommandSet;
class QFrame;
class QMenu;
class QToolButton;
class ScreenSaverInhibitor;
class TTaskTray;
class TWordsForm;
class TWords;
struct Settings;

class TMainForm : public QMainWindow, public PlaybackHost, public SettingsView {
    Q_OBJECT
public:
    TMainForm(CommandSet& commands, Settings& settings, PlayLog& playLog, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The controller, the disc data object and the drive, once they exist.
    void Attach(PlaybackController* controller, TWords* words, CdDevice* device);
    PlaybackController* Controller() const { return controller; }

    // Applies the settings to the window and the controller (what the settings dialog
    // does when it applies).
    void ApplySettings() override;
    // Once, after the settings are loaded: the window's left and width, and the
    // window-visibility bits (which click MainDispItem and WordsDispItem).
    void ApplyLoadedWindowState();
    void ApplyWindowSettings() override;
    // Takes the colours and the main font from the settings and paints with them.
    void ApplyColours() override;
    void SetSaverDisabled(bool disabled) override { SaverDisabled = disabled; }
    void ShowMainWindow();
    void HideMainWindow();
    // A second start asked for us: restored if minimised, else brought to the front.
    void BringForward() override;
    // The stay-on-top state of this window and the lyrics window, and the dialogs over them.
    WindowStack Windows{this};
    // The lyrics window: its menu becomes the icon's right-button menu, closing it closes
    // this window, it follows the stay-on-top state and its place is saved with ours.
    void AttachWordsForm(TWordsForm* form);

    // PlaybackHost
    bool DialogOpen() const override;
    bool ShiftHeld() const override;
    bool SeekKeysHeld() const override;
    bool ListDropped() const override { return listDropped; }
    bool Testing() const override { return TimingTesting && TimingTesting(); }
    bool Minimized() const override;
    bool ApplicationActive() const override;
    bool AutorunPresent() const override;
    void FinishStartup() override;
    void UpdateDisplay() override;
    void RedrawDisplay() override;
    void ShowDiscTitle() override;
    void ShowModeLabel(bool visible, const QString& text) override;
    void GlyphsChanged() override;
    void FocusButton(Command* button) override;
    void FocusMainWindow() override;
    void TrackListChanged() override;
    void ApplyStayOnTop() override;
    void RestoreFocusAfterWords(bool wordsWanted) override;
    void CloseDiscManager() override;
    void CloseDiscDialogs() override;
    void ClosePopupMenus() override;
    void WriteLogLine() override;
    void PlayTimeChanged() override { emit PlayTimeGrew(); }
    void DiscRefused(const QString& reason) override { emit DiscUnreadable(reason); }

    // Window state.
    bool MainShown = false; // the user wants the main window shown
    QString Caption = QStringLiteral("Mirelune");
    // The drive shown with ShowDriveName (the default drive's name when none is set).
    QString DriveDisplayName;
    // The help pages (TopicItem opens them in the program's help window).
    QString HelpFile;
    // What closing does with playback (stop, or play on to the end of the disc). Set by
    // start-up; keep is already decided (PlayOnExit inverted by Shift or the exit tag).
    std::function<void(bool keep)> PlaybackOnExit;
    // A timing test runs in the data-entry dialog.
    std::function<bool()> TimingTesting;
    // Asked before the window closes: false keeps the program running (edits that would
    // be lost, and the user chose to stay). Unset: nothing to ask.
    std::function<bool()> ConfirmClose;
    // Settings applied: the interval etc. are the controller's; these are the window's.
    bool PlayOnExit = false;
    // The screen saver is held off for the whole run: the run started with StopSaver 2.
    // A mode chosen later holds it off only while the program is active, until the next start.
    bool SaverDisabled = false;

    // Controls, named as the window's parts.
    QFrame* Bevel1;
    QFrame* Bevel2;
    QFrame* Bevel3;
    QLabel* TimeImageLabel;
    ClickLabel* ModeLabel;
    ClickLabel* TypeLabel;
    QLabel* TitleLabel;
    QLabel* ArtistLabel;
    TrackBox* MTitleBox;
    QToolButton* PlayButton;
    QToolButton* PauseButton;
    QToolButton* StopButton;
    QToolButton* PrevButton;
    QToolButton* NextButton;
    QMenu* DiscMenu;
    QMenu* DispMenu;
    QMenu* OptionMenu;
    QMenu* HelpMenu;
    QAction* N12;
    TTaskTray* TaskTray;
    TimeImage Image;
    // The keys of every window of the program.
    ProgramKeys Keys;

    // The exit item chosen with the Disc menu opened with Shift.
    bool ExitTag() const;
    // Closes the window for a logout, a kill or Ctrl+C in a terminal: as the user's own
    // close, but the disc stops whatever PlayOnExit says; only the user's close plays on.
    void CloseFromOutside();

signals:
    // The first tick finished start-up: the windows stand where the settings put them.
    void Started();
    // A disc came into the drive that cannot be read, for this reason.
    void DiscUnreadable(const QString& reason);
    // A disc is coming in (it was read and is being loaded).
    void DiscComing();
    // The window closed: the program ends.
    void Closed();
    // The disc's play time grew (the properties dialog shows it).
    void PlayTimeGrew();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectCommands();
    void layoutControls();
    void fixHeight();
    void setStayOnTopFlag(bool on);
    void discMenuAboutToShow();
    void mainDispItemClick();
    void trayClick(Qt::MouseButton button);
    void applicationStateChanged(Qt::ApplicationState state);
    void applySaver();
    void formCloseQuery();
    void showHelp();
    void showAbout();

    CommandSet& cmd;
    Settings& settings;
    PlayLog& playLog;
    PlaybackController* controller = nullptr;
    TWords* words = nullptr;
    CdDevice* device = nullptr;
    ScreenSaverInhibitor* saver;
    QWidget* client;
    QPointer<TWordsForm> wordsForm;
    bool listDropped = false;
    bool exitFromItem = false;
    bool trayHidden = false; // minimised into the notification area
    bool closed = false;
    bool closingFromOutside = false;
    QColor backColor, titleColor, artistColor, timeColor, reptColor, rept1Color;
    QFont mainFont;
};
