#pragma once
// The program's windows as one stack: the main and lyrics windows, which may stay on top
// of every other window, and the dialogs that open over them.
//
// A dialog uses it to leave the stay-on-top state alone while a dialog of the system is up
// (Hold: a file or colour dialog must not fall behind the player), to skip the next
// reassertion once (context help comes up over the dialog), to be counted as open (no
// second dialog opens over it, the main window shows without taking the keyboard) and to
// be closed when the disc goes, and to run modally.
#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

class WindowStack {
public:
    // owner: the window the dialogs belong to (their parent).
    explicit WindowStack(QWidget* owner = nullptr) : owner(owner) {}
    QWidget* Owner() const { return owner; }

    // ---- stay on top
    // The state chosen (the command's check), which Reassert gives the windows.
    bool StayOnTop = false;
    // How the windows take the state (the main window sets it; unset: nothing to do).
    std::function<void(bool on)> SetTopmost;
    // Gives the windows the chosen state again, unless held or a skip is owed (which it uses up).
    void Reassert();
    void SkipOnce() { skipOnce = true; }
    void CancelSkip() { skipOnce = false; }
    bool SkipOwed() const { return skipOnce; }
    bool Held() const { return holds > 0; }
    // Leaves the state alone for its scope; at its end the state is reasserted.
    class Hold {
    public:
        explicit Hold(WindowStack& stack) : stack(stack) { ++stack.holds; }
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        WindowStack& stack;
    };

    // ---- the dialogs
    // A dialog of the program. The settings dialog is known by its form name,
    // "ConfigForm", the disc manager by "DiscMngForm". closeForDisc, when given, is how
    // the dialog goes when the disc goes (else it is closed).
    void Add(QWidget* dialog, std::function<void()> closeForDisc = {});
    // Whether dialogs count yet (unset: they do). Before start-up ends none is in the way.
    std::function<bool()> Counting;
    // A dialog of the program is open.
    bool DialogOpen() const;
    // The dialog of this form name is open.
    bool Open(const QString& name) const;
    // Closes the dialog of this form name if it is open.
    void Close(const QString& name);
    // Closes the dialogs that belong to the disc (all but the settings).
    void CloseDiscDialogs();
    // Runs the dialog modally unless another dialog is open (then false). prepare runs
    // before it shows; the stay-on-top state is reasserted once it is closed.
    bool RunModal(QDialog& dialog, const std::function<void()>& prepare = {});

private:
    QWidget* owner;
    int holds = 0;
    bool skipOnce = false;
    struct Entry {
        QPointer<QWidget> dialog; // null once it is gone
        std::function<void()> closeForDisc;
    };
    QList<Entry> dialogs;
};
