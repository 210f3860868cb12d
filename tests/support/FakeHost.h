#pragma once
// Windows that only remember what the playback controller asked of them.
#include <QStringList>
#include <functional>

#include "core/playback/PlaybackController.h"

struct FakeHost : PlaybackHost {
    bool dialogOpen = false;
    bool shift = false;
    bool seekKeys = false;
    bool listDropped = false;
    bool testing = false;
    bool minimized = false;
    bool active = true;
    bool autorun = false;
    QStringList events; // what the windows were told, in order
    int displayUpdates = 0;
    int playTimeChanges = 0;
    bool modeLabelVisible = false;
    QString modeLabelText;
    Command* focused = nullptr;
    std::function<void()> onCloseDiscDialogs;

    bool DialogOpen() const override { return dialogOpen; }
    bool ShiftHeld() const override { return shift; }
    bool SeekKeysHeld() const override { return seekKeys; }
    bool ListDropped() const override { return listDropped; }
    bool Testing() const override { return testing; }
    bool Minimized() const override { return minimized; }
    bool ApplicationActive() const override { return active; }
    bool AutorunPresent() const override { return autorun; }
    void FinishStartup() override { events << QStringLiteral("FinishStartup"); }
    void UpdateDisplay() override { ++displayUpdates; }
    void RedrawDisplay() override { events << QStringLiteral("RedrawDisplay"); }
    void ShowDiscTitle() override { events << QStringLiteral("ShowDiscTitle"); }
    void ShowModeLabel(bool visible, const QString& text) override
    {
        modeLabelVisible = visible;
        modeLabelText = text;
    }
    void GlyphsChanged() override {}
    void FocusButton(Command* button) override { focused = button; }
    void FocusMainWindow() override {}
    void TrackListChanged() override {}
    void ApplyStayOnTop() override {}
    void RestoreFocusAfterWords(bool) override {}
    void CloseDiscManager() override { events << QStringLiteral("CloseDiscManager"); }
    void CloseDiscDialogs() override
    {
        events << QStringLiteral("CloseDiscDialogs");
        if (onCloseDiscDialogs) onCloseDiscDialogs();
    }
    void ClosePopupMenus() override { events << QStringLiteral("ClosePopupMenus"); }
    void WriteLogLine() override { events << QStringLiteral("WriteLogLine"); }
    void PlayTimeChanged() override { ++playTimeChanges; }
    void DiscRefused(const QString& reason) override { events << QStringLiteral("DiscRefused ") + reason; }
};

struct FakeWordsView : WordsView {
    bool shown = false;
    bool hideNoWords = false;
    bool hasLines = true; // the playing track has lyrics
    QList<bool> updates;  // the argument of every UpdateWords
    bool WordsShown() const override { return shown; }
    bool HideNoWords() const override { return hideNoWords; }
    bool UpdateWords(bool active) override
    {
        updates << active;
        return !(active && !hasLines && hideNoWords);
    }
    void SetWordsVisible(bool visible) override { shown = visible; }
};
