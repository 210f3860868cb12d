#pragma once
// The program's own key handling, applied to every key of every window of the program.
// It turns a key into clicks on the command set; what is not the keys' own
// business (the controller, dialogs) is reached through KeyTarget.
#include <QSet>
#include <QTimer>
#include <Qt>

class Command;
class CommandSet;

class KeyTarget {
public:
    virtual ~KeyTarget() = default;
    // Start-up not finished, or the data-entry dialog is open: keys are ignored.
    virtual bool KeysBlocked() const = 0;
    virtual bool SettingsDialogVisible() const = 0;
    virtual void CycleTimeMode() = 0;
    virtual int EntryCount() const = 0;
    // Direct selection of entry k (1-based).
    virtual void SelectEntry(int k) = 0;
    // A press on PrevBtn (next false) or NextBtn (next true): quick skip or held seek.
    virtual void PrevNextPress(bool next) = 0;
    // Any key released anywhere: a held previous or next ends.
    virtual void KeyReleased() = 0;
    // Both repeat items unchecked and the display redrawn.
    virtual void RepeatOff() = 0;
};

class MainKeys {
public:
    MainKeys(CommandSet& commands, KeyTarget& target);

    // A key went down. keypad: it came from the numeric pad; autoRepeat: the toolkit
    // marked it as a repeat of a held key; editing: a text field or an editable list has
    // the focus, and the standard editing keys are its own. Returns true when the key did
    // something, so it is not passed on to the focused control as well.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers, bool keypad = false, bool autoRepeat = false,
                 bool editing = false);
    // Ctrl+A, C, V, X, Z and Y (Shift allowed, as in Ctrl+Shift+Z), and Delete: select all,
    // copy, paste, cut, undo, redo and delete. A user copying text must not close the tray.
    static bool IsEditingKey(int key, Qt::KeyboardModifiers modifiers);
    // A key went up (one the toolkit did not mark as a repeat). X repeats a held key as
    // release and press pairs that the toolkit does not always recognise, so a release
    // counts only when no press of that key follows within ReleaseGraceMs.
    void KeyUp(int key);
    // The key is held down.
    bool Held(int key) const { return held.contains(key); }

    int PendingTens = -1; // tens of a two-key selection (Ctrl+digit), -1 = none
    int ReleaseGraceMs = 30;

private:
    static bool trigger(Command* a, bool onlyEnabled = true);
    void commitReleases();
    CommandSet& cmd;
    KeyTarget& target;
    QSet<int> held;
    QSet<int> releasing; // released, unless a press follows at once
    QTimer releaseTimer;
};
