#pragma once
// Every command of the program, once, as one QAction named after its control.
// Menus, buttons, the lyrics window's popup and the tray bind to these actions;
// enabled and checked states are the program's playback state (a disabled PlayBtn
// means playback has started, a disabled PauseBtn that it has not).
//
// Captions carry their key after a tab ("...\tCtrl+I") and no shortcut is set:
// the program's own key handling reads every key, in every window.
#include <QAction>
#include <QActionGroup>
#include <QList>
#include <QObject>

class CommandSet : public QObject {
    Q_OBJECT
public:
    explicit CommandSet(QObject* parent = nullptr);

    // Transport buttons (hint texts as captions).
    QAction* PlayBtn;
    QAction* PauseBtn;
    QAction* StopBtn;
    QAction* PrevBtn;
    QAction* NextBtn;

    // "ディスク(&D)"
    QAction* CDInfoItem;
    QAction* CDInfoSaveItem;
    QAction* DiscMngItem;
    QAction* EjectItem;
    QAction* CloseItem;
    QAction* ExitItem;
    // "表示(&V)"
    QAction* MainDispItem;
    QAction* WordsDispItem;
    QAction* StayOnTopItem;
    // "設定(&O)"
    QAction* TypeNormItem;
    QAction* TypeRandItem;
    QAction* TypeProgItem;
    QAction* TypeProgRandItem;
    QAction* TypeReptItem;
    QAction* TypeRept1Item;
    QAction* ProgSetItem;
    QAction* InputDataItem;
    QAction* ConfigItem;
    // "ヘルプ(&H)"
    QAction* TopicItem;
    QAction* AboutItem;

    // The lyrics window's popup: its own commands (the rest forward to the items above).
    QAction* PlayItem;
    QAction* PauseItem;
    QAction* StopItem;
    QAction* PrevTrkItem;
    QAction* TopTrkItem;
    QAction* NextTrkItem;

    QActionGroup* PlayTypeGroup; // radio group 1
    QActionGroup* RepeatGroup;   // radio group 2 (may have nothing checked)

    // The exit item's caption as created; the Shift variant prefixes it.
    QString ExitCaption;

    // The play-type item of a play type (0..3), or nullptr outside that range.
    QAction* PlayTypeItem(int playType) const;
    // The checked play type, or -1 when none is checked.
    int CheckedPlayType() const;
    QList<QAction*> All() const;
    QAction* Find(const QString& name) const;

    // Caption text with its key appended after a tab, as menus show it.
    static QString WithKey(const QString& caption, const QString& key);

private:
    QAction* make(const char* name, const QString& caption, const QString& key = {},
                  bool checkable = false, bool enabled = true);
    QList<QAction*> actions;
};
