// A tiny drag source for the end-to-end drag test: a window that drags the files named on its
// command line (as a URI list, the way file managers do) once the left button is pressed on
// it and the pointer moves.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

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

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString &path : app.arguments().mid(1))
        urls.append(QUrl::fromLocalFile(path));
    DragSource source(urls);
    source.move(20, 20);
    source.show();
    return app.exec();
}
