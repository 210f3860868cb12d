#pragma once
// What a disc dialog asks of the main window, as functions, so that the dialog can be
// shown (and tested) without one. Unset hooks do nothing.
#include <functional>

struct DialogHooks {
    std::function<void()> ApplyStayOnTop;  // reassert the main window's stay-on-top state
    std::function<void()> SkipTopmostOnce; // context help comes up: skip the next reassertion
    std::function<void(int topic)> ShowHelp;

    void StayOnTop() const
    {
        if (ApplyStayOnTop) ApplyStayOnTop();
    }
    void Help(int topic) const
    {
        if (ShowHelp) ShowHelp(topic);
    }
    // F1: the topic of the focused control, after telling the main window.
    void ContextHelp(int topic) const
    {
        if (SkipTopmostOnce) SkipTopmostOnce();
        Help(topic);
    }
};
