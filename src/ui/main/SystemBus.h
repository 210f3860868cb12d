#pragma once
// The desktop's session and system services over D-Bus: keeping the screen saver off
// (org.freedesktop.ScreenSaver), keeping the system from suspending when idle and hearing of
// suspend and resume (logind). Where a bus or a service is missing, nothing happens and
// nothing is said.
#include <QObject>
#include <cstdint>

// A session bus is there to be used: its address is given, or the runtime folder holds
// one. Asking for the bus without one would make libdbus start a private bus for the
// display, which nobody listens to.
bool SessionBusAvailable();

class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    explicit ScreenSaverInhibitor(QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    // Keep the screen saver off (true) or let it run again (false).
    void SetInhibited(bool on);
    bool Inhibited() const { return wanted; }

private:
    void release();
    bool wanted = false;
    uint32_t cookie = 0;
    bool pending = false;
};

// Holds the idle actions off (logind's "idle" inhibitor, mode block: automatic suspend
// and screen lock) while wanted, as media players do; a suspend the user asks for still
// goes ahead. The lock is a file descriptor that logind hands out and that is let go by
// closing it.
class SleepInhibitor : public QObject {
    Q_OBJECT
public:
    explicit SleepInhibitor(QObject* parent = nullptr);
    ~SleepInhibitor() override;

    void SetInhibited(bool on);
    bool Inhibited() const { return wanted; }

private:
    void release();
    bool wanted = false;
    bool pending = false;
    int lock = -1;
};

class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject* parent = nullptr);

signals:
    void Suspending();
    void Resumed();

private slots:
    void prepareForSleep(bool start);
};
