#include "InputData.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "WaveformStrip.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/EntryTexts.h"
#include "core/discdata/Words.h"
#include "core/entry/DataEntry.h"
#include "core/playback/PlaybackController.h"
#include "ui/main/Help.h"
#include "ui/main/WidgetPresenter.h"
#include "ui/main/WindowStack.h"

namespace {
// Client area at 96 dpi.
constexpr int kClientWidth = 497;
constexpr int kClientHeight = 331;

QString TimingFaultText(int track)
{
    return QStringLiteral("トラック ") + FormatZeroPad(track, 2) +
           QStringLiteral(" のタイミングに、矛盾した時刻値が設定されている箇所があります。");
}
} // namespace

TInputDataForm::TInputDataForm(CdDevice& d, Clock& c, TWords& w, PlaybackController& p, PlaybackHost& h,
                               WindowStack& ws, QWidget* parent)
    : LazyDialog(parent), Capture(d, c, w, p, *this), device(d), clock(c), words(w), player(p), host(h), windows(ws)
{
    setObjectName(QStringLiteral("InputDataForm"));
    setWindowTitle(QStringLiteral("データ入力"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Every change is kept in the draft within a second, however fast changes follow.
    DraftTimer.setSingleShot(true);
    DraftTimer.setInterval(1000);
    connect(&DraftTimer, &QTimer::timeout, this, &TInputDataForm::WriteDraftNow);
    words.Edited = [this] { noteEdit(); };
    // The program ends with the dialog open, and no disc left to cancel it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (isVisible()) WriteDraftNow();
    });
}

void TInputDataForm::buildControls()
{
    InputDataPage = new QTabWidget(this);
    InputDataPage->setObjectName(QStringLiteral("InputDataPage"));
    TitleSheet = buildTitleSheet();
    WordsSheet = buildWordsSheet();
    TimingSheet = buildTimingSheet();
    InputDataPage->addTab(TitleSheet, QStringLiteral("タイトル"));
    InputDataPage->addTab(WordsSheet, QStringLiteral("歌詞"));
    InputDataPage->addTab(TimingSheet, QStringLiteral("タイミング"));

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    ReloadBtn = button(QStringLiteral("再読込(&L)"), "ReloadBtn");
    OKBtn = button(QStringLiteral("OK"), "OKBtn");
    CancelBtn = button(QStringLiteral("キャンセル"), "CancelBtn");
    HelpBtn = button(QStringLiteral("ヘルプ(&H)"), "HelpBtn");
    OKBtn->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ReloadBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(ScaleToScreen(8), ScaleToScreen(8), ScaleToScreen(8), ScaleToScreen(8));
    layout->addWidget(InputDataPage);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &TInputDataForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TInputDataForm::CancelBtnClick);
    connect(ReloadBtn, &QPushButton::clicked, this, &TInputDataForm::ReloadBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TInputDataForm::HelpBtnClick);
    connectTiming();
    setHelpContexts();
    for (QLineEdit* edit : {TitleName, ArtistName, MTitleName})
        connect(edit, &QLineEdit::textEdited, this, &TInputDataForm::noteEdit);
    connect(WordsEdit, &QPlainTextEdit::textChanged, this, [this] {
        if (!filling) noteEdit();
    });
    // Lyrics still being typed are stored as the page turns; lyrics that cannot be stored
    // keep their page, with the message.
    connect(InputDataPage, &QTabWidget::currentChanged, this, [this](int index) {
        if (InputDataPage->widget(index) == WordsSheet || !WordsEdit->document()->isModified()) return;
        InputDataPage->setCurrentWidget(WordsSheet);
        if (WordsEditExit()) InputDataPage->setCurrentIndex(index);
    });
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages from any control (a drop-down list would
    // take them as typing), but not while the track plays.
    for (const auto& [keys, step] : {std::pair{QKeySequence::NextChild, 1}, {QKeySequence::PreviousChild, 2}}) {
        auto* turn = new QShortcut(keys, this);
        connect(turn, &QShortcut::activated, this, [this, step = step] {
            if (!Capture.Running()) InputDataPage->setCurrentIndex((InputDataPage->currentIndex() + step) % 3);
        });
    }

    // A fixed dialog box, as large as its contents need and at least its own size.
    const QSize hint = sizeHint();
    setFixedSize(qMax(hint.width(), ScaleToScreen(kClientWidth)), qMax(hint.height(), ScaleToScreen(kClientHeight)));
}

TInputDataForm::~TInputDataForm() { words.Edited = nullptr; }

bool TInputDataForm::DiscRegistered() const { return words.HasFile(); }

int TInputDataForm::TrackOfIndex(int index) const { return index + words.FirstAudioTrack; }
int TInputDataForm::IndexOfTrack(int track) const { return track - words.FirstAudioTrack; }

// ---------------------------------------------------------------- the dialog

void TInputDataForm::FormShow()
{
    // Rows as high as the grid's text, so that many lines are in view.
    const int rowHeight = TimingList->fontMetrics().height() + 2;
    TimingList->verticalHeader()->setMinimumSectionSize(rowHeight);
    TimingList->verticalHeader()->setDefaultSectionSize(rowHeight);
    filling = true;
    // A disc without texts of its own yet starts from the titles it carries.
    const EntryTexts texts = InitialEntryTexts(words);
    TitleName->setText(texts.Title);
    ArtistName->setText(texts.Artist);
    MTitleList->clear();
    for (int t = words.FirstAudioTrack; t <= words.SongCount; ++t)
        MTitleList->addItem(FormatNumbered(t, texts.SongTitles[t]));
    TimeText->setText(FormatCellTime(0));
    filling = false;
    updateOnlineButtons();
    RefreshTrackBoxes();
    // A track the disc does not have (none chosen yet) opens on the first.
    if (InitialTrack < words.FirstAudioTrack || InitialTrack > words.SongCount) InitialTrack = words.FirstAudioTrack;
    SetWordsEdit(InitialTrack);
    SetTimingList(InitialTrack);
    const int index = IndexOfTrack(InitialTrack);
    filling = true;
    MTitleList->setCurrentRow(index);
    MTitleBoxW->setCurrentIndex(index);
    MTitleBoxT->setCurrentIndex(index);
    filling = false;
    MTitleListClick();
    MTitleNameExit();
    shownTexts = dialogTexts();
    openedWith = EntryStartOf(words);
    if (Capture.Running()) Capture.StopTiming();
    Capture.ForgetEdits(); // undo reaches back to the opening, not beyond
    ClosedByOk = ClosedByCancel = false;
    UpdateTimingButtons();
    InputDataPage->setFocus();
    windows.Reassert();
}

void TInputDataForm::OKBtnClick()
{
    if (Capture.Running()) return;
    // Lyrics still being typed count, and more than 127 lines keep the dialog open.
    if (WordsEdit->document()->isModified() && !WordsEditExit()) {
        InputDataPage->setCurrentWidget(WordsSheet);
        WordsEdit->setFocus();
        return;
    }
    if (const std::optional<TimingFault> fault = CheckTiming(words)) {
        ErrorMessage(TimingFaultText(fault->Track), QStringLiteral("タイミング矛盾エラー"));
        InputDataPage->setCurrentWidget(TimingSheet);
        filling = true;
        MTitleBoxT->setCurrentIndex(IndexOfTrack(fault->Track));
        filling = false;
        MTitleBoxTChange();
        SelectTimingCell(fault->Column, fault->Line);
        TimingList->setFocus();
        return;
    }
    words.Title = TitleName->text();
    words.Artist = ArtistName->text();
    host.ShowDiscTitle();
    MTitleNameExit();
    for (int i = 0; i < MTitleList->count(); ++i)
        words.SetSongTitle(TrackOfIndex(i), MTitleList->item(i)->text().mid(4));
    player.BuildTrackList();
    AdjustEditExit();
    if (words.Save(dpLyrics)) {
        removeDraft();
        toldAfterSave();
    } else if (WriteDraftNow()) {
        // A save the user gave up: the edits live on in the draft.
        CurrentMessagePresenter()->Show(
            QStringLiteral("歌詞ファイルに保存できなかったため、編集は下書きとして残しました。"
                           "次にデータ入力を開いたときに復元できます。"),
            QStringLiteral("データ入力"), MbTaskModal | MbIconWarning | MbOk);
    } else {
        // Neither the file nor a draft holds them: the dialog does, until the user says.
        CurrentMessagePresenter()->ShowWithReason(
            QStringLiteral("歌詞ファイルにも下書きにも保存できなかったため、データ入力を閉じずにおきます。"
                           "保存できる状態にしてからもう一度 OK を押してください。"),
            DraftTrouble, QStringLiteral("データ入力"), MbTaskModal | MbIconWarning | MbOk);
        return;
    }
    player.StopBtnClick();
    ClosedByOk = true;
    accept();
}

void TInputDataForm::toldAfterSave()
{
    if (words.LastSaveMergedOutside) {
        // Another program changed the file meanwhile: what it wrote is shown too.
        host.ShowDiscTitle();
        player.BuildTrackList();
    }
    if (!words.LastSaveConflicts.isEmpty()) {
        QStringList where;
        for (int track : words.LastSaveConflicts)
            where << (track == 0 ? QStringLiteral("ディスクのタイトルまたはアーティスト")
                                 : QStringLiteral("トラック ") + FormatZeroPad(track, 2));
        CurrentMessagePresenter()->Show(
            QStringLiteral("データ入力の間に、ほかのプログラムもこのディスクの歌詞ファイルを変更していました。"
                           "次の箇所は両方で変更されていたため、ここで入力した内容で保存しました: ") +
                where.join(QStringLiteral("、")),
            QStringLiteral("データ入力"), MbTaskModal | MbIconWarning | MbOk);
    }
    if (words.LastSaveMadeUtf8 && !toldUtf8.contains(words.FileName)) {
        // Told once per file: the old player reads only code page 932.
        toldUtf8.insert(words.FileName);
        CurrentMessagePresenter()->Show(
            QStringLiteral("この文字はコードページ932で保存できないため、このファイルはUTF-8で保存されます"),
            QStringLiteral("データ入力"), MbTaskModal | MbIconWarning | MbOk);
    }
}

bool TInputDataForm::HasUnsavedChanges() const
{
    if (!Built() || !isVisible()) return false;
    return !CollectDraft(words, shownTexts, dialogTexts(), &openedWith).Empty();
}

void TInputDataForm::CancelBtnClick()
{
    // A Cancel may be an Escape pressed by mistake: the edits stay in the draft, offered
    // at the next opening. Asked first, as the edits leave the dialog; a box that cannot
    // be shown lets the Cancel go on only when the draft holds them.
    const bool unsaved = HasUnsavedChanges();
    const bool kept = WriteDraftNow();
    if (unsaved) {
        const QString question = QStringLiteral("保存されていない変更があります。保存せずに閉じますか?\n");
        const bool yes =
            kept ? CurrentMessagePresenter()->Show(
                       question + QStringLiteral("(変更は下書きとして残り、次にデータ入力を開いたときに復元できます)"),
                       QStringLiteral("データ入力"), MbTaskModal | MbIconQuestion | MbYesNo) != IdNo
                 : CurrentMessagePresenter()->ShowWithReason(
                       question + QStringLiteral("(下書きを保存できないため、閉じると変更は失われます)"), DraftTrouble,
                       QStringLiteral("データ入力"), MbTaskModal | MbIconQuestion | MbYesNo | MbDefButton2) == IdYes;
        if (!yes) return;
        heldDrafts.erase(words.DiscId); // let go by the user's own word
    }
    cancelDialog();
}

void TInputDataForm::cancelDialog()
{
    Capture.StopTiming();
    words.Load(dpLyrics);
    if (!NoDiscMode(player.DeviceModeNow)) player.StopBtnClick();
    ClosedByCancel = true;
    QDialog::reject();
}

void TInputDataForm::ReloadBtnClick()
{
    if (Capturing()) return;
    // Reload throws the edits and their draft away: only when the user says so.
    if (HasUnsavedChanges() &&
        CurrentMessagePresenter()->Show(
            QStringLiteral("保存されていない変更は失われます。歌詞ファイルを読み込み直しますか?"),
            QStringLiteral("データ入力"), MbTaskModal | MbIconQuestion | MbYesNo | MbDefButton2) != IdYes)
        return;
    Capture.StopTiming();
    InitialTrack = TrackOfIndex(MTitleBoxW->currentIndex());
    words.Load(dpLyrics);
    removeDraft(); // the user threw the edits away
    FormShow();
}

void TInputDataForm::HelpBtnClick()
{
    // During a capture the help comes up beside it: the keys still stamp.
    Help::Show(3001 + InputDataPage->currentIndex(), this, !Capturing());
    if (Capturing()) {
        activateWindow(); // where the window system gave it the keyboard all the same
        SetBtn->setFocus(Qt::OtherFocusReason);
    }
}

void TInputDataForm::setHelpContexts()
{
    const std::pair<QWidget*, int> contexts[] = {
        {TitleSheet, 15100}, {TitleName, 15101},   {ArtistName, 15102}, {MTitleList, 15103}, {MTitleName, 15104},
        {WordsSheet, 15200}, {MTitleBoxW, 15201},  {WordsEdit, 15202},  {CopyTrack, 15203},  {FileReadBtn, 15204},
        {LrcReadBtn, 15205}, {TimingSheet, 15300}, {MTitleBoxT, 15301}, {AdjustEdit, 15302}, {TimingList, 15303},
        {TimeText, 15304},   {StartBtn, 15305},    {RetBtn, 15306},     {SetBtn, 15307},     {ContSetBtn, 15308},
        {TestBtn, 15309},    {PrevBtn, 15310},     {NextBtn, 15311},    {LineBtn, 15312},    {Waveform, 15313},
        {SpeedBox, 15314},   {ReloadBtn, 15001},   {OKBtn, 10001},      {CancelBtn, 10002},  {HelpBtn, 10003}};
    for (const auto& [widget, context] : contexts) Help::SetContext(widget, context);
    Help::SetContext(this, 3001);
    Help::InstallF1(this, [this] { windows.SkipOnce(); });
}

void TInputDataForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    // A file another program changed since the disc was read is shown as it is now.
    if (words.FileChangedOutside() && !words.HasUnsavedEdits()) words.Load(dpLyrics);
    FormShow();
    // Asked once the dialog stands on the screen, over it.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible()) return;
        activateWindow();
        const MessageOwnerScope owner(this);
        offerDraft();
    });
}

void TInputDataForm::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        event->accept();
        return;
    }
    if (Capture.Running()) {
        event->ignore();
        return;
    }
    if (!ClosedByOk && !ClosedByCancel) {
        // The close box is a Cancel.
        event->ignore();
        CancelBtnClick();
        return;
    }
    event->accept();
}

void TInputDataForm::reject()
{
    // Escape presses Cancel only while Cancel can be pressed.
    if (CancelBtn->isEnabled()) CancelBtnClick();
}

bool TInputDataForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == MTitleName && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            // Enter walks down the track list; on the last track it presses OK.
            const int row = MTitleList->currentRow();
            if (row + 1 >= MTitleList->count()) {
                OKBtn->click();
                return true;
            }
            MTitleNameExit();
            titleListSelect(row + 1);
            MTitleNameEnter();
            MTitleName->selectAll();
            return true;
        }
    } else if (watched == MTitleName && event->type() == QEvent::FocusIn) {
        MTitleNameEnter();
    } else if (watched == MTitleName && event->type() == QEvent::FocusOut) {
        MTitleNameExit();
    } else if (watched == WordsEdit && event->type() == QEvent::FocusOut) {
        // The window losing the focus (to a message box, say) is not leaving the memo, and
        // a memo hidden by turning the page is stored as the page turns.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && WordsEdit->isVisible() &&
            WordsEdit->document()->isModified())
            WordsEditExit();
    }
    if (timingEvent(watched, event)) return true;
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- title page

QWidget* TInputDataForm::buildTitleSheet()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TitleSheet"));
    TitleName = new QLineEdit(page);
    TitleName->setObjectName(QStringLiteral("TitleName"));
    ArtistName = new QLineEdit(page);
    ArtistName->setObjectName(QStringLiteral("ArtistName"));
    MTitleList = new QListWidget(page);
    MTitleList->setObjectName(QStringLiteral("MTitleList"));
    TrackNumber = new QLabel(page);
    TrackNumber->setObjectName(QStringLiteral("TrackNumber"));
    MTitleName = new QLineEdit(page);
    MTitleName->setObjectName(QStringLiteral("MTitleName"));
    TrackNumber->setBuddy(MTitleName);
    auto label = [page](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, page);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout(page);
    grid->addWidget(label(QStringLiteral("タイトル(&T):"), TitleName), 0, 0);
    grid->addWidget(TitleName, 0, 1);
    grid->addWidget(label(QStringLiteral("アーティスト(&A):"), ArtistName), 1, 0);
    grid->addWidget(ArtistName, 1, 1);
    grid->addWidget(label(QStringLiteral("曲タイトル(&M):"), MTitleList), 2, 0, Qt::AlignTop);
    grid->addWidget(MTitleList, 2, 1);
    grid->addWidget(TrackNumber, 3, 0);
    grid->addWidget(MTitleName, 3, 1);
    LookUpTitlesBtn = new QPushButton(QStringLiteral("インターネットで検索(&S)"), page);
    LookUpTitlesBtn->setObjectName(QStringLiteral("LookUpTitlesBtn"));
    grid->addWidget(LookUpTitlesBtn, 4, 1, Qt::AlignRight);
    connect(LookUpTitlesBtn, &QPushButton::clicked, this, &TInputDataForm::LookUpTitlesBtnClick);

    connect(MTitleList, &QListWidget::currentRowChanged, this, [this] {
        if (!filling) MTitleListClick();
    });
    connect(MTitleList, &QListWidget::itemDoubleClicked, this, [this] { MTitleName->setFocus(); });
    MTitleName->installEventFilter(this);
    return page;
}

void TInputDataForm::titleListSelect(int index)
{
    filling = true;
    MTitleList->setCurrentRow(index);
    filling = false;
    MTitleListClick();
}

void TInputDataForm::MTitleListClick()
{
    const int row = MTitleList->currentRow();
    if (row < 0) return;
    titleRow = row;
    MTitleName->setText(MTitleList->item(row)->text().mid(4));
    TrackNumber->setText(QString::asprintf("トラック %.2d(&N):", TrackOfIndex(row)));
}

void TInputDataForm::MTitleNameEnter()
{
    // Enter then walks down the list instead of pressing OK, except on the last track.
    if (MTitleList->currentRow() + 1 < MTitleList->count()) OKBtn->setDefault(false);
}

void TInputDataForm::MTitleNameExit()
{
    if (titleRow >= 0 && titleRow < MTitleList->count()) {
        const QString item = FormatNumbered(TrackOfIndex(titleRow), MTitleName->text());
        if (MTitleList->item(titleRow)->text() != item) {
            MTitleList->item(titleRow)->setText(item);
            RefreshTrackBoxes();
        }
    }
    OKBtn->setDefault(true);
}

void TInputDataForm::RefreshTrackBoxes()
{
    const bool was = filling;
    filling = true;
    for (QComboBox* box : {MTitleBoxW, MTitleBoxT}) {
        const int index = box->currentIndex();
        box->clear();
        for (int i = 0; i < MTitleList->count(); ++i) box->addItem(MTitleList->item(i)->text());
        box->setCurrentIndex(index);
    }
    filling = was;
}
