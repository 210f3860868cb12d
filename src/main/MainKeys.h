#pragma once
// The program's own key handling, applied to every key of every window of the program.
// It turns a key into clicks on the command set's actions; what is not the keys' own
// business (the controller, dialogs) is reached through KeyTarget.
#include <Qt>

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
    MainKeys(CommandSet& commands, KeyTarget& target) : cmd(commands), target(target) {}

    // A key went down. keypad: it came from the numeric pad. Returns true when the key
    // did something, so it is not passed on to the focused control as well.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers, bool keypad = false);
    void KeyUp();

    int PendingTens = -1; // tens of a two-key selection (Ctrl+digit), -1 = none

private:
    static bool trigger(class QAction* a, bool onlyEnabled = true);
    CommandSet& cmd;
    KeyTarget& target;
};
