#include "xdnddirectsave.h"

#include <QGuiApplication>
#include <QHostInfo>
#include <QUrl>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

const char *const XdndDirectSave::TargetName = "XdndDirectSave0";

namespace {

// A connection of our own: the properties of any window can be changed through it, and Qt's
// own connection stays private to its platform plugin.
xcb_connection_t *connection()
{
    static xcb_connection_t *shared = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return nullptr;
        shared = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(shared)) {
            xcb_disconnect(shared);
            shared = nullptr;
        }
    }
    return shared;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 0, uint16_t(strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The selection's owner when it is a window of the client that made ownWindow: X gives each
// client its own range of resource ids.
xcb_window_t dragSourceWindow(xcb_connection_t *c, quintptr ownWindow)
{
    const xcb_get_selection_owner_cookie_t cookie =
        xcb_get_selection_owner(c, atom(c, "XdndSelection"));
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> reply(
        xcb_get_selection_owner_reply(c, cookie, nullptr), &free);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    const uint32_t clientBits = ~xcb_get_setup(c)->resource_id_mask;
    if (owner == XCB_WINDOW_NONE || (owner & clientBits) != (uint32_t(ownWindow) & clientBits))
        return XCB_WINDOW_NONE;
    return owner;
}

} // namespace

bool XdndDirectSave::isAvailable()
{
    return connection() != nullptr;
}

bool XdndDirectSave::setSuggestedName(const QString &name, quintptr ownWindow)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const xcb_window_t window = dragSourceWindow(c, ownWindow);
    if (window == XCB_WINDOW_NONE)
        return false;
    const QByteArray value = name.toUtf8();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, TargetName),
                        atom(c, "text/plain"), 8, uint32_t(value.size()), value.constData());
    xcb_flush(c);
    return true;
}

QString XdndDirectSave::savePath(quintptr ownWindow)
{
    xcb_connection_t *c = connection();
    if (!c)
        return QString();
    const xcb_window_t window = dragSourceWindow(c, ownWindow);
    if (window == XCB_WINDOW_NONE)
        return QString();
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c, 0, window, atom(c, TargetName), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &free);
    if (!reply || reply->format != 8)
        return QString();
    const QByteArray text(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    const QUrl url(QString::fromUtf8(text.trimmed()));
    if (!url.isValid() || url.scheme() != QLatin1String("file"))
        return QString();
    // Another machine's folder cannot be written from here.
    const QString host = url.host();
    if (!host.isEmpty() && host != QLatin1String("localhost") &&
        host.compare(QHostInfo::localHostName(), Qt::CaseInsensitive) != 0)
        return QString();
    return url.toLocalFile();
}

void XdndDirectSave::clear(quintptr ownWindow)
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const xcb_window_t window = dragSourceWindow(c, ownWindow);
    if (window == XCB_WINDOW_NONE)
        return;
    xcb_delete_property(c, window, atom(c, TargetName));
    xcb_flush(c);
}
