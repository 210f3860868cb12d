// The timing page of the data-entry dialog: the grid of line times, the capture and
// test buttons, the fast seek and the track's adjust value. TimingCapture decides;
// this page shows and forwards.
#include "InputData.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "PlainHeader.h"
#include "WaveformStrip.h"
#include "core/common/Clock.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"

namespace {
constexpr int kEmptyRows = 4; // below the last line, so the cursor can stay in the fifth row
constexpr int kCursorRow = 5;

// Times are typed as digits: the input method stays off in the cell editor. Only the
// times of lines can be chosen, so the lyrics texts are cells the grid passes over;
// they still read as text, not greyed, while the grid is enabled.
class TimeCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setAttribute(Qt::WA_InputMethodEnabled, false);
        // The number being typed stands where the cell shows it: on the right.
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            const QVariant align = index.data(Qt::TextAlignmentRole);
            if (align.isValid()) line->setAlignment(Qt::Alignment(align.toInt()));
        }
        return editor;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == 0 && option->widget && option->widget->isEnabled()) {
            option->state |= QStyle::State_Enabled;
            option->palette.setCurrentColorGroup(option->widget->isActiveWindow() ? QPalette::Active
                                                                                  : QPalette::Inactive);
        }
    }
};

int32_t CellNumber(const QString& text) { return ParseCellTime(text).value_or(0); }

// The nudge of a selected time by Alt+Left/Right: 10 ms, with Shift 100 ms (hundredths).
int TimeNudgeOf(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (!(mods & Qt::AltModifier) || (mods & (Qt::ControlModifier | Qt::MetaModifier))) return 0;
    const int step = mods & Qt::ShiftModifier ? 10 : 1;
    if (key->key() == Qt::Key_Left) return -step;
    if (key->key() == Qt::Key_Right) return step;
    return 0;
}

// The keys that stamp during a capture, as Set's own keys: Space and Enter, with
// neither Ctrl nor Alt (those belong to shortcuts).
bool StampKey(const QKeyEvent* key)
{
    const int k = key->key();
    return (k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter) &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// The timing page's hint of its keys, at rest or while capturing; two lines either way.
QString KeyHelpText(bool capturing)
{
    return capturing ? QStringLiteral("Space/Enter: セット　Ctrl+Z: 元に戻す\n戻る: Alt+R　中止: Alt+B")
                     : QStringLiteral("開始: Alt+B　Ctrl+Z: 元に戻す　Alt+←/→: 時刻 ±0.01秒 (Shift: ±0.1秒)\n"
                                      "Ctrl+P: 行を再生　テスト中 +/−: 補正値 ±5 (Ctrl: ±50)");
}

// The nudge of a key while testing: +/- move the adjust value by 5, with Ctrl by 50.
int NudgeOf(const QKeyEvent* key)
{
    int delta = 0;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: delta = 5; break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: delta = -5; break;
    default: return 0;
    }
    return key->modifiers() & Qt::ControlModifier ? delta * 10 : delta;
}
} // namespace

QWidget* TInputDataForm::buildTimingSheet()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TimingSheet"));
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    MTitleBoxT = new QComboBox(page);
    named(MTitleBoxT, "MTitleBoxT");
    MTitleBoxT->setMaxVisibleItems(15);
    TrackLabel = new QLabel(QStringLiteral("トラック(&T):"), page);
    named(TrackLabel, "TrackLabel");
    TrackLabel->setBuddy(MTitleBoxT);
    AdjustEdit = new QSpinBox(page);
    named(AdjustEdit, "AdjustEdit");
    AdjustEdit->setRange(-TimingCapture::kAdjustLimit, TimingCapture::kAdjustLimit);
    AdjustEdit->setSingleStep(5);
    AdjustEdit->setKeyboardTracking(false);
    AdjustEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
    AdjustEdit->setMinimumWidth(ScaleToScreen(72));
    AdjustLabel = new QLabel(QStringLiteral("補正値(&A):"), page);
    named(AdjustLabel, "AdjustLabel");
    AdjustLabel->setBuddy(AdjustEdit);

    TimingList = new QTableWidget(0, 3, page);
    named(TimingList, "TimingList");
    TimingList->setHorizontalHeader(new PlainHeader(Qt::Horizontal, TimingList));
    TimingList->setHorizontalHeaderLabels({QStringLiteral("歌詞"), QStringLiteral("表示"), QStringLiteral("消去")});
    TimingList->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TimingList->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TimingList->verticalHeader()->hide();
    TimingList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Wide enough for m:ss.xx of the longest track.
    const int timeWidth = std::max(ScaleToScreen(48),
                                   TimingList->fontMetrics().horizontalAdvance(QStringLiteral("00:00.00")) + 10);
    for (int c : {1, 2}) {
        TimingList->horizontalHeader()->setSectionResizeMode(c, QHeaderView::Fixed);
        TimingList->setColumnWidth(c, timeWidth);
    }
    TimingList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TimingList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    TimingList->setSelectionMode(QAbstractItemView::SingleSelection);
    TimingList->setSelectionBehavior(QAbstractItemView::SelectItems);
    TimingList->setItemDelegate(new TimeCellDelegate(TimingList));
    TimingList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    Waveform = new WaveformStrip(page);
    TimingLabel = new QLabel(QStringLiteral("タイミング(&I):"), page);
    named(TimingLabel, "TimingLabel");
    TimingLabel->setBuddy(TimingList);

    TimeHdrLabel = new QLabel(QStringLiteral("タイム :"), page);
    named(TimeHdrLabel, "TimeHdrLabel");
    TimeText = new QLabel(FormatCellTime(0), page);
    named(TimeText, "TimeText");
    TimeText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TimeText->setMinimumWidth(ScaleToScreen(56));
    TimeText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto button = [page](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, page);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    StartBtn = button(QStringLiteral("開始(&B)"), "StartBtn");
    RetBtn = button(QStringLiteral("戻る(&R)"), "RetBtn");
    SetBtn = button(QStringLiteral("セット(&S)"), "SetBtn");
    ContSetBtn = button(QStringLiteral("連続セット(&C)"), "ContSetBtn");
    TestBtn = button(QStringLiteral("テスト(&E)"), "TestBtn");
    PrevBtn = button(QStringLiteral("巻戻し"), "PrevBtn");
    NextBtn = button(QStringLiteral("早送り"), "NextBtn");
    LineBtn = button(QStringLiteral("この行を再生(&P)"), "LineBtn");
    LineBtn->setCheckable(true); // checked: the line plays again and again
    SpeedBox = new QComboBox(page);
    named(SpeedBox, "SpeedBox");
    SpeedBox->addItem(QStringLiteral("1×"), 1.0);
    SpeedBox->addItem(QStringLiteral("0.75×"), 0.75);
    SpeedBox->addItem(QStringLiteral("0.5×"), 0.5);
    SpeedLabel = new QLabel(QStringLiteral("速度(&V):"), page);
    named(SpeedLabel, "SpeedLabel");
    SpeedLabel->setBuddy(SpeedBox);
    LineBtn->setToolTip(QStringLiteral("選択した行を、開始の1秒前から終了まで繰り返し再生します (Ctrl+P: 1回だけ)"));
    // Enter on Set and Continuous Set stamps (as Space does) rather than pressing OK.
    SetBtn->setAutoDefault(true);
    ContSetBtn->setAutoDefault(true);
    // Two lines in either state, so that nothing on the page moves as a capture starts.
    KeyHelpLabel = new QLabel(KeyHelpText(false), page);
    named(KeyHelpLabel, "KeyHelpLabel");
    KeyHelpLabel->setEnabled(false); // a quiet hint

    auto* top = new QHBoxLayout;
    top->addWidget(TrackLabel);
    top->addWidget(MTitleBoxT, 1);
    top->addSpacing(ScaleToScreen(12));
    top->addWidget(AdjustLabel);
    top->addWidget(AdjustEdit);
    auto* row1 = new QHBoxLayout;
    for (QWidget* w : {StartBtn, RetBtn, SetBtn, ContSetBtn}) row1->addWidget(w);
    row1->addStretch();
    auto* row2 = new QHBoxLayout;
    for (QWidget* w : {TestBtn, PrevBtn, NextBtn, LineBtn}) row2->addWidget(w);
    row2->addStretch();
    row2->addWidget(SpeedLabel);
    row2->addWidget(SpeedBox);
    row2->addWidget(TimeHdrLabel);
    row2->addWidget(TimeText);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(TimingLabel);
    layout->addWidget(Waveform);
    layout->addWidget(TimingList, 1);
    layout->addLayout(row1);
    layout->addLayout(row2);
    layout->addWidget(KeyHelpLabel);
    return page;
}

void TInputDataForm::connectTiming()
{
    connect(MTitleBoxT, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling) MTitleBoxTChange();
    });
    connect(AdjustEdit, &QSpinBox::valueChanged, this, [this] {
        if (!filling) AdjustEditExit();
    });
    connect(TimingList, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling) timingListSetEditText(item->row(), item->column());
    });
    // Slower while capturing or testing too: the music goes on from where it is.
    connect(SpeedBox, &QComboBox::currentIndexChanged, this, [this] {
        Capture.SetSpeed(SpeedBox->currentData().toDouble());
        if (Capturing()) SetBtn->setFocus(Qt::OtherFocusReason);
    });
    connect(StartBtn, &QPushButton::clicked, this, &TInputDataForm::StartBtnClick);
    connect(RetBtn, &QPushButton::clicked, this, &TInputDataForm::RetBtnClick);
    connect(TestBtn, &QPushButton::clicked, this, &TInputDataForm::TestBtnClick);
    // A stamp is made as the key or button goes down, not when it comes up. Their
    // presses are timed by the dialog's filter, which watches every event while a
    // capture runs (the only time these buttons are enabled).
    for (QPushButton* b : {SetBtn, ContSetBtn}) {
        connect(b, &QPushButton::pressed, this, [this, b] {
            const uint32_t tick = pressPending ? pressTick : clock.TickCount();
            pressPending = false;
            SetBtnPress(b == ContSetBtn, tick);
        });
    }
    // The fast seek runs while the button is held (mouse or Space).
    for (QPushButton* b : {PrevBtn, NextBtn}) {
        connect(b, &QPushButton::pressed, this, [this, b] { Capture.BeginSeek(b == NextBtn); });
        connect(b, &QPushButton::released, this, [this] { Capture.ReleaseSeek(); });
        b->installEventFilter(this);
    }
    // A button clicked during a capture gives the keyboard back to Set at once, so
    // that the next Space or Enter stamps and the key hint holds.
    for (QPushButton* b : {StartBtn, RetBtn, ContSetBtn, PrevBtn, NextBtn, HelpBtn}) {
        connect(b, &QPushButton::released, this, [this] {
            if (Capturing()) SetBtn->setFocus(Qt::OtherFocusReason);
        });
    }
    TimingList->viewport()->installEventFilter(this);
    TimingList->installEventFilter(this); // the nudge keys
    // The waveform: a click plays from there, a marker dragged moves its time (once, on
    // release, for undo; the grid shows it as it goes).
    connect(&Waveforms, &WaveformCache::Ready, this, [this](int track) {
        if (track == Capture.TimingTrack) refreshWaveform();
    });
    Waveform->ClickedAt = [this](int32_t t) { waveformClicked(t); };
    Waveform->RangeOf = [this](int column, int line) { return Capture.TimeRange(column, line); };
    Waveform->Dragging = [this](int column, int line, int32_t value) { setTimeCell(line - 1, column, value); };
    Waveform->Dropped = [this](int column, int line, int32_t value) {
        SelectTimingCell(column, line);
        Capture.MoveTime(column, line, value);
        refreshWaveformTimes();
    };
    connect(TimingList, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { Waveform->SetSelected(column, row + 1); });
    // Undo takes back any edit of the page (while it shows), a capture's own stamps while
    // one runs.
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(undo, &QShortcut::activated, this, [this] {
        if (InputDataPage->currentWidget() == TimingSheet) Capture.Undo();
    });
    connect(LineBtn, &QPushButton::clicked, this, [this](bool checked) {
        if (checked != Capture.PlayingLine) PlayLineBtnClick(true);
    });
    auto* once = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    connect(once, &QShortcut::activated, this, [this] {
        if (InputDataPage->currentWidget() == TimingSheet) PlayLineBtnClick(false);
    });
}

bool TInputDataForm::timingEvent(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (!Capturing() && quiet && (type == QEvent::KeyPress || type == QEvent::KeyRelease) &&
        StampKey(static_cast<QKeyEvent*>(event)) && watched->isWidgetType() &&
        (watched == this || isAncestorOf(static_cast<QWidget*>(watched)))) {
        // Stamp keys pressed a little late, after the capture ended, press nothing.
        if (clock.TickCount() - quietFrom < kQuietMs) return true;
        quiet = false;
    }
    if (watched == TimingList && type == QEvent::KeyPress) {
        // (A cell being edited has the keys in its editor.) Not being edited, Enter opens the cell's editor (it never
        // presses OK) and Space types nothing into it.
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            if (QTableWidgetItem* item = TimingList->currentItem(); item && (item->flags() & Qt::ItemIsEditable))
                TimingList->editItem(item);
            return true;
        }
        if (k == Qt::Key_Space) return true;
    }
    if (Capturing() && watched != SetBtn && (type == QEvent::KeyPress || type == QEvent::KeyRelease) &&
        StampKey(static_cast<QKeyEvent*>(event)) && watched->isWidgetType() &&
        (watched == this || isAncestorOf(static_cast<QWidget*>(watched)))) {
        // Space and Enter stamp whatever has the focus: on another button they would
        // press it (Continuous Set gluing two times, another fast seek) or do nothing.
        auto* key = static_cast<QKeyEvent*>(event);
        if (type == QEvent::KeyPress && !key->isAutoRepeat())
            SetBtnPress(false, pressTimes.TickOf(key->timestamp(), clock.TickCount()));
        return true;
    }
    if (watched == SetBtn || watched == ContSetBtn) {
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::MouseButtonPress) {
            auto* input = static_cast<QInputEvent*>(event);
            const uint32_t tick = pressTimes.TickOf(input->timestamp(), clock.TickCount());
            if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->isAutoRepeat())
                return true; // a held key stamps once
            if (type != QEvent::KeyRelease) {
                pressPending = true;
                pressTick = tick;
                QTimer::singleShot(0, this, [this] { pressPending = false; });
            }
        }
    } else if ((watched == PrevBtn || watched == NextBtn) && type == QEvent::KeyRelease) {
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) Capture.ReleaseSeek();
    } else if (watched == TimingList->viewport() && Capturing()) {
        // During a capture the cursor moves only by Set and Ret.
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) return true;
    }
    // Alt+Left/Right move the selected time: on the grid, and while the track plays
    // (a test, a line) wherever the focus is in the dialog.
    if (type == QEvent::KeyPress && !Capturing() && watched->isWidgetType() &&
        (watched == TimingList || (Capture.Running() && isAncestorOf(static_cast<QWidget*>(watched))))) {
        if (const int delta = TimeNudgeOf(static_cast<QKeyEvent*>(event))) {
            NudgeSelectedTime(delta);
            return true;
        }
    }
    // The nudge keys work wherever the focus is in the dialog, except where text is typed.
    if (type == QEvent::KeyPress && Testing() && watched->isWidgetType() &&
        isAncestorOf(static_cast<QWidget*>(watched)) && watched != AdjustEdit && !qobject_cast<QLineEdit*>(watched)) {
        if (const int delta = NudgeOf(static_cast<QKeyEvent*>(event))) {
            Capture.NudgeAdjust(delta);
            return true;
        }
    }
    return false;
}

void TInputDataForm::SetTimingList(int track)
{
    Capture.SetTrack(track);
    filling = true;
    AdjustEdit->setValue(words.GetAdjust(track));
    const int n = words.GetLineCount(track);
    TimingList->clearContents();
    TimingList->setRowCount(n > 0 ? n + kEmptyRows : 1);
    const bool own = words.GetCopyTrack(track) == 0;
    for (int row = 0; row < TimingList->rowCount(); ++row) {
        const bool line = row < n;
        const TWordsLine record = line ? words.GetLine(track, row + 1) : TWordsLine{};
        // Cells the grid's keys and the mouse pass over: texts and the rows below the lines.
        auto* text = new QTableWidgetItem(record.Text);
        text->setFlags(Qt::NoItemFlags);
        TimingList->setItem(row, 0, text);
        for (int column : {1, 2}) {
            const int32_t value = column == 1 ? record.StartTime : record.EndTime;
            auto* item = new QTableWidgetItem(line ? FormatCellTime(value) : QString());
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setFlags(line ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::NoItemFlags);
            TimingList->setItem(row, column, item);
        }
    }
    filling = false;
    const bool enabled = n > 0 && own;
    for (QWidget* w : {static_cast<QWidget*>(TimingList), static_cast<QWidget*>(TimingLabel),
                       static_cast<QWidget*>(TimeText), static_cast<QWidget*>(TimeHdrLabel)})
        w->setEnabled(enabled);
    refreshWaveform();
    UpdateTimingButtons();
    if (enabled)
        SelectTimingCell(1, 1);
    else
        SelectTimingCell(-1, -1);
    TimingList->scrollToTop();
}

void TInputDataForm::refreshWaveform()
{
    const int track = Capture.TimingTrack;
    // A track without lyrics shows its waveform too (greyed): never a "loading" that
    // waits for nothing.
    Waveform->setEnabled(words.GetLineCount(track) > 0);
    Waveform->SetPeaks(Waveforms.Peaks(words.DiscId, track, words.SongStart(track), words.SongLength(track)));
    refreshWaveformTimes();
}

void TInputDataForm::refreshWaveformTimes()
{
    const int track = Capture.TimingTrack;
    std::vector<std::pair<int32_t, int32_t>> times;
    for (int k = 1; k <= words.GetLineCount(track); ++k) {
        const TWordsLine l = words.GetLine(track, k);
        times.emplace_back(l.StartTime, l.EndTime);
    }
    Waveform->SetTimes(std::move(times), words.SongLength(track) / 10);
}

void TInputDataForm::waveformClicked(int32_t hundredths)
{
    // Played from there as a test, so that the lyrics window shows the lines; during a
    // capture the music keeps its place.
    if (Capturing() || !TimingList->isEnabled()) return;
    if (Capture.Running()) Capture.StopTiming();
    Capture.TestClick(hundredths);
    if (Testing()) TestBtn->setFocus();
}

void TInputDataForm::MTitleBoxTChange() { trackBoxChange(MTitleBoxT); }

void TInputDataForm::UpdateTimingButtons() { applyTimingState(); }

void TInputDataForm::applyTimingState()
{
    const int track = Capture.TimingTrack;
    const bool lines = words.GetLineCount(track) > 0;
    const bool startable = lines && words.GetCopyTrack(track) == 0;
    const bool capturing = Capturing(), testing = Testing(), lining = Capture.PlayingLine;
    const bool rest = !capturing && !testing && !lining;
    StartBtn->setEnabled(capturing || (rest && startable));
    StartBtn->setText(capturing ? QStringLiteral("中止(&B)") : QStringLiteral("開始(&B)"));
    TestBtn->setEnabled(testing || (rest && startable));
    TestBtn->setText(testing ? QStringLiteral("テスト中止(&E)") : QStringLiteral("テスト(&E)"));
    TimeText->setVisible(startable);
    for (QPushButton* b : {RetBtn, SetBtn, ContSetBtn}) b->setEnabled(capturing);
    for (QPushButton* b : {PrevBtn, NextBtn}) b->setEnabled(capturing || testing);
    LineBtn->setEnabled(lining || (rest && startable));
    LineBtn->setChecked(lining && Capture.LoopLine);
    MTitleBoxT->setEnabled(rest);
    TrackLabel->setEnabled(rest);
    AdjustEdit->setEnabled(lines && !capturing);
    AdjustLabel->setEnabled(AdjustEdit->isEnabled());
    ReloadBtn->setEnabled(!capturing);
    OKBtn->setEnabled(rest);
    CancelBtn->setEnabled(rest);
    // While the track plays the page stays, and the grid follows only Set and Ret.
    InputDataPage->tabBar()->setEnabled(rest);
    TimingList->setFocusPolicy(capturing ? Qt::NoFocus : Qt::StrongFocus);
    // The keys as they are now: Space and Enter stamp only while a capture runs.
    KeyHelpLabel->setText(KeyHelpText(capturing));
    Waveform->SetDragEnabled(!capturing && startable);
    if (rest) Waveform->SetCursor(-1);
    TimingList->setEditTriggers(capturing ? QAbstractItemView::NoEditTriggers
                                          : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                                QAbstractItemView::AnyKeyPressed);
}

void TInputDataForm::SelectTimingCell(int column, int row)
{
    if (column < 0 || row < 0) {
        TimingList->clearSelection();
        TimingList->setCurrentCell(-1, -1);
        return;
    }
    TimingList->setCurrentCell(row - 1, column);
    // Beyond the fifth row the cell is kept in the fifth visible row.
    if (row > kCursorRow) TimingList->verticalScrollBar()->setValue(row - kCursorRow);
}

int TInputDataForm::selectedCellValue() const
{
    const QTableWidgetItem* item = TimingList->currentItem();
    if (!item || item->column() == 0 || !item->isSelected()) return 0;
    return CellNumber(item->text());
}

void TInputDataForm::StartBtnClick()
{
    const QTableWidgetItem* item = TimingList->currentItem();
    const int column = item && item->column() == 2 ? 2 : 1;
    const int row = item ? item->row() + 1 : 1;
    Capture.StartClick(column, row);
    if (Capturing()) SetBtn->setFocus();
}

void TInputDataForm::SetBtnPress(bool continuous, uint32_t tick) { Capture.SetClick(continuous, tick); }

void TInputDataForm::PlayLineBtnClick(bool loop)
{
    const QTableWidgetItem* item = TimingList->currentItem();
    Capture.PlayLineClick(item ? item->row() + 1 : 1, loop);
}

void TInputDataForm::NudgeSelectedTime(int delta)
{
    const QTableWidgetItem* item = TimingList->currentItem();
    if (!item || item->column() == 0 || !TimingList->isEnabled()) return;
    if (qobject_cast<QLineEdit*>(QApplication::focusWidget())) return; // a time being typed
    Capture.Nudge(item->column(), item->row() + 1, delta);
}

void TInputDataForm::RetBtnClick()
{
    Capture.RetClick();
    SetBtn->setFocus();
}

void TInputDataForm::TestBtnClick()
{
    Capture.TestClick(selectedCellValue());
    // Space stops the test again, and + and - reach the nudge.
    if (Testing()) TestBtn->setFocus();
}

void TInputDataForm::AdjustEditExit()
{
    AdjustEdit->interpretText(); // typed text in range counts; other text falls back
    Capture.SetAdjust(static_cast<int16_t>(AdjustEdit->value()));
}

void TInputDataForm::timingListSetEditText(int row, int column)
{
    const int line = row + 1;
    if (column < 1 || line > words.GetLineCount(Capture.TimingTrack)) return;
    const QString typed = TimingList->item(row, column)->text();
    const std::optional<int32_t> read = ParseCellTime(typed);
    if (!read) {
        // Refused, and the time stays as it was.
        const TWordsLine record = words.GetLine(Capture.TimingTrack, line);
        setTimeCell(row, column, column == 1 ? record.StartTime : record.EndTime);
        QTimer::singleShot(0, this, [typed] {
            ErrorMessage(QStringLiteral("「") + typed +
                             QStringLiteral("」は時刻として読めません。時刻はそのままです。\n"
                                            "分:秒.1/100秒 (0:06.25)、秒 (6.25) または 1/100秒の数 (625) "
                                            "で入力してください。"),
                         QStringLiteral("時刻の入力"));
        });
        return;
    }
    const int32_t value = *read;
    Capture.SetTime(column, line, value);
    // The cell reads as every other time, whichever form was typed.
    setTimeCell(row, column, value);
}

void TInputDataForm::setTimeCell(int row, int column, int32_t value)
{
    if (QTableWidgetItem* item = TimingList->item(row, column)) {
        filling = true;
        item->setText(FormatCellTime(value));
        filling = false;
    }
}

// ---------------------------------------------------------------- TimingView

void TInputDataForm::ShowStamp(int column, int line, int32_t value)
{
    setTimeCell(line - 1, column, value);
    refreshWaveformTimes();
}

void TInputDataForm::SelectCell(int column, int line) { SelectTimingCell(column, line); }

void TInputDataForm::ShowElapsed(int32_t elapsed)
{
    TimeText->setText(FormatCellTime(elapsed));
    if (Capture.Running()) Waveform->SetCursor(elapsed);
}

void TInputDataForm::ShowTrack(int track)
{
    if (track == Capture.TimingTrack) return;
    filling = true;
    MTitleBoxT->setCurrentIndex(IndexOfTrack(track));
    filling = false;
    MTitleBoxTChange();
}

void TInputDataForm::ModeChanged()
{
    applyTimingState();
    // While a test runs, + and - reach the dialog from whichever control has the focus;
    // while a capture runs, Space and Enter do, and the presses of Set are timed.
    if (Capture.Running())
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    // A test that ended leaves the focus on its button. A capture that ended (perhaps by
    // itself, at the track's end, while the user still presses) leaves it on the grid, and
    // for a moment the stamp keys do nothing at all: never OK, never a new capture.
    const int mode = Capturing() ? 1 : Testing() ? 2 : Capture.PlayingLine ? 3 : 0;
    if (mode == 0 && shownMode == 1) {
        quiet = true;
        quietFrom = clock.TickCount();
        qApp->installEventFilter(this);
        QTimer::singleShot(kQuietMs, this, [this] {
            if (!Capture.Running()) qApp->removeEventFilter(this);
        });
        TimingList->setFocus(Qt::OtherFocusReason);
    }
    if (mode == 0 && shownMode == 2) TestBtn->setFocus();
    shownMode = mode;
}

void TInputDataForm::ShowAdjust(int16_t adjust)
{
    filling = true;
    AdjustEdit->setValue(adjust);
    filling = false;
}

void TInputDataForm::UpdateWords()
{
    if (UpdateWordsNow) UpdateWordsNow();
}
