#pragma once
// "プログラム設定": the play program of the disc in the drive. The disc's tracks on the
// left, the program on the right, built by buttons, double clicks and drag and drop.
// The rules live in ProgramEdit; this window shows them and forwards the user's actions.
// OK puts the program into the disc data object; only Save writes the data file.
#include <QListWidget>
#include <vector>

#include "LazyDialog.h"
#include "core/entry/ProgramEdit.h"

class CommandSet;
class QLabel;
class QPushButton;
class TWords;
class WindowStack;

// Both lists: several items selectable, dragging on their own. A drag says which list it
// came from; a drop the target takes is handed on as dropped() and changes nothing here.
class ProgListBox : public QListWidget {
    Q_OBJECT
public:
    ProgListBox(EditList role, QWidget* parent);
    const EditList Role;

    // The drag data of a drag out of source.
    static QMimeData* DragData(EditList source);

signals:
    // A drop from source on the item at row (-1: below the last item).
    void dropped(EditList source, int row);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool accepts(const QMimeData* data) const;
};

class TProgSetForm : public LazyDialog {
    Q_OBJECT
public:
    // The controls are made when it is first shown.
    TProgSetForm(TWords& words, CommandSet& commands, WindowStack& windows, QWidget* parent = nullptr);

    QLabel* TrackLabel = nullptr;
    QLabel* ProgLabel = nullptr;
    ProgListBox* TrackList = nullptr;
    ProgListBox* ProgList = nullptr;
    QLabel* TotalTrackText = nullptr;
    QLabel* TotalTimeText = nullptr;
    QPushButton* AddBtn = nullptr;
    QPushButton* DelBtn = nullptr;
    QPushButton* DelAllBtn = nullptr;
    QPushButton* UpBtn = nullptr;
    QPushButton* DownBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* ReloadBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    // What ProgList holds now (entries and selection).
    const ProgramItems& Items() const { return prog; }

    void FormShow();
    void UpdateList();
    void AddBtnClick();
    void DelBtnClick();
    void DelAllBtnClick();
    void UpDownBtnClick(bool up);
    void OKBtnClick();
    void SaveBtnClick();
    void ReloadBtnClick();
    void HelpBtnClick();
    // A drop on target (from source) at row of the target (-1 below its last item).
    void ListDragDrop(EditList target, EditList source, int row);

protected:
    void showEvent(QShowEvent* event) override;
    void buildControls() override;

private:
    void takeSelection();
    void showItems();
    void UpdateTotals();
    std::vector<int> selectedTracks() const;

    TWords& words;
    CommandSet& commands;
    WindowStack& windows;
    ProgramItems prog;
    bool showing = false; // the lists are being filled: their selection signals mean nothing
};
