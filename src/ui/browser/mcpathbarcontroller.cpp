#include "mcpathbarcontroller.h"

#include "mcbrowsableviewcontroller.h"
#include "mcbrowserlog.h"
#include "mcdropactions.h"
#include "mcfunctions.h"
#include "mcnavigation.h"
#include "mcpasteboard.h"
#include "mcstring.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

namespace {

constexpr int BarHeight = 21;
constexpr int IconSize = 16;
constexpr int Padding = 6;
constexpr int Gap = 4;
// No component takes more than this, however long its name.
constexpr int MaxComponentWidth = 220;
const QString Separator = QStringLiteral("\u203A");

QFont barFont(const QFont &base)
{
    QFont font = base;
    font.setPointSize(11);
    return font;
}

} // namespace

MCPathbarController::MCPathbarController(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pathBar"));
    setFixedHeight(BarHeight);
    // The components shorten to the room there is: the bar never asks the window to widen.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAcceptDrops(true);
    setFont(barFont(font()));
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { update(); });
}

QColor MCPathbarController::activeColor()
{
    return QColor::fromRgbF(0.85546875, 0.87890625, 0.9058823529411765);
}

QColor MCPathbarController::inactiveColor()
{
    return QColor::fromRgbF(0.9140625, 0.9140625, 0.9140625);
}

QColor MCPathbarController::backgroundColor() const
{
    return QGuiApplication::applicationState() == Qt::ApplicationInactive ? inactiveColor()
                                                                          : activeColor();
}

QSize MCPathbarController::sizeHint() const
{
    return QSize(200, BarHeight);
}

QSize MCPathbarController::minimumSizeHint() const
{
    return QSize(0, BarHeight);
}

void MCPathbarController::updatePath(const QString &path)
{
    m_components.clear();
    m_highlighted = -1;
    m_components.append(
        {tr("Kerlo Home"), QStringLiteral("/"), MCFunctions::getHomeIcon(), {}, {}});
    QString accumulated;
    const QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        accumulated += QLatin1Char('/') + name;
        // A name from the service is one line of text: no control character breaks it, no
        // direction override turns it around.
        m_components.append(
            {MCString::stringForName(name), accumulated, MCFunctions::getFolderIcon(), {}, {}});
    }
    layoutComponents();
    update();
}

void MCPathbarController::clearPath()
{
    m_components.clear();
    m_highlighted = -1;
    update();
}

QString MCPathbarController::componentTitle(int index) const
{
    return m_components.value(index).title;
}

QString MCPathbarController::componentShownTitle(int index) const
{
    return m_components.value(index).shownTitle;
}

QString MCPathbarController::componentPath(int index) const
{
    return m_components.value(index).path;
}

QRect MCPathbarController::componentRect(int index) const
{
    return m_components.value(index).rect;
}

int MCPathbarController::componentAt(const QPoint &position) const
{
    for (int i = 0; i < m_components.size(); ++i) {
        if (m_components.at(i).rect.contains(position))
            return i;
    }
    return -1;
}

void MCPathbarController::layoutComponents()
{
    // Measured in fractions and rounded up: a width rounded down would cut a name that fits.
    const QFontMetricsF metrics(font());
    const int separatorWidth = qCeil(metrics.horizontalAdvance(Separator)) + 2 * Gap;
    // Each component first gets its natural width (up to the cap); when the row is too long,
    // the ancestors give up room first, so the folder shown stays readable.
    QVector<int> widths;
    int total = Padding;
    for (const Component &component : qAsConst(m_components)) {
        const int natural = IconSize + Gap + qCeil(metrics.horizontalAdvance(component.title));
        widths.append(qMin(natural, MaxComponentWidth));
        total += widths.last() + separatorWidth;
    }
    const int minimum = IconSize + Gap + qCeil(metrics.horizontalAdvance(QStringLiteral("\u2026")));
    for (int i = 0; i < widths.size() - 1 && total > width(); ++i) {
        const int give = qMin(total - width(), widths[i] - minimum);
        if (give > 0) {
            widths[i] -= give;
            total -= give;
        }
    }
    int x = Padding;
    for (int i = 0; i < m_components.size(); ++i) {
        Component &component = m_components[i];
        component.rect = QRect(x, 0, widths.at(i), height());
        component.shownTitle = metrics.elidedText(component.title, Qt::ElideMiddle,
                                                  qreal(qMax(0, widths.at(i) - IconSize - Gap)));
        x += widths.at(i) + separatorWidth;
    }
}

void MCPathbarController::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor());
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawLine(rect().topLeft(), rect().topRight());
    const QFontMetrics metrics(font());
    for (int i = 0; i < m_components.size(); ++i) {
        const Component &component = m_components.at(i);
        if (i == m_highlighted) {
            painter.fillRect(component.rect.adjusted(-2, 2, 2, -2), palette().highlight());
        }
        const QRect iconRect(component.rect.left(),
                             component.rect.top() + (component.rect.height() - IconSize) / 2,
                             IconSize, IconSize);
        component.icon.paint(&painter, iconRect);
        painter.setPen(i == m_highlighted ? palette().highlightedText().color()
                                          : QColor(Qt::black));
        // Plain text: a name is never read as markup.
        painter.drawText(component.rect.adjusted(IconSize + Gap, 0, 0, 0),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         component.shownTitle);
        if (i + 1 < m_components.size()) {
            painter.setPen(QColor(0, 0, 0, 140));
            painter.drawText(QRect(component.rect.right() + Gap, 0,
                                   metrics.horizontalAdvance(Separator), height()),
                             Qt::AlignCenter, Separator);
        }
    }
}

void MCPathbarController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutComponents();
}

void MCPathbarController::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        layoutComponents();
}

void MCPathbarController::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int index = componentAt(event->pos());
    if (index >= 0 && event->button() == Qt::LeftButton)
        doubleClick(componentPath(index));
}

void MCPathbarController::doubleClick(const QString &path)
{
    // A page shows no component: the bar acts only for the folder shown.
    if (!m_navigation || path.isEmpty() || !m_navigation->notBrowsablePath().isEmpty())
        return;
    const MCNodePtr current = m_navigation->currentNode();
    if (!current || current->filePath() != path)
        m_navigation->changeToPath(path, this);
}

void MCPathbarController::setHighlighted(int index)
{
    if (index == m_highlighted)
        return;
    m_highlighted = index;
    update();
}

bool MCPathbarController::acceptDrag(QDropEvent *event)
{
    const int index = componentAt(event->pos());
    setHighlighted(index);
    if (index < 0 || !m_navigation)
        return false;
    const QMimeData *data = event->mimeData();
    const QStringList remote = MCPasteboard::remotePaths(data);
    if (!remote.isEmpty()) {
        if (!MCDropActions::canMoveInto(remote, componentPath(index)))
            return false;
        event->setDropAction(Qt::MoveAction);
        return true;
    }
    if (MCPasteboard::localFilePaths(data).isEmpty())
        return false;
    // A file from another program is always copied: the original stays where it was.
    event->setDropAction(Qt::CopyAction);
    return true;
}

void MCPathbarController::dragEnterEvent(QDragEnterEvent *event)
{
    // Entered anywhere: the component under the pointer decides as the drag moves.
    const QMimeData *data = event->mimeData();
    if (MCPasteboard::remotePaths(data).isEmpty() && MCPasteboard::localFilePaths(data).isEmpty()) {
        event->ignore();
        return;
    }
    acceptDrag(event);
    event->accept();
}

void MCPathbarController::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptDrag(event))
        event->accept();
    else
        event->ignore();
}

void MCPathbarController::dragLeaveEvent(QDragLeaveEvent *event)
{
    setHighlighted(-1);
    QWidget::dragLeaveEvent(event);
}

void MCPathbarController::dropEvent(QDropEvent *event)
{
    const int index = componentAt(event->pos());
    setHighlighted(-1);
    if (index < 0 || !m_navigation) {
        event->ignore();
        return;
    }
    const QString target = componentPath(index);
    const QMimeData *data = event->mimeData();
    const QStringList remote = MCPasteboard::remotePaths(data);
    if (!remote.isEmpty()) {
        if (!MCDropActions::moveRemoteItems(remote, target)) {
            qCInfo(lcBrowser) << "Refused a drop into the folder the items are in";
            event->ignore();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    const QStringList files = MCPasteboard::localFilePaths(data);
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    const bool optionHeld = event->keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier);
    MCDropActions::uploadLocalFiles(m_transfers, m_options, files, target, optionHeld);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
