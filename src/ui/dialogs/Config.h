#pragma once
// TConfigForm: the settings dialog "環境設定". Its creation loads the options, fonts and
// colours from the settings file and applies them to the windows, so it is also where
// the settings take effect at start-up. Colours and fonts chosen in it show at once and
// Cancel (also Esc and the close box) puts them back; the other controls take effect,
// and the settings file is written, only on OK.
#include <QColor>
#include <QGroupBox>
#include <functional>
#include <optional>

#include "LazyDialog.h"
#include "core/settings/IniFile.h"

class CommandSet;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QPushButton;
class QSpinBox;
class ClickSound;
class Clock;
class TReactionForm;
class QTabWidget;
class TFontDlg;
class SettingsView;
class WindowStack;
class TWordsForm;

// A framed group of radio buttons with the index of the chosen one (-1 for none).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
    int ItemIndex() const;
    // An index above the last choice chooses the last one; below 0 none.
    void SetItemIndex(int index);
    QList<QAbstractButton*> Items() const;

private:
    QButtonGroup* group;
};

class TConfigForm : public LazyDialog {
    Q_OBJECT
public:
    // words may be null (no lyrics window). Binds ConfigItem; the main window knows the
    // dialog by its form name "ConfigForm". The controls are made when it is first shown.
    TConfigForm(WindowStack& windows, SettingsView& main, TWordsForm* words, Settings& settings, CommandSet& commands);

    // The colour dialog: the colour chosen, or an invalid colour when cancelled. The
    // custom colours are those of the settings file while it runs.
    std::function<QColor(const QColor& initial, QWidget* parent)> ChooseColor;
    // Runs a font dialog; returns its result (Apply may have been pressed either way).
    std::function<int(TFontDlg& dialog)> RunFontDialog;
    // The reaction time's calibration plays its clicks here, timed by this clock; unset,
    // it cannot be run.
    ClickSound* Clicks = nullptr;
    Clock* TapClock = nullptr;
    // Runs the calibration; the lag it found, none when cancelled. Tests answer it.
    std::function<std::optional<int>(TReactionForm& dialog)> RunCalibration;

    // Controls, named as the dialog's parts and the settings they stand for.
    QTabWidget* ConfigPage = nullptr;
    QWidget* ConfigSheet = nullptr;
    QWidget* MainWinSheet = nullptr;
    QWidget* WordsWinSheet = nullptr;
    QCheckBox* StayOnTop = nullptr;
    QCheckBox* PlayOnExit = nullptr;
    QCheckBox* AutoPlay = nullptr;
    QCheckBox* EnableEject = nullptr;
    QCheckBox* EnableClose = nullptr;
    QCheckBox* TaskTray = nullptr;
    QCheckBox* RecordLog = nullptr;
    QCheckBox* SelectDrive = nullptr;
    TRadioGroup* StopSaver = nullptr;
    QCheckBox* StopSleep = nullptr;
    QCheckBox* OnlineLookUps = nullptr; // look-ups on the internet offered at all
    QSpinBox* TimerIntEdit = nullptr;   // with its up-down buttons (TimerIntUpDn)
    QSpinBox* ReactionTimeEdit = nullptr;
    QPushButton* ReactionBtn = nullptr; // the calibration
    TRadioGroup* TimeDisp = nullptr;
    QCheckBox* TrueTrack = nullptr;
    QCheckBox* HideMainBar = nullptr;
    QCheckBox* ShowDriveName = nullptr;
    QPushButton* MainFontBtn = nullptr;
    QPushButton* BkColorBtn = nullptr;
    QPushButton* TitleColorBtn = nullptr;
    QPushButton* ArtistColorBtn = nullptr;
    QPushButton* TimeColorBtn = nullptr;
    QPushButton* ReptColorBtn = nullptr;
    QPushButton* Rept1ColorBtn = nullptr;
    TRadioGroup* WordsAlign = nullptr;
    QCheckBox* WordsContDisp = nullptr;
    QCheckBox* HideNoWords = nullptr;
    QCheckBox* WordsNoMove = nullptr;
    QCheckBox* HideWordsBar = nullptr;
    QPushButton* WordsBkColorBtn = nullptr;
    QPushButton* WordsColorBtn = nullptr;
    QPushButton* WordsFontBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

public slots:
    // Cancel, Esc and the close box: colours and fonts back as they were at opening.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void buildControls() override;

private:
    void runModal();
    void formShow();
    void okBtnClick();
    void applyConfig();
    void colorBtnClick(QPushButton* button);
    void fontBtnClick(bool mainFont);
    void applyMainLook();
    void applyWordsLook();
    void reactionBtnClick();

    WindowStack& windows;
    SettingsView& main;
    TWordsForm* wordsForm;
    Settings& settings;
    CommandSet& cmd;
    Settings backup; // as at opening: Cancel takes the fonts and colours back from here
};
