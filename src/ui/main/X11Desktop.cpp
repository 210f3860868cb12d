#include "X11Desktop.h"

#include <QByteArray>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

namespace {
xcb_connection_t* Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The default screen of the display (":0.1" is screen 1).
int ScreenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon < 0 ? 0 : colon);
    return dot < 0 ? 0 : display.mid(dot + 1).toInt();
}

xcb_screen_t* Screen(xcb_connection_t* c)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int n = ScreenNumber(); it.rem > 0 && n > 0; --n) xcb_screen_next(&it);
    return it.rem > 0 ? it.data : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}
} // namespace

bool X11TrayPresent()
{
    xcb_connection_t* c = Connection();
    if (!c) return false;
    const xcb_atom_t selection = Atom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(ScreenNumber()));
    if (selection == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection),
                                                                           nullptr);
    if (!reply) return false;
    const bool owned = reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

bool X11EndStartupNotification(const QByteArray& id)
{
    xcb_connection_t* c = Connection();
    xcb_screen_t* screen = c ? Screen(c) : nullptr;
    if (!screen || id.isEmpty()) return false;
    // The message is sent to the root window in pieces of 20 bytes: the first of type
    // _NET_STARTUP_INFO_BEGIN, the rest _NET_STARTUP_INFO, the last ending in a NUL.
    // Blanks, quotes and backslashes in the id are escaped.
    QByteArray quoted;
    for (char ch : id) {
        if (ch == ' ' || ch == '"' || ch == '\\') quoted += '\\';
        quoted += ch;
    }
    const QByteArray message = "remove: ID=" + quoted + '\0';
    const xcb_atom_t begin = Atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = Atom(c, "_NET_STARTUP_INFO");
    if (begin == XCB_ATOM_NONE || more == XCB_ATOM_NONE) return false;
    for (qsizetype sent = 0; sent < message.size(); sent += 20) {
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = screen->root;
        event.type = sent == 0 ? begin : more;
        std::memcpy(event.data.data8, message.constData() + sent,
                    static_cast<size_t>(std::min<qsizetype>(20, message.size() - sent)));
        xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&event));
    }
    xcb_flush(c);
    return true;
}
