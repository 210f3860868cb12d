#include "ProgSet.h"

#include <QDragMoveEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "ui/main/Help.h"
#include "ui/main/WindowStack.h"

namespace {
const QString kListMime = QStringLiteral("application/x-mirelune-edit-list");
constexpr int kDialogHelp = 120;

QByteArray listName(EditList list) { return list == EditList::TrackList ? "TrackList" : "ProgList"; }

bool sourceOf(const QMimeData* data, EditList* source)
{
    if (!data || !data->hasFormat(kListMime)) return false;
    const QByteArray name = data->data(kListMime);
    if (name != listName(EditList::TrackList) && name != listName(EditList::ProgList)) return false;
    *source = name == listName(EditList::TrackList) ? EditList::TrackList : EditList::ProgList;
    return true;
}
} // namespace

// ---------------------------------------------------------------- the lists

ProgListBox::ProgListBox(EditList role, QWidget* parent) : QListWidget(parent), Role(role)
{
    setObjectName(QString::fromLatin1(listName(role)));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(true);
}

QMimeData* ProgListBox::DragData(EditList source)
{
    auto* data = new QMimeData;
    data->setData(kListMime, listName(source));
    return data;
}

QStringList ProgListBox::mimeTypes() const { return {kListMime}; }

QMimeData* ProgListBox::mimeData(const QList<QListWidgetItem*>&) const
{
    // The items travel by the selection, which the dialog reads; only the source goes along.
    return DragData(Role);
}

bool ProgListBox::accepts(const QMimeData* data) const
{
    EditList source;
    return sourceOf(data, &source) && AcceptsDrop(Role, source);
}

void ProgListBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ProgListBox::dragMoveEvent(QDragMoveEvent* event)
{
    QListWidget::dragMoveEvent(event); // scrolling and the drop indicator
    if (!accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ProgListBox::dropEvent(QDropEvent* event)
{
    EditList source;
    if (!sourceOf(event->mimeData(), &source) || !AcceptsDrop(Role, source)) {
        event->ignore();
        return;
    }
    // Copy, so that the view takes nothing away from the source list by itself.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    emit dropped(source, indexAt(event->position().toPoint()).row());
}

// ---------------------------------------------------------------- the dialog

TProgSetForm::TProgSetForm(TWords& words_, CommandSet& commands_, WindowStack& windows_, QWidget* parent)
    : LazyDialog(parent), words(words_), commands(commands_), windows(windows_)
{
    setObjectName(QStringLiteral("ProgSetForm"));
    setWindowTitle(QStringLiteral("プログラム設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void TProgSetForm::buildControls()
{
    TrackList = new ProgListBox(EditList::TrackList, this);
    ProgList = new ProgListBox(EditList::ProgList, this);
    TrackLabel = new QLabel(QStringLiteral("トラック(&T):"), this);
    TrackLabel->setBuddy(TrackList);
    ProgLabel = new QLabel(QStringLiteral("プログラム(&P):"), this);
    ProgLabel->setBuddy(ProgList);
    auto* trackCountLabel = new QLabel(QStringLiteral("トラック数 :"), this);
    auto* timeLabel = new QLabel(QStringLiteral("時間 :"), this);
    TotalTrackText = new QLabel(QStringLiteral("0"), this);
    TotalTrackText->setObjectName(QStringLiteral("TotalTrackText"));
    TotalTimeText = new QLabel(FormatMinSec(0), this);
    TotalTimeText->setObjectName(QStringLiteral("TotalTimeText"));
    for (QLabel* l : {TotalTrackText, TotalTimeText}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(ScaleToScreen(48));
    }

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    AddBtn = button(QStringLiteral("追加(&A)"), "AddBtn");
    DelBtn = button(QStringLiteral("削除(&D)"), "DelBtn");
    DelAllBtn = button(QStringLiteral("全削除(&C)"), "DelAllBtn");
    UpBtn = button(QStringLiteral("上へ(&U)"), "UpBtn");
    DownBtn = button(QStringLiteral("下へ(&N)"), "DownBtn");
    SaveBtn = button(QStringLiteral("保存(&S)"), "SaveBtn");
    ReloadBtn = button(QStringLiteral("再読込(&L)"), "ReloadBtn");
    OKBtn = button(QStringLiteral("OK"), "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = button(QStringLiteral("キャンセル"), "CancelBtn");
    HelpBtn = button(QStringLiteral("ヘルプ(&H)"), "HelpBtn");

    auto* listButtons = new QVBoxLayout;
    listButtons->addStretch();
    for (QPushButton* b : {AddBtn, DelBtn, DelAllBtn, UpBtn, DownBtn}) listButtons->addWidget(b);
    listButtons->addStretch();
    auto* totals = new QHBoxLayout;
    totals->addStretch();
    totals->addWidget(trackCountLabel);
    totals->addWidget(TotalTrackText);
    totals->addSpacing(ScaleToScreen(12));
    totals->addWidget(timeLabel);
    totals->addWidget(TotalTimeText);
    auto* grid = new QGridLayout;
    grid->addWidget(TrackLabel, 0, 0);
    grid->addWidget(ProgLabel, 0, 2);
    grid->addWidget(TrackList, 1, 0);
    grid->addLayout(listButtons, 1, 1);
    grid->addWidget(ProgList, 1, 2);
    grid->addLayout(totals, 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(SaveBtn);
    bottom->addWidget(ReloadBtn);
    bottom->addStretch();
    for (QPushButton* b : {OKBtn, CancelBtn, HelpBtn}) bottom->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(bottom);
    setFixedSize(sizeHint().expandedTo(QSize(ScaleToScreen(492), ScaleToScreen(291))));

    Help::SetContext(this, kDialogHelp);
    const std::pair<QWidget*, int> contexts[] = {
        {TrackList, 13001}, {ProgList, 13002},  {TotalTrackText, 13003}, {TotalTimeText, 13003}, {AddBtn, 13004},
        {DelBtn, 13005},    {DelAllBtn, 13006}, {UpBtn, 13007},          {DownBtn, 13008},       {SaveBtn, 13009},
        {ReloadBtn, 13010}, {OKBtn, 10001},     {CancelBtn, 10002},      {HelpBtn, 10003}};
    for (const auto& [widget, context] : contexts) Help::SetContext(widget, context);
    Help::InstallF1(this, [this] { windows.SkipOnce(); });

    connect(AddBtn, &QPushButton::clicked, this, &TProgSetForm::AddBtnClick);
    connect(DelBtn, &QPushButton::clicked, this, &TProgSetForm::DelBtnClick);
    connect(DelAllBtn, &QPushButton::clicked, this, &TProgSetForm::DelAllBtnClick);
    connect(UpBtn, &QPushButton::clicked, this, [this] { UpDownBtnClick(true); });
    connect(DownBtn, &QPushButton::clicked, this, [this] { UpDownBtnClick(false); });
    connect(OKBtn, &QPushButton::clicked, this, &TProgSetForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SaveBtn, &QPushButton::clicked, this, &TProgSetForm::SaveBtnClick);
    connect(ReloadBtn, &QPushButton::clicked, this, &TProgSetForm::ReloadBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TProgSetForm::HelpBtnClick);
    connect(TrackList, &QListWidget::itemDoubleClicked, this, &TProgSetForm::AddBtnClick);
    connect(ProgList, &QListWidget::itemDoubleClicked, this, &TProgSetForm::DelBtnClick);
    // Delete on the program deletes the selected entries, as the button does.
    auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), ProgList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, [this] {
        if (DelBtn->isEnabled()) DelBtnClick();
    });
    // Every change of either selection, by mouse or keys, updates the buttons.
    for (ProgListBox* list : {TrackList, ProgList}) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this] {
            if (showing) return;
            takeSelection();
            UpdateTotals();
        });
        connect(list, &ProgListBox::dropped, this,
                [this, list](EditList source, int row) { ListDragDrop(list->Role, source, row); });
    }
}

void TProgSetForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TProgSetForm::FormShow()
{
    Build();
    SaveBtn->setEnabled(words.HasFile());
    ReloadBtn->setEnabled(words.HasFile());
    TrackList->setFocus();
    UpdateList();
    windows.Reassert();
}

void TProgSetForm::UpdateList()
{
    Build();
    showing = true;
    TrackList->clear();
    for (int t = words.FirstAudioTrack; t <= words.SongCount && words.AudioState != 0; ++t) {
        auto* item = new QListWidgetItem(FormatNumbered(t, words.GetSongTitle(t)), TrackList);
        item->setData(Qt::UserRole, t);
    }
    if (TrackList->count() > 0) {
        TrackList->setCurrentRow(0);
        TrackList->item(0)->setSelected(true);
    }
    prog = ProgramItems::From(words);
    ProgList->clear();
    showing = false;
    showItems();
    ProgList->scrollToTop();
    UpdateTotals();
}

// Reads the user's selection in ProgList into the items.
void TProgSetForm::takeSelection()
{
    prog.Selected.assign(prog.Entries.size() + 1, false);
    for (int i = 0; i < ProgList->count() && i <= prog.MarkerIndex(); ++i)
        prog.Selected[static_cast<size_t>(i)] = ProgList->item(i)->isSelected();
}

// Shows the items and their selection in ProgList, keeping its scroll position.
void TProgSetForm::showItems()
{
    showing = true;
    const int count = prog.Count() + 1;
    while (ProgList->count() > count) delete ProgList->takeItem(ProgList->count() - 1);
    while (ProgList->count() < count) ProgList->addItem(new QListWidgetItem);
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* item = ProgList->item(i);
        const bool marker = i == prog.MarkerIndex();
        const int track = marker ? 0 : prog.Entries[static_cast<size_t>(i)];
        const QString text = marker ? QString() : FormatNumbered(track, words.GetSongTitle(track));
        if (item->text() != text) item->setText(text);
        item->setData(Qt::UserRole, track);
        // The end marker is a place to drop on, never something to drag.
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
        if (!marker) flags |= Qt::ItemIsDragEnabled;
        item->setFlags(flags);
        item->setSelected(prog.IsSelected(i));
    }
    const int first = prog.FirstSelected();
    if (first >= 0)
        ProgList->selectionModel()->setCurrentIndex(ProgList->model()->index(first, 0), QItemSelectionModel::NoUpdate);
    showing = false;
}

std::vector<int> TProgSetForm::selectedTracks() const
{
    std::vector<int> tracks;
    for (int i = 0; i < TrackList->count(); ++i)
        if (TrackList->item(i)->isSelected()) tracks.push_back(TrackList->item(i)->data(Qt::UserRole).toInt());
    return tracks;
}

void TProgSetForm::UpdateTotals()
{
    TotalTimeText->setText(FormatMinSec(ProgramLength(prog.Entries, words)));
    TotalTrackText->setText(QString::number(prog.Count()));
    const ProgramButtons b = ProgramButtonStates(prog, static_cast<int>(selectedTracks().size()));
    AddBtn->setEnabled(b.Add);
    DelBtn->setEnabled(b.Del);
    DelAllBtn->setEnabled(b.DelAll);
    UpBtn->setEnabled(b.Up);
    DownBtn->setEnabled(b.Down);
}

void TProgSetForm::AddBtnClick()
{
    takeSelection();
    const int pos = AddTracks(prog, selectedTracks());
    if (pos < 0) return;
    showItems();
    ProgList->scrollToItem(ProgList->item(pos));
    UpdateTotals();
}

void TProgSetForm::DelBtnClick()
{
    takeSelection();
    if (!DeleteSelected(prog)) return;
    showItems();
    UpdateTotals();
}

void TProgSetForm::DelAllBtnClick()
{
    DeleteAll(prog);
    showItems();
    UpdateTotals();
}

void TProgSetForm::UpDownBtnClick(bool up)
{
    takeSelection();
    if (!(up ? MoveUp(prog) : MoveDown(prog))) return;
    showItems();
    ProgList->scrollToItem(ProgList->item(up ? prog.FirstSelected() : prog.MarkerIndex() - 1));
    UpdateTotals();
}

void TProgSetForm::ListDragDrop(EditList target, EditList source, int row)
{
    if (!AcceptsDrop(target, source)) return;
    if (target == EditList::TrackList) {
        DelBtnClick();
        return;
    }
    takeSelection();
    if (source == EditList::TrackList) {
        const int pos = DropTracks(prog, row, selectedTracks());
        if (pos < 0) return;
        showItems();
        ProgList->scrollToItem(ProgList->item(pos));
    } else {
        if (!DropEntries(prog, row)) return;
        showItems();
    }
    UpdateTotals();
}

void TProgSetForm::OKBtnClick()
{
    StoreProgram(prog.Entries, words, commands);
    accept();
}

void TProgSetForm::SaveBtnClick()
{
    StoreProgram(prog.Entries, words, commands);
    words.Save(dpProgram);
    UpdateTotals();
}

void TProgSetForm::ReloadBtnClick()
{
    const std::vector<int> before = ProgramItems::From(words).Entries;
    words.Load(dpProgram);
    // The player follows the program it now has, as it does after OK.
    if (ProgramItems::From(words).Entries != before) FollowProgram(commands);
    UpdateList();
}

void TProgSetForm::HelpBtnClick() { Help::Show(kDialogHelp, this); }
