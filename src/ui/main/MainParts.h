#pragma once
// Parts of the main window that need no window: its track list and clickable labels, and
// its four menus made from the command set.
#include <QComboBox>
#include <QLabel>

class CommandSet;
class QAction;
class QMenu;
class QMenuBar;

// MTitleBox: a drop-down list that tells when its list opens and closes.
class TrackBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
    void hidePopup() override;
signals:
    void droppedDown();
    void closedUp();
};

// A label that reports a left click with the keyboard modifiers held.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked(Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The menu bar's four menus; N12 is the separator before the exit item.
struct MainMenus {
    QMenu* Disc;
    QMenu* Disp;
    QMenu* Option;
    QMenu* Help;
    QAction* N12;
};
MainMenus BuildMainMenus(QMenuBar* bar, CommandSet& cmd);
