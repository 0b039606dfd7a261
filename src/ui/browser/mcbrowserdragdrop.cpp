#include "mcbrowserdragdrop.h"

#include "alertpresenter.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbrowserlog.h"
#include "mcdropactions.h"
#include "mcnameeditingdelegate.h"
#include "mcnavigation.h"
#include "mcoptions.h"
#include "mcpasteboard.h"
#include "mcremotepath.h"
#include "mcselectedrows.h"
#include "mcstring.h"
#include "mctransferstarter.h"
#include "moobjectsmanager.h"
#include "xdnddirectsave.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <memory>

namespace {

// Farther than this from the press, a press on an item becomes a drag.
constexpr int DragThreshold = 8;
// Resting on a folder: the first blink, then a tick per blink; the folder opens on the fifth
// tick, 1.2 s after the drag came.
constexpr int SpringDelayMs = 800;
constexpr int SpringTickMs = 100;
constexpr int SpringOpenTick = 5;

// The payload of a drag out. With a single file it also offers the direct save: the drop
// target asks for it once it has written where the file goes, and the download starts then.
class DragOutMimeData : public QMimeData
{
public:
    std::function<bool(const QString &localPath)> directSave;
    quintptr ownWindow = 0; // any X window of this application
    bool saved = false;

    QStringList formats() const override
    {
        QStringList list = QMimeData::formats();
        if (directSave)
            list.append(QString::fromLatin1(XdndDirectSave::TargetName));
        return list;
    }

protected:
    QVariant retrieveData(const QString &mimeType, QVariant::Type type) const override
    {
        if (!directSave || mimeType != QLatin1String(XdndDirectSave::TargetName))
            return QMimeData::retrieveData(mimeType, type);
        // Asked once per drop; a repeat reports the first answer.
        auto *self = const_cast<DragOutMimeData *>(this);
        if (!self->saved) {
            const QString path = XdndDirectSave::savePath(ownWindow);
            if (path.isEmpty())
                return QByteArray("F");
            self->saved = directSave(path);
        }
        return QByteArray(saved ? "S" : "E");
    }
};

QPixmap countBadge(const QPixmap &base, int count)
{
    QPixmap pixmap = base;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPointSize(11);
    painter.setFont(font);
    const QString text = QString::number(count);
    const QFontMetrics metrics(font);
    const int side = qMax(metrics.horizontalAdvance(text), metrics.height()) + 12;
    const QRect badge(base.width() / 2 - side / 2, base.height() / 2 - side / 2, side, side);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 40, 40));
    painter.drawEllipse(badge);
    painter.setPen(QColor(0, 0, 0, 160));
    painter.drawText(badge.translated(1, 1), Qt::AlignCenter, text);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, text);
    return pixmap;
}

} // namespace

MCBrowserDragDrop::MCBrowserDragDrop(MCBrowsableViewController *view, QAbstractItemView *itemView,
                                     MCNavigation *navigation, MCTransferStarter *transfers,
                                     const MCOptions *options, AlertPresenter *alerts,
                                     QWidget *sheetWindow)
    : QObject(view)
    , m_view(view)
    , m_itemView(itemView)
    , m_navigation(navigation)
    , m_transfers(transfers)
    , m_options(options)
    , m_alerts(alerts)
    , m_sheetWindow(sheetWindow)
{
    m_folderChooser = [](QWidget *parent, std::function<void(const QString &)> chosen) {
        auto *dialog = new QFileDialog(parent, tr("Download to"));
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, chosen](int result) {
            chosen(result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString());
        });
        dialog->open();
    };
    m_springTimer.setSingleShot(true);
    connect(&m_springTimer, &QTimer::timeout, this, &MCBrowserDragDrop::springTick);
    m_viewport = m_itemView->viewport();
    m_viewport->setAcceptDrops(true);
    m_viewport->installEventFilter(this);
}

MCBrowserDragDrop::~MCBrowserDragDrop() = default;

bool MCBrowserDragDrop::eventFilter(QObject *watched, QEvent *event)
{
    // Compared as a pointer only: the view may be half destroyed when its last events come.
    if (watched != m_viewport.data())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return mousePressed(static_cast<QMouseEvent *>(event));
    case QEvent::MouseMove:
        return mouseMoved(static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        return mouseReleased(static_cast<QMouseEvent *>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove:
        dragMoved(static_cast<QDragMoveEvent *>(event));
        return true;
    case QEvent::DragLeave:
        stopSpring();
        return true;
    case QEvent::Drop:
        dropped(static_cast<QDropEvent *>(event));
        return true;
    default:
        return false;
    }
}

bool MCBrowserDragDrop::mousePressed(QMouseEvent *event)
{
    m_pressIndex = QPersistentModelIndex();
    m_pressKeptSelection = false;
    if (event->button() != Qt::LeftButton || (event->modifiers() & Qt::ControlModifier))
        return false;
    QAbstractItemView *view = m_itemView;
    const QModelIndex index = view->indexAt(event->pos());
    if (!index.isValid())
        return false;
    m_pressPoint = event->pos();
    m_pressIndex = index;
    // A press on one of several selected items keeps them all, to drag them together.
    QItemSelectionModel *selection = view->selectionModel();
    if (selection->isSelected(index) && MCSelectedRows::holdsSeveral(selection->selection()) &&
        !(event->modifiers() & Qt::ShiftModifier)) {
        m_pressKeptSelection = true;
        view->setFocus(Qt::MouseFocusReason);
        return true;
    }
    return false;
}

bool MCBrowserDragDrop::mouseMoved(QMouseEvent *event)
{
    if (!m_pressIndex.isValid() || !(event->buttons() & Qt::LeftButton))
        return false;
    // Moves from a press on an item drag it; they never draw a selection rectangle.
    const QPoint delta = event->pos() - m_pressPoint;
    if (std::hypot(delta.x(), delta.y()) > DragThreshold && !m_dragging)
        startDrag();
    return true;
}

bool MCBrowserDragDrop::mouseReleased(QMouseEvent *event)
{
    const bool kept = m_pressKeptSelection;
    const QPersistentModelIndex index = m_pressIndex;
    m_pressIndex = QPersistentModelIndex();
    m_pressKeptSelection = false;
    if (kept && index.isValid() && event->button() == Qt::LeftButton) {
        // A click, not a drag: the item alone is selected, as any click does.
        m_itemView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
        return true;
    }
    return false;
}

QMimeData *MCBrowserDragDrop::mimeDataForNodes(const MCNodeList &nodes) const
{
    QStringList paths;
    for (const MCNodePtr &node : nodes)
        paths.append(node->filePath());
    auto *data = new DragOutMimeData;
    std::unique_ptr<QMimeData> remote(MCPasteboard::mimeDataForRemotePaths(paths));
    for (const QString &format : remote->formats())
        data->setData(format, remote->data(format));
    // Files that all have a local copy also go as those copies, for targets without the
    // direct save; anything else would hand over a half list.
    QList<QUrl> copies;
    for (const MCNodePtr &node : nodes) {
        const QString local =
            node->isDir() || !(node->states() & MCAbstractObjectNode::Cached)
                ? QString()
                : MOObjectsManager::sharedInstance()->localCopyPathOfObjectAtPath(node->filePath());
        if (local.isEmpty()) {
            copies.clear();
            break;
        }
        copies.append(QUrl::fromLocalFile(local));
    }
    if (!copies.isEmpty())
        data->setUrls(copies);
    if (nodes.size() == 1 && !nodes.first()->isDir() && XdndDirectSave::isAvailable()) {
        const MCNodePtr node = nodes.first();
        QPointer<MCTransferStarter> transfers(m_transfers);
        data->directSave = [transfers, node](const QString &localPath) {
            if (!transfers || !MCRemotePath::isSafeName(QFileInfo(localPath).fileName()))
                return false;
            transfers->downloadFileAtPath(node->filePath(), localPath, {},
                                          MOObjectTransferRequest::PickFreeName);
            return true;
        };
    }
    return data;
}

void MCBrowserDragDrop::startDrag()
{
    QAbstractItemView *view = m_itemView;
    MCNodeList nodes;
    for (const MCNodePtr &node : m_view->getSelectedItems()) {
        if (!node->isBusy() && !node->isPlaceholder())
            nodes.append(node);
    }
    if (nodes.isEmpty())
        return;
    m_dragging = true;
    auto *drag = new QDrag(view);
    auto *data = static_cast<DragOutMimeData *>(mimeDataForNodes(nodes));
    drag->setMimeData(data);
    const QModelIndex pressed = m_pressIndex;
    const QVariant decoration = view->model()->data(pressed, Qt::DecorationRole);
    QPixmap pixmap = decoration.userType() == QMetaType::QPixmap
                         ? decoration.value<QPixmap>()
                         : decoration.value<QIcon>().pixmap(view->iconSize());
    if (!pixmap.isNull()) {
        drag->setPixmap(nodes.size() > 1 ? countBadge(pixmap, nodes.size()) : pixmap);
        drag->setHotSpot(QPoint(pixmap.width() / 2, pixmap.height() / 2));
    }
    QPointer<QTimer> offer;
    if (data->directSave) {
        // The name is put on the drag's window once the drag owns the selection.
        data->ownWindow = view->window()->winId();
        const quintptr ownWindow = data->ownWindow;
        const QString name = MCRemotePath::lastComponent(nodes.first()->filePath());
        offer = new QTimer(drag);
        connect(offer, &QTimer::timeout, offer, [offer, name, ownWindow, tries = 0]() mutable {
            if (XdndDirectSave::setSuggestedName(name, ownWindow) || ++tries > 100)
                offer->stop();
        });
        offer->start(20);
        // The target reads the name after the drop, when exec() has returned already: the
        // name goes with the drag object, which Qt keeps until the target is done.
        connect(drag, &QObject::destroyed, [ownWindow] { XdndDirectSave::clear(ownWindow); });
    }
    const bool moveInside =
        m_options->value(MCOptions::AppDelegate, MCOptions::FinderMoveDefaultAction).toBool();
    QPointer<MCBrowserDragDrop> self(this);
    const Qt::DropAction result =
        drag->exec(moveInside ? Qt::CopyAction | Qt::MoveAction : Qt::CopyAction, Qt::CopyAction);
    // Qt owns the drag from here: a target in another program may still ask for its data.
    const bool saved = data->saved;
    const bool inside = drag->target() != nullptr || QApplication::widgetAt(QCursor::pos());
    if (offer)
        offer->stop();
    if (!self)
        return;
    m_dragging = false;
    m_pressIndex = QPersistentModelIndex();
    // No target took the files and the pointer left the application: ask where they go.
    if (result == Qt::IgnoreAction && !saved && !inside) {
        m_folderChooser(m_sheetWindow, [self, nodes](const QString &folder) {
            if (self && !folder.isEmpty())
                self->downloadDraggedNodes(nodes, folder);
        });
    }
}

void MCBrowserDragDrop::downloadDraggedNodes(const MCNodeList &nodes, const QString &folder)
{
    for (const MCNodePtr &node : nodes) {
        const QString name = MCRemotePath::lastComponent(node->filePath());
        if (node->isDir()) {
            if (m_alerts) {
                Alert alert;
                alert.style = Alert::Warning;
                alert.messageText = tr("Cannot download '%1'")
                                        .arg(MCString::stringByIsolatingName(node->fileName()));
                alert.informativeText = tr("Downloading folders is not supported");
                m_alerts->present(alert, m_sheetWindow, [](const AlertAnswer &) {});
            }
            continue;
        }
        if (!MCRemotePath::isSafeName(name)) {
            qCWarning(lcBrowser) << "Refusing to download to the unsafe name" << name;
            continue;
        }
        m_transfers->downloadFileAtPath(node->filePath(), MCRemotePath::joined(folder, name), {},
                                        MOObjectTransferRequest::PickFreeName);
    }
}

MCNodePtr MCBrowserDragDrop::nodeAt(const QModelIndex &index)
{
    return index.data(MCNameEditingDelegate::NodeRole).value<MCNodePtr>();
}

MCNodePtr MCBrowserDragDrop::folderNodeAt(const QPoint &position) const
{
    const MCNodePtr node = nodeAt(m_itemView->indexAt(position));
    return node && node->isDir() && !node->isPackage() ? node : MCNodePtr();
}

void MCBrowserDragDrop::dragMoved(QDragMoveEvent *event)
{
    const QMimeData *data = event->mimeData();
    const bool remote = !MCPasteboard::remotePaths(data).isEmpty();
    const bool local = !remote && !MCPasteboard::localFilePaths(data).isEmpty();
    const QModelIndex index = m_itemView->indexAt(event->pos());
    const MCNodePtr folder = folderNodeAt(event->pos());
    // A folder carried over itself stays highlighted and is neither opened nor a target.
    if (folder && remote && MCPasteboard::remotePaths(data).contains(folder->filePath())) {
        stopSpring();
        m_itemView->selectionModel()->select(index, QItemSelectionModel::Select |
                                                        QItemSelectionModel::Rows);
        event->ignore();
        return;
    }
    if (folder && !m_dropsOntoFolders)
        springTo(index);
    else
        stopSpring();
    if (!remote && !local) {
        event->ignore();
        return;
    }
    if (folder && m_dropsOntoFolders) {
        if (folder->isBusy() ||
            (remote &&
             !MCDropActions::canMoveInto(MCPasteboard::remotePaths(data), folder->filePath()))) {
            event->ignore(m_itemView->visualRect(index));
            return;
        }
    } else if (folder && event->type() == QEvent::DragMove) {
        // Resting on a folder opens it; the drop itself goes to the folder shown, beside it.
        event->ignore();
        return;
    }
    // From outside always a copy: a moved-away original is the user's file gone.
    event->setDropAction(remote ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

void MCBrowserDragDrop::dropped(QDropEvent *event)
{
    stopSpring();
    const QMimeData *data = event->mimeData();
    const MCNodePtr onto = folderNodeAt(event->pos());
    if (onto && (!m_dropsOntoFolders || onto->isBusy())) {
        event->ignore();
        return;
    }
    const MCNodePtr target = onto ? onto : dropFolder();
    if (!target) {
        event->ignore();
        return;
    }
    // Remote items come only from this application's views (one instance runs per user).
    const QStringList paths = MCPasteboard::remotePaths(data);
    if (!paths.isEmpty()) {
        if (!moveRemoteItems(paths, target)) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    const QStringList files = MCPasteboard::localFilePaths(data);
    if (!files.isEmpty()) {
        const bool optionHeld =
            event->keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier);
        uploadLocalFiles(files, optionHeld, target->filePath());
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

MCNodePtr MCBrowserDragDrop::dropFolder() const
{
    return m_dropFolder ? m_dropFolder() : m_navigation->currentNode();
}

bool MCBrowserDragDrop::moveRemoteItems(const QStringList &paths, const MCNodePtr &current)
{
    // All or nothing: an item already here, or a folder dropped into itself, refuses the drop
    // before anything moves.
    return MCDropActions::moveRemoteItems(paths, current->filePath(), QVariant::fromValue(current));
}

void MCBrowserDragDrop::uploadLocalFiles(const QStringList &paths, bool optionHeld,
                                         const QString &target)
{
    if (QWidget *window = m_view->window()) {
        window->raise();
        window->activateWindow();
    }
    MCDropActions::uploadLocalFiles(m_transfers, m_options, paths, target, optionHeld);
}

void MCBrowserDragDrop::springTo(const QModelIndex &index)
{
    const MCNodePtr node = nodeAt(index);
    if (node && node->filePath() == m_springPath)
        return;
    stopSpring();
    if (!node || node->isBusy())
        return;
    // Kept by path: a listing arriving meanwhile rebuilds the rows.
    m_springPath = node->filePath();
    m_springTicks = 0;
    showSelected(true);
    m_springTimer.start(SpringDelayMs);
}

void MCBrowserDragDrop::springTick()
{
    if (m_springPath.isEmpty())
        return;
    ++m_springTicks;
    if (m_springTicks < SpringOpenTick) {
        showSelected(m_springTicks % 2 == 0);
        m_springTimer.start(SpringTickMs);
        return;
    }
    const MCNodePtr node = nodeAt(m_view->indexOfPath(m_springPath));
    stopSpring();
    if (node && node->isDir() && !node->isBusy())
        m_navigation->doubleClickNavigation(node->filePath(), m_view);
}

void MCBrowserDragDrop::stopSpring()
{
    m_springTimer.stop();
    if (!m_springPath.isEmpty())
        showSelected(false);
    m_springPath.clear();
    m_springTicks = 0;
}

void MCBrowserDragDrop::showSelected(bool selected)
{
    const QModelIndex index = m_view->indexOfPath(m_springPath);
    if (!index.isValid())
        return;
    m_itemView->selectionModel()->select(
        index, (selected ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
}
