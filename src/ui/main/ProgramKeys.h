#pragma once
// The keys of every window of the program: each key pressed anywhere is offered first as
// a media key, then to the program's own key handling (MainKeys), which reaches the
// player through this object. A modal dialog's keys (a message box's too) are its own.
#include <QObject>
#include <functional>

#include "core/main/MainKeys.h"

class PlaybackController;
class PlaybackHost;
class WindowStack;

class ProgramKeys : public QObject, private KeyTarget, public MainKeys {
public:
    // Watches the application's events from now on.
    ProgramKeys(CommandSet& commands, WindowStack& windows, PlaybackHost& host);
    ~ProgramKeys() override;

    // The controller, once it exists; keys are ignored until then.
    void Attach(PlaybackController* controller) { this->controller = controller; }

    // A key pressed in any window, offered first as a media key; true when it was one (it
    // goes no further).
    std::function<bool(int key)> MediaKey;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // KeyTarget
    bool KeysBlocked() const override;
    bool SettingsDialogVisible() const override;
    void CycleTimeMode() override;
    int EntryCount() const override;
    void SelectEntry(int k) override;
    void PrevNextPress(bool next) override;
    void KeyReleased() override;
    void RepeatOff() override;

    CommandSet& cmd;
    WindowStack& windows;
    PlaybackHost& host;
    PlaybackController* controller = nullptr;
};
