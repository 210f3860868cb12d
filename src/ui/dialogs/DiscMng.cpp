#include "DiscMng.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include "PlainHeader.h"
#include "core/common/Commands.h"
#include "core/common/Defines.h"
#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/DataFileName.h"
#include "core/discdata/DiscList.h"
#include "core/discdata/DiscRegistry.h"
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "ui/main/Help.h"
#include "ui/main/WindowStack.h"

namespace {
int S(int pixels) { return ScaleToScreen(pixels); }
} // namespace

// ---------------------------------------------------------------- the list and its hint

DiscGrid::DiscGrid(QWidget* parent) : QTableView(parent)
{
    setHorizontalHeader(new PlainHeader(Qt::Horizontal, this));
    viewport()->setMouseTracking(true);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &DiscGrid::ReleaseCellHint);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DiscGrid::ReleaseCellHint);
    // A question box or any other window coming up: the hint must not stay over it.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &DiscGrid::ReleaseCellHint);
}

void DiscGrid::ReleaseCellHint()
{
    if (hint) {
        hint->hide();
        hint->deleteLater();
        hint = nullptr;
    }
    hintCell = QPersistentModelIndex();
}

void DiscGrid::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QModelIndex at = indexAt(rect.normalized().topLeft());
    if (at.isValid()) selectionModel()->select(model()->index(at.row(), 0), command);
}

QModelIndex DiscGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex to = QTableView::moveCursor(action, modifiers);
    return to.isValid() ? model()->index(to.row(), 0) : to;
}

bool DiscGrid::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: mouseMovedTo(static_cast<QMouseEvent*>(event)->position().toPoint()); break;
    case QEvent::Leave:
        // The hint appearing under the mouse is reported as leaving; the mouse is still here.
        if (!viewport()->rect().contains(viewport()->mapFromGlobal(QCursor::pos()))) ReleaseCellHint();
        break;
    case QEvent::ToolTip: return true; // the cell hint stands in for tool tips
    default: break;
    }
    return QTableView::viewportEvent(event);
}

bool DiscGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (!hint || watched != hint) return QTableView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPointF global = e->globalPosition();
        if (e->type() == QEvent::MouseButtonPress) setFocus(Qt::MouseFocusReason);
        QMouseEvent passed(e->type(), viewport()->mapFromGlobal(global), global, e->button(), e->buttons(),
                           e->modifiers(), e->pointingDevice());
        QCoreApplication::sendEvent(viewport(), &passed);
        return true;
    }
    case QEvent::Wheel: {
        auto* w = static_cast<QWheelEvent*>(event);
        const QPointF global = w->globalPosition();
        QWheelEvent passed(viewport()->mapFromGlobal(global), global, w->pixelDelta(), w->angleDelta(), w->buttons(),
                           w->modifiers(), w->phase(), w->inverted(), w->source(), w->pointingDevice());
        QCoreApplication::sendEvent(viewport(), &passed);
        return true;
    }
    default: return QTableView::eventFilter(watched, event);
    }
}

void DiscGrid::keyPressEvent(QKeyEvent* event)
{
    ReleaseCellHint();
    QTableView::keyPressEvent(event);
}

void DiscGrid::scrollContentsBy(int dx, int dy)
{
    ReleaseCellHint();
    QTableView::scrollContentsBy(dx, dy);
    // At the end of its range the table would align the last row with the bottom and
    // cut the top one in half; the scroll range already lets the last row show whole.
    if (dy == 0 || verticalScrollMode() != ScrollPerItem) return;
    QHeaderView* rows = verticalHeader();
    const int top = verticalScrollBar()->value();
    if (top < 0 || top >= rows->count()) return;
    const int offset = rows->sectionPosition(rows->logicalIndex(top));
    if (rows->offset() == offset) return;
    rows->setOffset(offset);
    viewport()->update();
}

void DiscGrid::hideEvent(QHideEvent* event)
{
    ReleaseCellHint();
    QTableView::hideEvent(event);
}

void DiscGrid::mouseMovedTo(const QPoint& pos)
{
    const QModelIndex cell = indexAt(pos);
    if (cell.isValid() && cell == hintCell) return;
    ReleaseCellHint();
    hintCell = cell;
    const QString text = cell.data().toString();
    if (!cell.isValid() || text.isEmpty()) return;
    // The cell's text area is the column less the item margins on both sides.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const QFontMetrics metrics(font());
    const QScreen* screen = this->screen();
    const int screenWidth = screen ? screen->geometry().width() : 1024;
    const int needed = std::min(metrics.horizontalAdvance(text) + 2 * margin + 2, screenWidth);
    if (columnWidth(cell.column()) >= needed) return;
    hint = new QLabel(window(), Qt::ToolTip | Qt::WindowTransparentForInput);
    hint->setObjectName(QStringLiteral("CellHint"));
    hint->installEventFilter(this);
    hint->setAttribute(Qt::WA_ShowWithoutActivating);
    hint->setTextFormat(Qt::PlainText);
    hint->setPalette(QToolTip::palette());
    hint->setAutoFillBackground(true);
    hint->setFrameStyle(QFrame::Box | QFrame::Plain);
    hint->setFont(font());
    hint->setMargin(margin - 1);
    hint->setText(text);
    hint->setFixedSize(needed, std::max(rowHeight(cell.row()), metrics.height() + 2));
    hint->move(viewport()->mapToGlobal(visualRect(cell).topLeft()) - QPoint(1, 1));
    hint->show();
}

// ---------------------------------------------------------------- the dialog

TDiscMngForm::TDiscMngForm(WindowStack& ws, PlaybackHost& h, const PlaybackController& p, TWords& w, Settings& s,
                           CommandSet& commands)
    : LazyDialog(ws.Owner()), windows(ws), host(h), player(p), words(w), settings(s), cmd(commands)
{
    setObjectName(QStringLiteral("DiscMngForm"));
    setWindowTitle(QStringLiteral("ディスク管理"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    model = new DiscListModel(settings, this);
    connect(cmd.DiscMngItem, &Command::triggered, this, &TDiscMngForm::runModal);
    windows.Add(this);
}

void TDiscMngForm::buildControls()
{
    DiscMngPage = new QTabWidget(this);
    DiscMngPage->setObjectName(QStringLiteral("DiscMngPage"));

    ListSheet = new QWidget;
    ListSheet->setObjectName(QStringLiteral("ListSheet"));
    Label1 = new QLabel(QStringLiteral("ディスク一覧(&L):"), ListSheet);
    DiscList = new DiscGrid(ListSheet);
    DiscList->setObjectName(QStringLiteral("DiscList"));
    DiscList->setModel(model);
    DiscList->setSelectionMode(QAbstractItemView::SingleSelection);
    DiscList->setSelectionBehavior(QAbstractItemView::SelectItems);
    DiscList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DiscList->setTabKeyNavigation(false);
    DiscList->setWordWrap(false);
    DiscList->setAutoScroll(false); // rows are scrolled to by hand, never sideways
    DiscList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    DiscList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    DiscList->verticalHeader()->hide();
    DiscList->verticalHeader()->setMinimumSectionSize(1);
    DiscList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DiscList->horizontalHeader()->setHighlightSections(false);
    DiscList->horizontalHeader()->setStretchLastSection(false);
    // A click on a header sorts by it, a second the other way, a third back to the
    // registry's order.
    DiscList->horizontalHeader()->setSectionsClickable(true);
    DiscList->horizontalHeader()->setSortIndicatorShown(true);
    DiscList->horizontalHeader()->setSortIndicatorClearable(true);
    DiscList->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    Label1->setBuddy(DiscList);
    Label2 = new QLabel(QStringLiteral("登録ディスク数 :"), ListSheet);
    DiscCountText = new QLabel(QStringLiteral("0"), ListSheet);
    DiscCountText->setObjectName(QStringLiteral("DiscCountText"));
    DelBtn = new QPushButton(QStringLiteral("削除(&D)"), ListSheet);
    DelBtn->setObjectName(QStringLiteral("DelBtn"));
    DelBtn->setEnabled(false);
    DelBtn->setAutoDefault(false);
    FilterLabel = new QLabel(QStringLiteral("絞り込み(&S):"), ListSheet);
    FilterEdit = new QLineEdit(ListSheet);
    FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
    FilterEdit->setClearButtonEnabled(true);
    FilterEdit->setToolTip(
        QStringLiteral("歌詞ファイル名、タイトル、アーティストのどれかに含まれる文字で一覧を絞り込みます"));
    FilterLabel->setBuddy(FilterEdit);
    auto* listLayout = new QVBoxLayout(ListSheet);
    auto* labelRow = new QHBoxLayout;
    labelRow->addWidget(Label1);
    labelRow->addStretch();
    labelRow->addWidget(FilterLabel);
    labelRow->addWidget(FilterEdit);
    listLayout->addLayout(labelRow);
    listLayout->addWidget(DiscList, 1);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(Label2);
    countRow->addWidget(DiscCountText);
    countRow->addStretch();
    countRow->addWidget(DelBtn);
    listLayout->addLayout(countRow);
    DiscMngPage->addTab(ListSheet, QStringLiteral("一覧"));

    RegistSheet = new QWidget;
    RegistSheet->setObjectName(QStringLiteral("RegistSheet"));
    Label3 = new QLabel(QStringLiteral("歌詞ファイル名(&F):"), RegistSheet);
    WordsFileNameEdit = new QLineEdit(RegistSheet);
    WordsFileNameEdit->setObjectName(QStringLiteral("WordsFileNameEdit"));
    Label3->setBuddy(WordsFileNameEdit);
    RegBtn = new QPushButton(QStringLiteral("新規登録(&R)"), RegistSheet);
    RegBtn->setObjectName(QStringLiteral("RegBtn"));
    RegBtn->setAutoDefault(false);
    auto* registLayout = new QVBoxLayout(RegistSheet);
    registLayout->addWidget(Label3);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(WordsFileNameEdit, 1);
    nameRow->addWidget(RegBtn);
    registLayout->addLayout(nameRow);
    LookUpTitlesBtn = new QPushButton(QStringLiteral("インターネットでタイトルを検索(&I)"), RegistSheet);
    LookUpTitlesBtn->setObjectName(QStringLiteral("LookUpTitlesBtn"));
    LookUpTitlesBtn->setAutoDefault(false);
    FoundTitlesLabel = new QLabel(RegistSheet);
    FoundTitlesLabel->setObjectName(QStringLiteral("FoundTitlesLabel"));
    FoundTitlesLabel->setWordWrap(true);
    auto* lookUpRow = new QHBoxLayout;
    lookUpRow->addStretch();
    lookUpRow->addWidget(LookUpTitlesBtn);
    registLayout->addLayout(lookUpRow);
    registLayout->addWidget(FoundTitlesLabel);
    registLayout->addStretch();
    connect(LookUpTitlesBtn, &QPushButton::clicked, this, &TDiscMngForm::LookUpTitlesBtnClick);
    DiscMngPage->addTab(RegistSheet, QStringLiteral("登録"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    HelpBtn = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DiscMngPage, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);
    setFixedSize(S(473), S(315));

    Help::SetContext(this, 1001);
    Help::SetContext(ListSheet, 1001);
    Help::SetContext(RegistSheet, 1002);
    Help::SetContext(OKBtn, 10001);
    Help::SetContext(HelpBtn, 10003);
    Help::InstallF1(this, [this] { windows.SkipOnce(); });

    // OK is the default and the cancel button: Enter and Esc both close.
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { Help::Show(1001 + DiscMngPage->currentIndex(), this); });
    connect(DelBtn, &QPushButton::clicked, this, &TDiscMngForm::delBtnClick);
    connect(RegBtn, &QPushButton::clicked, this, &TDiscMngForm::regBtnClick);
    connect(WordsFileNameEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { RegBtn->setEnabled(!text.isEmpty()); });
    connect(DiscList->selectionModel(), &QItemSelectionModel::currentChanged, this, &TDiscMngForm::currentCellChanged);
    connect(DiscList->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (column >= 0 && column < 4) settings.DiscList[static_cast<size_t>(column)] = width;
    });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, DiscList, &DiscGrid::ReleaseCellHint);
    connect(DiscList->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                settings.DiscListSort = column < 0 ? 0 : order == Qt::AscendingOrder ? column + 1 : -(column + 1);
                const QString selected = model->Name(CurrentRow());
                model->sort(column, order);
                rearranged(selected);
            });
    connect(FilterEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString selected = model->Name(CurrentRow());
        model->SetFilter(text);
        rearranged(selected);
    });
}

void TDiscMngForm::runModal()
{
    windows.RunModal(*this, [this] { host.RedrawDisplay(); });
}

void TDiscMngForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return; // shown again by the window system, not opened
    if (const QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
    const bool noDisc = NoDiscMode(player.DeviceModeNow);
    WordsFileNameEdit->setText(noDisc || !words.HasFile() ? QString() : QFileInfo(words.FileName).completeBaseName());
    const bool editable = !noDisc && words.AudioState != 0;
    WordsFileNameEdit->setEnabled(editable);
    Label3->setEnabled(editable);
    RegBtn->setEnabled(false);
    mode = WordsFileNameEdit->text().isEmpty() ? Register : Rename;
    updateOnlineControls();

    DiscList->verticalHeader()->setDefaultSectionSize(DiscList->fontMetrics().height() + 2);
    for (int column = 0; column < 4; ++column)
        DiscList->setColumnWidth(column, settings.DiscList[static_cast<size_t>(column)]);
    FilterEdit->clear();
    FillDiscList();
    // The order the user chose last; a sort by a file's texts reads the files here, once.
    const int sort = settings.DiscListSort;
    DiscList->horizontalHeader()->setSortIndicator(sort == 0 ? -1 : std::abs(sort) - 1,
                                                   sort < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    SelectDiscRow(0);
    DiscList->verticalScrollBar()->setValue(0);
    DiscList->horizontalScrollBar()->setValue(0);
    updateDiscButtons();
    OKBtn->setDefault(true);
    DiscMngPage->setFocus();
    if (registeringFirst) {
        DiscMngPage->setCurrentWidget(RegistSheet);
        WordsFileNameEdit->setFocus();
    }
    windows.Reassert();
}

bool TDiscMngForm::OfferRegistration()
{
    if (words.HasFile()) return true;
    if (NoDiscMode(player.DeviceModeNow) || words.AudioState == 0 || windows.DialogOpen()) return false;
    if (QuestionMessage(QStringLiteral("このディスクは登録されていません。登録して、データを入力しますか?"),
                        QStringLiteral("データ入力")) != IdYes)
        return false;
    registeringFirst = true;
    runModal();
    registeringFirst = false;
    return words.HasFile();
}

void TDiscMngForm::FillDiscList()
{
    Build();
    const int row = CurrentRow();
    model->Fill();
    showCount();
    // The grid keeps its row over a refill, as far as the list still reaches.
    if (row >= 0) SelectDiscRow(std::min(row, model->rowCount() - 1));
    updateDiscButtons();
}

void TDiscMngForm::showCount()
{
    // Filtered: how many of the registered discs are listed.
    DiscCountText->setText(model->Filter().isEmpty()
                               ? QString::number(model->EntryCount())
                               : QStringLiteral("%1 / %2").arg(model->ShownCount()).arg(model->EntryCount()));
}

void TDiscMngForm::rearranged(const QString& selected)
{
    showCount();
    const int row = selected.isEmpty() ? -1 : model->RowOf(selected);
    SelectDiscRow(std::max(row, 0));
    updateDiscButtons();
}

int TDiscMngForm::CurrentRow() const
{
    if (!Built()) return -1;
    const QModelIndex current = DiscList->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TDiscMngForm::SelectDiscRow(int row)
{
    Build();
    DiscList->selectionModel()->setCurrentIndex(model->index(row, DiscListModel::NameColumn),
                                                QItemSelectionModel::ClearAndSelect);
}

void TDiscMngForm::currentCellChanged(const QModelIndex& current, const QModelIndex&)
{
    if (!current.isValid()) return;
    // The selection is always the name cell of one row.
    if (current.column() != DiscListModel::NameColumn) {
        SelectDiscRow(current.row());
        return;
    }
    // Up and down only: the table is never pulled sideways under the mouse.
    QScrollBar* bar = DiscList->verticalScrollBar();
    const int rowHeight = std::max(1, DiscList->rowHeight(current.row()));
    const int visible = std::max(1, DiscList->viewport()->height() / rowHeight);
    if (current.row() < bar->value())
        bar->setValue(current.row());
    else if (current.row() >= bar->value() + visible)
        bar->setValue(current.row() - visible + 1);
    updateDiscButtons();
}

void TDiscMngForm::updateDiscButtons()
{
    if (mode == Rename && LookUpTitlesBtn) LookUpTitlesBtn->setVisible(false);
    // The data file of the disc in the drive cannot be deleted, nor a row that lists none
    // (the one empty row of a filter that matches nothing).
    const QString name = model->Name(CurrentRow());
    DelBtn->setEnabled(!name.isEmpty() && DataFilePath(settings, name) != words.FileName);
    RegBtn->setText(mode == Rename ? QStringLiteral("名前の変更(&R)") : QStringLiteral("新規登録(&R)"));
}

void TDiscMngForm::delBtnClick()
{
    DiscList->ReleaseCellHint(); // not over the question
    const QString name = model->Name(CurrentRow());
    DiscRegistry registry(settings);
    const std::optional<QString> discId = registry.IdOf(name);
    if (!discId) return;
    bool permanently = host.ShiftHeld();
    // A hand-written name that leads out of the data folder deletes no file, and the
    // question says so.
    const QString question =
        DiscRegistry::FileGoesWith(name)
            ? QStringLiteral("登録ディスク一覧から '%1' を削除し、歌詞ファイルも削除します。よろしいですか?").arg(name)
            : QStringLiteral("登録ディスク一覧から '%1' を削除します。この名前は歌詞ファイルのフォルダの外を指すため、"
                             "ファイルは削除せずに残します。よろしいですか?")
                  .arg(name);
    if (QuestionMessage(question, QStringLiteral("登録ディスクの削除")) == IdYes) {
        permanently = permanently || host.ShiftHeld();
        registry.Delete(*discId, name, permanently);
    }
    FillDiscList();
}

bool TDiscMngForm::refusedName(const QString& name, const QString& path)
{
    if (!IsValidDataFileName(name))
        InvalidFileNameMessage(name);
    else if (QFileInfo::exists(path))
        DuplicateFileNameMessage();
    else
        return false;
    WordsFileNameEdit->setFocus();
    return true;
}

void TDiscMngForm::regBtnClick()
{
    const QString name = WordsFileNameEdit->text();
    const QString path = DataFilePath(settings, name);
    if (refusedName(name, path)) return;

    if (mode == Rename) {
        if (!DiscRegistry(settings).Rename(words, name)) {
            ErrorMessage(QStringLiteral("変更できませんでした。"), QStringLiteral("変更エラー"));
            return;
        }
        FillDiscList();
        RegBtn->setEnabled(false);
        return;
    }

    if (words.Register(name)) {
        ErrorMessage(QStringLiteral("登録できませんでした。"), QStringLiteral("登録エラー"));
        return;
    }
    takeOfferedTitles();
    FillDiscList();
    mode = Rename;
    updateDiscButtons();
    host.ShowDiscTitle();
    cmd.InputDataItem->setEnabled(true);
    RegBtn->setEnabled(false);
    // Registered on the way to data entry: on to it.
    if (registeringFirst) accept();
}
