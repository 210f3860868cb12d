#pragma once
// What a disc dialog asks of the main window, as functions, so that the dialog can be
// shown (and tested) without one. Unset hooks do nothing.
#include <functional>

struct DialogHooks {
    std::function<void()> ApplyStayOnTop;  // reassert the main window's stay-on-top state
    std::function<void()> SkipTopmostOnce; // context help comes up: skip the next reassertion
    std::function<void(bool hold)> HoldTopmost; // leave a file dialog alone while it is up

    void StayOnTop() const
    {
        if (ApplyStayOnTop) ApplyStayOnTop();
    }
    void SkipTopmost() const
    {
        if (SkipTopmostOnce) SkipTopmostOnce();
    }
    void Hold(bool hold) const
    {
        if (HoldTopmost) HoldTopmost(hold);
    }
};
