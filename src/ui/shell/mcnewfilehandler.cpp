#include "mcnewfilehandler.h"

#include "mcnewfileheadercell.h"
#include "mcnewfiletemplatesmodel.h"
#include "mcpasteboard.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Icon, label, and the extension and kind in a smaller grey line below.
class TemplateDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem first = option;
        initStyleOption(&first, index);
        const QString secondLine = index.data(MCNewFileTemplatesModel::SecondLineRole).toString();
        first.text.clear();
        QStyle *style = first.widget ? first.widget->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &first, painter, first.widget);
        const QRect text = option.rect.adjusted(option.decorationSize.width() + 12, 3, -4, -3);
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        const QFontMetrics metrics(option.font);
        const int half = text.height() / 2;
        painter->drawText(
            text.adjusted(0, 0, 0, -half), Qt::AlignLeft | Qt::AlignBottom,
            metrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        QFont small = option.font;
        small.setPointSizeF(small.pointSizeF() * 0.85);
        painter->setFont(small);
        if (!selected)
            painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
        painter->drawText(text.adjusted(0, half, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          QFontMetrics(small).elidedText(secondLine, Qt::ElideRight, text.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(
            qMax(option.decorationSize.height() + 8, QFontMetrics(option.font).height() * 2 + 8));
        return size;
    }
};

QToolButton *toolButton(const QString &name, const QString &icon, const QString &tip,
                        QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon::fromTheme(icon));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    if (button->icon().isNull())
        button->setText(tip);
    return button;
}

} // namespace

MCNewFileHandler::MCNewFileHandler(MCOptions *options, const QString &templatesPath,
                                   QWidget *parent)
    : QDialog(parent)
    , m_model(new MCNewFileTemplatesModel(options, templatesPath, this))
    , m_tableView(new QTreeView(this))
    , m_messageField(new QLabel(this))
    , m_remove(toolButton(QStringLiteral("removeButton"), QStringLiteral("list-remove"),
                          tr("Remove"), this))
    , m_up(toolButton(QStringLiteral("upButton"), QStringLiteral("go-up"), tr("Move Up"), this))
    , m_down(toolButton(QStringLiteral("downButton"), QStringLiteral("go-down"), tr("Move Down"),
                        this))
{
    setObjectName(QStringLiteral("newFileHandler"));
    setWindowTitle(tr("New File Templates"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("text-x-generic-template")));
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setHeader(new MCNewFileHeaderCell(m_tableView));
    // The list's order is the menu's: the header names the column and does not sort.
    m_tableView->header()->setSectionsClickable(false);
    m_tableView->header()->setStretchLastSection(true);
    m_tableView->setModel(m_model);
    m_tableView->setRootIsDecorated(false);
    m_tableView->setItemsExpandable(false);
    m_tableView->setUniformRowHeights(true);
    m_tableView->setItemDelegate(new TemplateDelegate(m_tableView));
    m_tableView->setIconSize(QSize(32, 32));
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed);
    m_tableView->setAcceptDrops(true);
    m_tableView->setDropIndicatorShown(true);
    m_tableView->viewport()->setAcceptDrops(true);
    m_tableView->viewport()->installEventFilter(this);
    m_messageField->setObjectName(QStringLiteral("messageField"));
    m_messageField->setTextFormat(Qt::PlainText);
    m_messageField->setWordWrap(true);

    auto *hint = new QLabel(tr("Drop a file here to add it to the New File menu. Double-click a "
                               "template to rename it."),
                            this);
    hint->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addSpacing(8);
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    buttons->addWidget(m_messageField, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_tableView, 1);
    layout->addLayout(buttons);
    resize(420, 360);

    connect(m_remove, &QToolButton::clicked, this, &MCNewFileHandler::removeElement);
    connect(m_up, &QToolButton::clicked, this, [this] { moveUpDownElement(true); });
    connect(m_down, &QToolButton::clicked, this, [this] { moveUpDownElement(false); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &MCNewFileHandler::updateButtons);
    connect(m_tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MCNewFileHandler::updateButtons);
    updateButtons();
}

bool MCNewFileHandler::validateDrop(const QMimeData *data, QObject *source)
{
    QStringList items = MCPasteboard::remotePaths(data);
    if (items.isEmpty() && !source)
        items = MCPasteboard::localFilePaths(data);
    if (items.isEmpty())
        return false;
    if (items.size() != 1) {
        setMessage(tr("You can only add one file at time"));
        return false;
    }
    if (QFileInfo(items.constFirst()).suffix().isEmpty()) {
        setMessage(tr("You can't add a file with no extension"));
        return false;
    }
    setMessage(QString());
    return true;
}

bool MCNewFileHandler::acceptDrop(const QMimeData *data, QObject *source, int row)
{
    if (!validateDrop(data, source))
        return false;
    const QStringList promised = MCPasteboard::remotePaths(data);
    const QString path =
        promised.isEmpty() ? MCPasteboard::localFilePaths(data).value(0) : promised.constFirst();
    setMessage(tr("Adding new element..."));
    const QString failure =
        m_model->addElement(path, promised.isEmpty(), row < 0 ? m_model->rowCount() : row);
    setMessage(failure);
    return failure.isEmpty();
}

void MCNewFileHandler::removeElement()
{
    const QModelIndex current = m_tableView->currentIndex();
    if (!current.isValid() || !m_tableView->selectionModel()->isSelected(current))
        return;
    m_model->removeElement(current.row());
    setMessage(QString());
}

void MCNewFileHandler::moveUpDownElement(bool up)
{
    const QModelIndex current = m_tableView->currentIndex();
    if (!current.isValid())
        return;
    const int row = m_model->moveUpDownElement(current.row(), up);
    if (row < 0)
        return;
    m_tableView->selectionModel()->setCurrentIndex(m_model->index(row),
                                                   QItemSelectionModel::ClearAndSelect);
    setMessage(QString());
}

bool MCNewFileHandler::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_tableView->viewport())
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (validateDrop(drag->mimeData(), drag->source())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (acceptDrop(drop->mimeData(), drop->source(), dropRow(drop))) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void MCNewFileHandler::done(int result)
{
    const bool wasVisible = isVisible();
    QDialog::done(result);
    if (wasVisible)
        emit windowWillClose();
}

int MCNewFileHandler::dropRow(QDropEvent *event) const
{
    const QModelIndex index = m_tableView->indexAt(event->pos());
    if (!index.isValid())
        return -1;
    // The top edge of a row puts the template above it; the rest of the row, below it.
    const QRect rect = m_tableView->visualRect(index);
    return event->pos().y() < rect.top() + rect.height() / 4 ? index.row() : index.row() + 1;
}

void MCNewFileHandler::setMessage(const QString &text)
{
    m_messageField->setText(text);
}

void MCNewFileHandler::updateButtons()
{
    const QModelIndex current = m_tableView->currentIndex();
    const int rows = m_model->rowCount();
    m_remove->setEnabled(current.isValid());
    m_up->setEnabled(current.isValid() && current.row() > 0);
    m_down->setEnabled(current.isValid() && current.row() < rows - 1);
}
