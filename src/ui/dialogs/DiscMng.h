#pragma once
// TDiscMngForm: the disc manager. Lists every registered disc with its data file's
// title, artist and play time; deletes a registered disc with its data file; registers
// the disc in the drive under a data file name of the user's, or renames its data file.
// Changes are made at once (settings file, data files, the disc's FileName); OK only
// closes. The list rows are read by DiscListModel (core).
#include <QTableView>
#include <functional>
#include <optional>

#include "LazyDialog.h"
#include "core/online/OnlineAnswers.h"

class CdDevice;
class CommandSet;
class DiscListModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class PlaybackController;
class PlaybackHost;
class WindowStack;
class TWords;
class WebFetcher;
struct Settings;

// DiscList: the list, with a hint that shows a cell's whole text where its column cuts
// it off. The hint sits over the cell and lets the mouse through: where the window
// system gives it the mouse anyway, it hands clicks and the wheel on to the cell below.
// It goes when the list scrolls, a key is pressed, or another window takes the focus.
class DiscGrid : public QTableView {
    Q_OBJECT
public:
    explicit DiscGrid(QWidget* parent = nullptr);
    // The hint, while one is shown.
    QLabel* CellHint() const { return hint; }
    // Hides the hint and forgets the cell it was made for.
    void ReleaseCellHint();

protected:
    // The selection is always the name cell of one row: clicks and keys select there.
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Scrolled to its end a row at a time, the list keeps whole rows at the top.
    void scrollContentsBy(int dx, int dy) override;
    void hideEvent(QHideEvent* event) override;

private:
    void mouseMovedTo(const QPoint& pos);

    QLabel* hint = nullptr;
    QPersistentModelIndex hintCell;
};

class TDiscMngForm : public LazyDialog {
    Q_OBJECT
public:
    // Binds DiscMngItem (shown unless another dialog is open) and registers itself with
    // the window stack, through which the main window closes it when a disc comes or
    // goes. The controls are made when it is first shown.
    TDiscMngForm(WindowStack& windows, PlaybackHost& host, const PlaybackController& player, TWords& words,
                 Settings& settings, CommandSet& commands);

    // The list's rows; names and counts as shown.
    DiscListModel* Model() const { return model; }
    // RegBtn's mode: register a new disc, or rename the current disc's data file.
    enum RegMode { Register = 0, Rename = 1 };
    RegMode Mode() const { return mode; }

    // Controls, named as the dialog's parts.
    QTabWidget* DiscMngPage = nullptr;
    QWidget* ListSheet = nullptr;
    QWidget* RegistSheet = nullptr;
    QLabel* Label1 = nullptr;
    DiscGrid* DiscList = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* DiscCountText = nullptr;
    QPushButton* DelBtn = nullptr;
    QLabel* FilterLabel = nullptr;
    QLineEdit* FilterEdit = nullptr; // narrows the list as one types
    QLabel* Label3 = nullptr;
    QLineEdit* WordsFileNameEdit = nullptr;
    QPushButton* RegBtn = nullptr;
    // An unregistered disc's titles from the internet, asked for by the user and written
    // into its new data file when it is registered.
    QPushButton* LookUpTitlesBtn = nullptr;
    QLabel* FoundTitlesLabel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    void FillDiscList();
    // Data entry asked for a disc that is not registered: offers to register it, and
    // opens on the name to give when the user agrees (registering closes it). True when
    // the disc has its data file afterwards.
    bool OfferRegistration();
    // The row (0-based) whose name cell is selected; -1 when none is.
    int CurrentRow() const;
    void SelectDiscRow(int row);

    // Look-ups: offered once the door to the services and the drive are given, when the
    // settings allow them.
    void SetOnline(WebFetcher* web, CdDevice* device);
    // Chooses among several releases: an index, or -1 (a list by default; tests answer).
    std::function<int(const std::vector<TitlesRelease>&)> ChooseRelease;
    void LookUpTitlesBtnClick();
    bool LookingUp() const { return lookingUp; }
    // The titles found and chosen, waiting for the registration.
    const std::optional<TitlesRelease>& OfferedTitles() const { return offered; }

protected:
    void showEvent(QShowEvent* event) override;
    void buildControls() override;

private:
    void runModal();
    void updateDiscButtons();
    void delBtnClick();
    void regBtnClick();
    bool refusedName(const QString& name, const QString& path);
    void currentCellChanged(const QModelIndex& current, const QModelIndex& previous);
    // The list is arranged anew (sorted or filtered): the disc selected stays selected
    // when it is still listed.
    void rearranged(const QString& selected);
    void showCount();
    void updateOnlineControls();
    // Puts the titles found into the disc just registered and saves them.
    void takeOfferedTitles();

    WindowStack& windows;
    PlaybackHost& host;
    const PlaybackController& player;
    TWords& words;
    Settings& settings;
    CommandSet& cmd;
    DiscListModel* model;
    RegMode mode = Register;
    WebFetcher* web = nullptr;
    CdDevice* device = nullptr;
    std::optional<TitlesRelease> offered;
    bool lookingUp = false;
    int lookupRound = 0;           // a new opening: answers to an earlier one are dropped
    bool registeringFirst = false; // opened by OfferRegistration
};
