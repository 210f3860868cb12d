#pragma once
// What the program asks of an X display directly, where Qt offers no call for it. Under
// any other window system (Wayland, offscreen) each answers false and does nothing.
#include <QByteArray>

// An X notification area (the _NET_SYSTEM_TRAY selection of the screen) has an owner.
bool X11TrayPresent();

// Ends the launcher's startup notification of id ("remove" on _NET_STARTUP_INFO): a
// second start that hands its work to the running program shows no window that would.
bool X11EndStartupNotification(const QByteArray& id);
