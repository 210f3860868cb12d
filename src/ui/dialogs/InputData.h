#pragma once
// TInputDataForm: the data-entry dialog. Three pages: the disc's and tracks' titles,
// each track's lyrics (with a copy source and a text import), and the timing page,
// where the lines' times are captured while the track plays, typed, tested in the
// lyrics window and shifted by the track's adjust value.
//
// Titles reach the disc data object on OK; lyrics when the memo is left; copy sources,
// times and adjust values at once. OK checks the times and saves; Cancel and Reload read
// the data file again. The capture's rules live in TimingCapture; this window shows
// them and forwards the user's presses.
//
// What the user changed and has not saved is kept as a draft (EntryDraft) a moment after
// each change, and at once when the dialog is cancelled (by the user, by the disc going
// or by the program ending); the next opening for the disc offers it back. A successful
// OK, Reload, or declining the offer removes it. A draft is promised only once written:
// when neither the data file nor the draft can be written, OK keeps the dialog open,
// Cancel asks before the edits go, and a disc that goes leaves them in memory, offered
// at its next opening, and the program's end asks before they are dropped (MayEnd).
//
// Split by page: InputData.cpp (the dialog and the title page), InputDataWords.cpp
// (lyrics), InputDataTiming.cpp (timing); InputDataOnline.cpp looks titles and lyrics up
// on the internet when the user asks, showing what it finds in the dialog like any edit.
#include <QSet>
#include <QTimer>
#include <functional>

#include "LazyDialog.h"
#include "core/entry/EntryDraft.h"
#include "core/entry/TimingCapture.h"
#include "core/entry/Waveform.h"
#include "core/online/OnlineAnswers.h"

class CdDevice;
class Clock;
class PlaybackController;
class PlaybackHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class TWords;
class WebFetcher;
class WaveformStrip;
class WindowStack;
struct Settings;

class TInputDataForm : public LazyDialog, private TimingView {
    Q_OBJECT
public:
    // The controls are made when it is first shown.
    TInputDataForm(CdDevice& device, Clock& clock, TWords& words, PlaybackController& player, PlaybackHost& host,
                   WindowStack& windows, QWidget* parent = nullptr);
    ~TInputDataForm() override;

    // Offers to register a disc that has no data file yet (the disc manager); true when
    // it has one afterwards. Unset: data entry waits for a registered disc.
    std::function<bool()> RegisterDisc;
    bool DiscRegistered() const;

    // Has the lyrics window show the line for the drive's position now (during a test).
    std::function<void()> UpdateWordsNow;

    int InitialTrack = 0; // the track shown first when the dialog opens
    // The folder of the drafts, one file per disc; empty: no drafts are kept.
    QString DraftFolder;
    QTimer DraftTimer; // runs from a change until the draft is written
    // Writes the draft of what is unsaved now, or removes it when nothing is. False when
    // something is unsaved and no draft of it could be written (DraftTrouble says why).
    bool WriteDraftNow();
    QString DraftTrouble;
    // Before the program ends: true when no edit would be lost, else the user's answer to
    // whether to end all the same.
    bool MayEnd();
    bool ClosedByOk = false;
    bool ClosedByCancel = false;
    bool Capturing() const { return Capture.Capturing; }
    bool Testing() const { return Capture.Testing; }

    TimingCapture Capture;
    // The tracks' waveforms for the timing page (its Opener reads the disc).
    WaveformCache Waveforms;

    // Look-ups on the internet: offered once the door to the services and the settings
    // (whether to offer them, the services' addresses) are given, and only when asked.
    void SetOnline(WebFetcher* web, const Settings* settings);
    // Chooses among several releases carrying the disc: an index, or -1 for none. A list
    // of them by default (tests answer for the user).
    std::function<int(const std::vector<TitlesRelease>&)> ChooseRelease;
    void LookUpTitlesBtnClick();
    void LookUpWordsBtnClick();    // the track on the lyrics page
    void LookUpAllWordsBtnClick(); // every track without lyrics
    bool LookingUp() const { return lookingUp; }

    // The dialog.
    void FormShow();
    void OKBtnClick();
    // Asks first when something is unsaved (the edits stay in the draft).
    void CancelBtnClick();
    // Cancels without asking: the disc went or the program ends.
    void CancelNow();
    // Edits in the dialog that the data file does not hold.
    bool HasUnsavedChanges() const;
    void ReloadBtnClick();
    void HelpBtnClick();
    // Title page.
    void MTitleListClick();
    void MTitleNameEnter();
    void MTitleNameExit();
    void RefreshTrackBoxes();
    // Lyrics page.
    void MTitleBoxWChange();
    void SetWordsEdit(int track);
    // Stores the memo's lines; false (with the message) above 127 lines.
    bool WordsEditExit();
    void CopyTrackChange();
    void FileReadBtnClick();
    // Replaces the memo's lines with those of a text file, then stores them.
    void ReadWordsFile(const QString& path);
    void LrcReadBtnClick();
    // Replaces the track's lines, times and adjust value with those of an LRC file.
    void ReadLrcFile(const QString& path);
    // Timing page.
    void SetTimingList(int track);
    void MTitleBoxTChange();
    void UpdateTimingButtons();
    void SelectTimingCell(int column, int row);
    void StartBtnClick();
    // Set or ContSet pressed at tick pressTick.
    void SetBtnPress(bool continuous, uint32_t pressTick);
    void RetBtnClick();
    void TestBtnClick();
    void AdjustEditExit();
    // Plays the selected line (loop: again and again until pressed again).
    void PlayLineBtnClick(bool loop);
    // Moves the selected time by delta hundredths.
    void NudgeSelectedTime(int delta);

    // The track of a list index of the three track lists, and back.
    int TrackOfIndex(int index) const;
    int IndexOfTrack(int track) const;

    QTabWidget* InputDataPage = nullptr;
    QWidget* TitleSheet = nullptr;
    QWidget* WordsSheet = nullptr;
    QWidget* TimingSheet = nullptr;
    // Title page.
    QLineEdit* TitleName = nullptr;
    QLineEdit* ArtistName = nullptr;
    QListWidget* MTitleList = nullptr;
    QLabel* TrackNumber = nullptr;
    QLineEdit* MTitleName = nullptr;
    QPushButton* LookUpTitlesBtn = nullptr;
    // Lyrics page.
    QComboBox* MTitleBoxW = nullptr;
    QLabel* WordsLabel = nullptr;
    QPlainTextEdit* WordsEdit = nullptr;
    QComboBox* CopyTrack = nullptr;
    QPushButton* FileReadBtn = nullptr;
    QPushButton* LrcReadBtn = nullptr;
    QPushButton* LookUpWordsBtn = nullptr;
    QPushButton* LookUpAllWordsBtn = nullptr;
    // Timing page.
    QLabel* TrackLabel = nullptr;
    QComboBox* MTitleBoxT = nullptr;
    QLabel* AdjustLabel = nullptr;
    QSpinBox* AdjustEdit = nullptr; // with its up-down arrows
    QLabel* TimingLabel = nullptr;
    WaveformStrip* Waveform = nullptr;
    QTableWidget* TimingList = nullptr;
    QLabel* TimeHdrLabel = nullptr;
    QLabel* TimeText = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* RetBtn = nullptr;
    QPushButton* SetBtn = nullptr;
    QPushButton* ContSetBtn = nullptr;
    QPushButton* TestBtn = nullptr;
    QPushButton* PrevBtn = nullptr;
    QPushButton* NextBtn = nullptr;
    QPushButton* LineBtn = nullptr;
    QLabel* SpeedLabel = nullptr;
    QComboBox* SpeedBox = nullptr; // 1×, 0.75×, 0.5×, the pitch kept
    QLabel* KeyHelpLabel = nullptr;
    // The dialog's buttons.
    QPushButton* ReloadBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

protected:
    void buildControls() override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // TimingView
    void ShowStamp(int column, int line, int32_t value) override;
    void SelectCell(int column, int line) override;
    void ShowElapsed(int32_t elapsed) override;
    void ModeChanged() override;
    void ShowAdjust(int16_t adjust) override;
    void UpdateWords() override;
    void ShowTrack(int track) override;

    QWidget* buildTitleSheet();
    QWidget* buildWordsSheet();
    QWidget* buildTimingSheet();
    void connectTiming();
    bool timingEvent(QObject* watched, QEvent* event);
    void titleListSelect(int index);
    void trackBoxChange(QComboBox* box);
    void setTimeCell(int row, int column, int32_t value);
    void timingListSetEditText(int row, int column);
    void applyTimingState();
    // The waveform strip: the track's peaks and the lines' times as they are now.
    void refreshWaveform();
    void refreshWaveformTimes();
    void waveformClicked(int32_t hundredths);
    int selectedCellValue() const;
    void setHelpContexts();
    // After a save: what the user should know of it.
    void toldAfterSave();
    // Drafts.
    void noteEdit();
    QString draftPath() const;
    DialogTexts dialogTexts() const;
    void offerDraft();
    void restoreDraft(const EntryDraft& draft);
    void removeDraft();
    // Closes as a Cancel: the capture stops and the data file is read again.
    void cancelDialog();
    // Told once the current event is done (not in the middle of a disc's unloading).
    void tellLater(const QString& text);
    // Look-ups.
    void updateOnlineButtons();
    void applyRelease(const TitlesRelease& release);
    void lookUpWords(std::vector<int> tracks, bool one);
    QString shownSongTitle(int track) const;

    CdDevice& device;
    Clock& clock;
    TWords& words;
    PlaybackController& player;
    PlaybackHost& host;
    WindowStack& windows;

    QSet<QString> toldUtf8; // data files whose turn into UTF-8 was told
    DialogTexts shownTexts; // the texts as the dialog showed them on opening
    EntryStart openedWith;  // the tracks as the dialog opened on them
    // Drafts that could not be written when their disc went, by disc identifier.
    std::map<QString, EntryDraft> heldDrafts;
    QSet<QString> toldDamagedDrafts;
    bool toldDraftUnwritable = false;
    int titleRow = -1;    // the list row MTitleName edits
    int wordsTrack = 0;   // the track the memo shows
    bool filling = false; // the dialog itself is changing the controls
    int shownMode = 0;    // 0 at rest, 1 capturing, 2 testing, as last shown
    // After a capture ends the stamp keys do nothing for kQuietMs (from quietFrom).
    static constexpr uint32_t kQuietMs = 1000;
    bool quiet = false;
    uint32_t quietFrom = 0;
    EventTimes pressTimes;
    bool pressPending = false;
    uint32_t pressTick = 0;
    WebFetcher* web = nullptr;
    const Settings* onlineSettings = nullptr;
    bool lookingUp = false;
    bool lookingUpWords = false; // lyrics are looked up: the memo and its sources wait
    int lookupRound = 0;         // a new opening: answers to an earlier one are dropped
};
