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
const QString Ellipsis = QStringLiteral("\u2026");

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
    const int ellipsisWidth = qCeil(metrics.horizontalAdvance(Ellipsis));
    const int count = m_components.size();
    // Each component first gets its natural width (up to the cap); when the row is too long,
    // the ancestors give up room first, so the folder shown stays readable.
    QVector<int> natural;
    for (const Component &component : qAsConst(m_components))
        natural.append(qMin(IconSize + Gap + qCeil(metrics.horizontalAdvance(component.title)),
                            MaxComponentWidth));
    QVector<int> widths = natural;
    QVector<bool> shown(count, true);
    bool hidden = false;
    const int minimum = IconSize + Gap + ellipsisWidth;
    const auto totalWidth = [&] {
        int total = Padding + (hidden ? ellipsisWidth + separatorWidth : 0);
        for (int i = 0; i < count; ++i)
            total += shown.at(i) ? widths.at(i) + separatorWidth : 0;
        return total;
    };
    // Shortens the ancestors shown, oldest first, down to "…" each.
    const auto shortenAncestors = [&] {
        int total = totalWidth();
        for (int i = 0; i < count - 1 && total > width(); ++i) {
            const int give = qMin(total - width(), widths[i] - minimum);
            if (shown.at(i) && give > 0) {
                widths[i] -= give;
                total -= give;
            }
        }
    };
    shortenAncestors();
    if (totalWidth() > width()) {
        // A deep folder: rather than a row of "…", the ancestors below the home leave the row
        // whole, oldest first, and one "…" stands for them; the nearer ones keep their names.
        widths = natural;
        for (int i = 1; i < count - 1 && totalWidth() > width(); ++i) {
            hidden = true;
            shown[i] = false;
        }
        shortenAncestors();
        if (count > 1 && totalWidth() > width())
            shown[0] = false;
    }
    // The folder shown takes what room is left, shortened only when the bar is narrower still.
    if (count > 0 && totalWidth() > width())
        widths[count - 1] = qMax(minimum, widths.at(count - 1) - (totalWidth() - width()));
    int x = Padding;
    m_gapRect = QRect();
    const auto placeGap = [&] {
        m_gapRect = QRect(x, 0, ellipsisWidth, height());
        x += ellipsisWidth + separatorWidth;
    };
    if (hidden && !shown.value(0))
        placeGap();
    for (int i = 0; i < count; ++i) {
        Component &component = m_components[i];
        if (!shown.at(i)) {
            component.rect = QRect();
            component.shownTitle.clear();
            continue;
        }
        component.rect = QRect(x, 0, widths.at(i), height());
        component.shownTitle = metrics.elidedText(component.title, Qt::ElideMiddle,
                                                  qreal(qMax(0, widths.at(i) - IconSize - Gap)));
        x += widths.at(i) + separatorWidth;
        if (i == 0 && hidden)
            placeGap();
    }
}

void MCPathbarController::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor());
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawLine(rect().topLeft(), rect().topRight());
    const QFontMetrics metrics(font());
    const auto drawSeparatorAfter = [&](const QRect &after) {
        painter.setPen(QColor(0, 0, 0, 140));
        painter.drawText(
            QRect(after.right() + Gap, 0, metrics.horizontalAdvance(Separator), height()),
            Qt::AlignCenter, Separator);
    };
    if (!m_gapRect.isNull()) {
        painter.setPen(QColor(0, 0, 0, 140));
        painter.drawText(m_gapRect, Qt::AlignCenter, Ellipsis);
        drawSeparatorAfter(m_gapRect);
    }
    for (int i = 0; i < m_components.size(); ++i) {
        const Component &component = m_components.at(i);
        // Out of sight: an ancestor of a deep folder, counted in the "…".
        if (component.rect.isNull())
            continue;
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
        if (i + 1 < m_components.size())
            drawSeparatorAfter(component.rect);
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
