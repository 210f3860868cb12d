#include "DriveSel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/Etc.h"

TDriveSelForm::TDriveSelForm(const QStringList& drives, const QString& name, QWidget* parent)
    : QDialog(parent), driveName(name)
{
    setObjectName(QStringLiteral("DriveSelForm"));
    setWindowTitle(QStringLiteral("ドライブ選択"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    Label1 = new QLabel(QStringLiteral("使用ドライブ(&D):"), this);
    DriveList = new QListWidget(this);
    Label1->setBuddy(DriveList);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(DriveList, 1);
    layout->addLayout(buttons);

    // Patterns in both cases: some file dialogs match them case by case, and rippers
    // write X.CUE as often as x.cue.
    ChooseImage = [](QWidget* owner) {
        return QFileDialog::getOpenFileName(
            owner, QStringLiteral("ディスクイメージ"), QString(),
            QStringLiteral("ディスクイメージ (*.cue *.CUE *.Cue *.toc *.TOC *.nrg *.NRG *.bin *.BIN);;"
                           "すべてのファイル (*)"));
    };

    // FormCreate: the default entry, the drives, an image already chosen, the image entry.
    DriveList->addItem(DefaultItemText());
    DriveList->addItems(drives);
    int selected = name.isEmpty() ? 0 : -1;
    for (int i = 1; i < DriveList->count() && selected < 0; ++i)
        if (DriveList->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) selected = i;
    DriveList->addItem(ImageItemText());
    for (int i = 0; i < DriveList->count(); ++i) DriveList->item(i)->setToolTip(DriveList->item(i)->text());
    // Paths are shown whole or with their middle left out, never behind a scroll bar.
    DriveList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // 163 x 195 as laid out, wider when an image path needs it.
    resize(qBound(ScaleToScreen(163), DriveList->sizeHintForColumn(0) + ScaleToScreen(48), ScaleToScreen(520)),
           ScaleToScreen(195));
    if (selected < 0 && QFileInfo(name).isFile()) {
        selected = DriveList->count() - 1;
        addImageItem(selected, name);
    }
    if (selected >= 0)
        DriveList->setCurrentRow(selected);
    else
        DriveList->setCurrentRow(-1);
    lastRow = selected;
    OKBtn->setEnabled(selected >= 0);

    // OK follows the selection, whether made by the mouse or the keyboard.
    connect(DriveList, &QListWidget::itemSelectionChanged, this, [this] { OKBtn->setEnabled(selectedRow() >= 0); });
    connect(DriveList, &QListWidget::itemClicked, this, &TDriveSelForm::DriveListClick);
    connect(DriveList, &QListWidget::itemDoubleClicked, this, &TDriveSelForm::DriveListDblClick);
    DriveList->installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &TDriveSelForm::OKBtnClick);
}

int TDriveSelForm::selectedRow() const
{
    const QList<QListWidgetItem*> items = DriveList->selectedItems();
    return items.isEmpty() ? -1 : DriveList->row(items.first());
}

bool TDriveSelForm::chooseImageItem()
{
    const int imageRow = DriveList->count() - 1;
    if (DriveList->currentRow() != imageRow) return true;
    const QString file = ChooseImage(this);
    if (file.isEmpty()) {
        DriveList->setCurrentRow(lastRow);
        return false;
    }
    addImageItem(imageRow, file);
    DriveList->setCurrentRow(imageRow);
    return true;
}

void TDriveSelForm::addImageItem(int row, const QString& path)
{
    auto* item = new QListWidgetItem;
    item->setData(Qt::UserRole, path);
    item->setToolTip(path);
    DriveList->insertItem(row, item);
    const int wanted = width() + DriveList->fontMetrics().horizontalAdvance(path) - pathRoom();
    if (wanted > width()) resize(std::min(wanted, std::max(width(), ScaleToScreen(520))), height());
    fitPaths();
}

int TDriveSelForm::pathRoom()
{
    // From the dialog's width (the list spans it, also before it is first shown), room
    // kept for a vertical scroll bar and the item's margins.
    const QMargins margins = layout() ? layout()->contentsMargins() : QMargins();
    return width() - margins.left() - margins.right() - 2 * DriveList->frameWidth() -
           DriveList->style()->pixelMetric(QStyle::PM_ScrollBarExtent) -
           2 * DriveList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) - 8;
}

void TDriveSelForm::fitPaths()
{
    const int room = pathRoom();
    for (int i = 0; i < DriveList->count(); ++i) {
        QListWidgetItem* item = DriveList->item(i);
        const QString path = item->data(Qt::UserRole).toString();
        if (path.isEmpty()) continue;
        const QFontMetrics metrics = DriveList->fontMetrics();
        item->setText(metrics.horizontalAdvance(path) <= room
                          ? path
                          : metrics.elidedText(path, Qt::ElideMiddle, std::max(room, 40)));
    }
}

void TDriveSelForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    fitPaths();
}

void TDriveSelForm::DriveListClick()
{
    chooseImageItem();
    lastRow = DriveList->currentRow();
    OKBtn->setEnabled(lastRow >= 0);
}

bool TDriveSelForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DriveList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter on the list accepts the selected item as a double click does, and only
            // once: the list would pass it on to OK as well, after a cancelled image choice
            // too. With nothing selected it does what the disabled OK does: nothing.
            if (selectedRow() >= 0) DriveListDblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDriveSelForm::DriveListDblClick()
{
    if (selectedRow() < 0) return;
    if (!chooseImageItem()) return;
    lastRow = DriveList->currentRow();
    OKBtn->setEnabled(lastRow >= 0);
    OKBtn->click();
}

void TDriveSelForm::OKBtnClick()
{
    // The image entry reached by the keyboard still asks for its file.
    if (selectedRow() == DriveList->count() - 1 && !chooseImageItem()) return;
    const int row = selectedRow();
    const QListWidgetItem* item = row <= 0 ? nullptr : DriveList->item(row);
    // An image's entry may show its path shortened; the path itself is kept with it.
    driveName = !item                                ? QString()
                : item->data(Qt::UserRole).isValid() ? item->data(Qt::UserRole).toString()
                                                     : item->text();
    accept();
}
