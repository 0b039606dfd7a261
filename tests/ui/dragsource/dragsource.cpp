// A tiny desktop stand-in for the end-to-end drag tests. One window drags the files named on
// the command line (as a URI list, the way file managers do) once the left button is pressed
// on it and the pointer moves. Another takes drops the way a file manager that knows the X
// direct-save protocol does: it reads the suggested name from the drag's source window,
// writes back where the file goes (in the folder given by --save-to), and asks the source
// for the "XdndDirectSave0" target, whose answer it prints.
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// The suggested name on the drag's source window, replaced by the URI of where it goes.
QString answerDirectSave(const QString &folder)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return QString();
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom(c, "XdndSelection")), nullptr);
    const xcb_window_t window = owner ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
    free(owner);
    const xcb_atom_t property = atom(c, "XdndDirectSave0");
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    QString name;
    if (reply && reply->format == 8)
        name = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply)),
                                 xcb_get_property_value_length(reply));
    free(reply);
    QString path;
    if (!name.isEmpty()) {
        path = folder + QLatin1Char('/') + name;
        const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, atom(c, "text/plain"), 8,
                            uint32_t(uri.size()), uri.constData());
    }
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // written before asking
    xcb_disconnect(c);
    return path;
}

// Asks the drag's source for the "XdndDirectSave0" target, as a file manager does, with the
// window the drop came to as requestor; the answer is the property the source writes there.
QByteArray requestDirectSave(xcb_window_t requestor)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return QByteArray();
    const xcb_atom_t property = atom(c, "LUMARIN_DIRECT_SAVE_ANSWER");
    xcb_delete_property(c, requestor, property);
    xcb_convert_selection(c, requestor, atom(c, "XdndSelection"), atom(c, "XdndDirectSave0"),
                          property, XCB_CURRENT_TIME);
    QByteArray answer;
    for (int i = 0; i < 250 && answer.isEmpty(); ++i) {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 16),
            nullptr);
        if (reply && xcb_get_property_value_length(reply) > 0)
            answer = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                                xcb_get_property_value_length(reply));
        free(reply);
        if (answer.isEmpty())
            usleep(20000);
    }
    xcb_disconnect(c);
    return answer;
}

} // namespace

class DragSource : public QWidget
{
public:
    explicit DragSource(const QList<QUrl> &urls)
        : m_urls(urls)
    {
        setWindowTitle(QStringLiteral("Drag source"));
        setFixedSize(160, 160);
        setStyleSheet(QStringLiteral("background: #3a7bd5;"));
    }

protected:
    void mousePressEvent(QMouseEvent *event) override { m_press = event->pos(); }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & Qt::LeftButton) ||
            (event->pos() - m_press).manhattanLength() < QApplication::startDragDistance())
            return;
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls(m_urls);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("drag ended with action %d\n", int(action));
        std::fflush(stdout);
    }

private:
    QList<QUrl> m_urls;
    QPoint m_press;
};

class DropTarget : public QWidget
{
public:
    explicit DropTarget(const QString &folder)
        : m_folder(folder)
    {
        setWindowTitle(QStringLiteral("Drop target"));
        setFixedSize(160, 160);
        setStyleSheet(QStringLiteral("background: #55a630;"));
        setAcceptDrops(true);
    }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->mimeData()->formats().contains(QStringLiteral("XdndDirectSave0")))
            event->acceptProposedAction();
    }

    void dropEvent(QDropEvent *event) override
    {
        const QString path = answerDirectSave(m_folder);
        const QByteArray answer =
            path.isEmpty() ? QByteArray("-") : requestDirectSave(xcb_window_t(winId()));
        std::printf("direct save %s to %s\n", answer.constData(), qPrintable(path));
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }

private:
    QString m_folder;
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    QString saveTo;
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--save-to") && i + 1 < arguments.size())
            saveTo = arguments.at(++i);
        else
            urls.append(QUrl::fromLocalFile(arguments.at(i)));
    }
    DragSource source(urls);
    source.move(20, 20);
    source.show();
    DropTarget target(saveTo);
    if (!saveTo.isEmpty()) {
        target.move(20, 400);
        target.show();
    }
    return app.exec();
}
