#pragma once
// What the first window needs from the system, read on a thread of its own while the
// program connects to the display: the font configuration (hundreds of files and the
// font caches, read when a text is first measured), which would otherwise hold the
// first window up for milliseconds. Wait before the first window is built.
#include <thread>

class WarmUp {
public:
    WarmUp();
    ~WarmUp();
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

    // Returns once all is read (at once the second time).
    void Wait();

private:
    std::thread thread;
};
