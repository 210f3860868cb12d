#pragma once
// Every command of the program, once, named after its control, with what its menu items
// and buttons show: the caption, enabled, checked and shown. The transport buttons and the
// play-type and repeat items show the play state (PlayState, held here as State): they
// follow it and are never read back as it. MainDispItem, WordsDispItem and StayOnTopItem
// are the user's own switches and hold their check themselves. It lives here, in plain
// objects of the core, so that the core and the tool run without a GUI application; the
// windows show each command as one QAction bound to it (ActionFor in ui/main/Actions.h).
//
// Captions carry their key after a tab ("...\tCtrl+I") and no shortcut is set:
// the program's own key handling reads every key, in every window.
#include <QList>
#include <QObject>
#include <QString>

#include "PlayState.h"

class CommandGroup;

// One command. A click on its menu item or button, or on it in code, is trigger():
// ignored while it is disabled; a checkable command turns its check over first (as its
// group allows), unless its check shows a state kept elsewhere, then triggered runs. A
// hidden command reads as disabled too, but trigger() still runs it while it is enabled.
class Command : public QObject {
    Q_OBJECT
public:
    Command(const QString& name, const QString& text, bool checkable, bool enabled, QObject* parent);

    QString text() const { return caption; }
    void setText(const QString& text);
    bool isCheckable() const { return checkable; }
    bool isChecked() const { return checkable && checked; }
    void setChecked(bool checked);
    bool isEnabled() const { return enabled && visible; }
    void setEnabled(bool enabled);
    bool isVisible() const { return visible; }
    void setVisible(bool visible);
    // The check shows a state kept elsewhere: a click leaves it for that state to set.
    void setCheckFollows(bool follows) { checkFollows = follows; }
    CommandGroup* group() const { return commandGroup; }
    void trigger();

signals:
    // After a click; checked is the state the click left.
    void triggered(bool checked);
    // The check turned over (by a click or by setChecked).
    void toggled(bool checked);
    // The caption or any state changed.
    void changed();

private:
    friend class CommandGroup;
    QString caption;
    bool checkable;
    bool checked = false;
    bool enabled;
    bool visible = true;
    bool checkFollows = false;
    CommandGroup* commandGroup = nullptr;
};

// Checkable commands of which at most one is checked: checking one unchecks the other.
// In an exclusive group a click on the checked command keeps it checked; where the
// group is optional, that click unchecks it and leaves none checked.
class CommandGroup : public QObject {
    Q_OBJECT
public:
    enum class Policy { Exclusive, ExclusiveOptional };
    CommandGroup(Policy policy, QObject* parent);

    void addCommand(Command* command);
    QList<Command*> commands() const { return members; }
    Command* checkedCommand() const;
    Policy policy() const { return exclusion; }

private:
    friend class Command;
    void checkedNow(Command* command);
    Policy exclusion;
    QList<Command*> members;
};

class CommandSet : public QObject {
    Q_OBJECT
public:
    explicit CommandSet(QObject* parent = nullptr);

    // The play state that the transport buttons, the play-type and repeat items and the
    // lyrics window's transport items show.
    PlayState State;

    // Transport buttons (hint texts as captions).
    Command* PlayBtn;
    Command* PauseBtn;
    Command* StopBtn;
    Command* PrevBtn;
    Command* NextBtn;

    // "ディスク(&D)"
    Command* CDInfoItem;
    Command* CDInfoSaveItem;
    Command* DiscMngItem;
    Command* EjectItem;
    Command* CloseItem;
    Command* ExitItem;
    // "表示(&V)"
    Command* MainDispItem;
    Command* WordsDispItem;
    Command* StayOnTopItem;
    // "設定(&O)"
    Command* TypeNormItem;
    Command* TypeRandItem;
    Command* TypeProgItem;
    Command* TypeProgRandItem;
    Command* TypeReptItem;
    Command* TypeRept1Item;
    Command* ProgSetItem;
    Command* InputDataItem;
    Command* ConfigItem;
    // "ヘルプ(&H)"
    Command* TopicItem;
    Command* AboutItem;

    // The lyrics window's popup: its own commands (the rest forward to the items above).
    Command* PlayItem;
    Command* PauseItem;
    Command* StopItem;
    Command* PrevTrkItem;
    Command* TopTrkItem;
    Command* NextTrkItem;

    CommandGroup* PlayTypeGroup; // radio group 1
    CommandGroup* RepeatGroup;   // radio group 2 (may have nothing checked)

    // The exit item's caption as created; the Shift variant prefixes it.
    QString ExitCaption;

    // The play-type item of a play type (0..3), or nullptr outside that range.
    Command* PlayTypeItem(int playType) const;
    QList<Command*> All() const;
    Command* Find(const QString& name) const;

    // Caption text with its key appended after a tab, as menus show it.
    static QString WithKey(const QString& caption, const QString& key);

private:
    // Enabled and checked as State has it.
    void showState();
    Command* make(const char* name, const QString& caption, const QString& key = {}, bool checkable = false,
                  bool enabled = true);
    QList<Command*> commands;
};
