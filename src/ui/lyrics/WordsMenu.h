#pragma once
// WordsPopMenu: the lyrics window's popup menu, which is also the notification-area
// icon's right-button menu. Its items are the command set's actions, so their checked
// and enabled states are the main window's; PlayItem, PauseItem and StopItem mirror the
// transport buttons and the direct-selection submenu lists the track list, both brought
// up to date by Prepare at every popup.
#include <QMenu>
#include <QStyleOptionMenuItem>

class CommandSet;
class PlaybackController;
class QActionGroup;

// A menu that starts a new column every perColumn items. (Qt's own menus break into
// columns only at the screen's height.) Keys: up and down within the items, left and
// right between columns, the underlined character of an item, Return to choose.
class ColumnMenu : public QMenu {
    Q_OBJECT
public:
    ColumnMenu(int perColumn, const QString& title, QWidget* parent = nullptr);
    // Where the item of action i (0-based, in the menu's order) is drawn.
    QRect ItemRect(int i) const;
    QSize sizeHint() const override;

protected:
    void actionEvent(QActionEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layoutItems() const;
    int indexAt(const QPoint& pos) const;
    void choose(QAction* action);

    int perColumn;
    mutable QList<QRect> rects;
    mutable QSize size;
    mutable bool dirty = true;
};

// A menu of the popup: the commands' captions without the keys the main window's menus
// show after a tab. No item of the popup has a key of its own.
class PlainMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;
    // How the item of action is drawn.
    QStyleOptionMenuItem ItemOption(const QAction* action) const;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

class TWordsPopMenu : public PlainMenu {
    Q_OBJECT
public:
    // Entries per column of the direct-selection submenu.
    static constexpr int kDirectSeekColumn = 15;

    TWordsPopMenu(CommandSet& commands, QWidget* parent = nullptr);

    // Brings the menu in line with the playback state (WordsPopMenuPopup): the
    // transport items, the performance submenu and the direct-selection entries.
    void Prepare(const PlaybackController& player);

    QMenu* PerformMenu;
    ColumnMenu* DirectSeekItem;
    QMenu* DispMenu;
    QMenu* ConfigMenu;

    // The entry "03: Song" with its second character as the accelerator: "0&3: Song"
    // (an "&" of the title itself is shown as it is).
    static QString DirectSeekCaption(const QString& entry);

signals:
    // Direct selection of entry k (1-based).
    void EntryChosen(int k);

private:
    CommandSet& cmd;
    QActionGroup* entries = nullptr;
};
