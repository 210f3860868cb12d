#pragma once
// What the settings dialog changes in the main window, so that the dialog needs no
// main window of its own to be shown (and tested).
class SettingsView {
public:
    virtual ~SettingsView() = default;
    // Every setting, to the window and the player.
    virtual void ApplySettings() = 0;
    // The colours and the main font, shown at once.
    virtual void ApplyColours() = 0;
    // The title bar and the caption (with the drive's name).
    virtual void ApplyWindowSettings() = 0;
    virtual bool Minimized() const = 0;
    virtual void BringForward() = 0;
    // The screen saver is held off for the whole run (the run started with StopSaver 2).
    virtual void SetSaverDisabled(bool disabled) = 0;
};
