#include "mcchatlinkscontroller.h"

#include "mcchatlinksmodel.h"
#include "mclinks.h"
#include "mcmousedowntextfield.h"
#include "mcsharelinkcell.h"
#include "mcsidepanellog.h"
#include "mcstring.h"
#include "mctablelinks.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const UrlProperty = "chatLinkUrl";

// The row's link cell shows the text: the table draws only the row's background under it.
class BackgroundOnlyDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text.clear();
    }
};

} // namespace

MCChatLinksController::MCChatLinksController(QWidget *parent)
    : QWidget(parent)
    , m_links(new MCChatLinksModel(this))
    , m_tableView(new MCTableLinks(this))
{
    m_tableView->setObjectName(QStringLiteral("linksTableView"));
    m_tableView->setModel(m_links);
    m_tableView->setItemDelegate(new BackgroundOnlyDelegate(m_tableView));
    m_tableView->setColumnHidden(MCChatLinksModel::Contact, true);
    m_tableView->setColumnHidden(MCChatLinksModel::Date, true);
    m_tableView->horizontalHeader()->hide();
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(42);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
    connect(m_links, &QAbstractItemModel::modelReset, this, &MCChatLinksController::reloadCells);
    connect(m_tableView, &MCTableLinks::mouseDownTextFieldClicked, this,
            &MCChatLinksController::linkClicked);
}

void MCChatLinksController::setEntity(MCSocialEntity *entity)
{
    m_links->setEntity(entity);
}

void MCChatLinksController::reloadCells()
{
    for (int row = 0; row < m_links->rowCount(); ++row) {
        const auto at = [this, row](int column) {
            return m_links->index(row, column);
        };
        auto *cell = new MCShareLinkCell;
        cell->textField()->hide();
        cell->buttonGoToFile()->hide();
        cell->imageView()->hide();
        cell->hyperlinkTextField()->setText(at(MCChatLinksModel::Link).data().toString());
        cell->hyperlinkTextField()->setToolTip(
            at(MCChatLinksModel::Link).data(Qt::ToolTipRole).toString());
        cell->hyperlinkTextField()->setProperty(UrlProperty, at(0).data(MCChatLinksModel::UrlRole));
        const QString name = at(MCChatLinksModel::Contact).data().toString();
        const QString date = at(MCChatLinksModel::Date).data().toString();
        const QString line = tr("%1, %2").arg(name, date);
        cell->setSecondLine(name, tr(", %1").arg(date));
        // The cell cuts a long name: the tooltip holds the line whole.
        cell->additionalTextfield()->setToolTip(MCString::stringForToolTip(line));
        m_tableView->setIndexWidget(at(MCChatLinksModel::Link), cell);
    }
}

void MCChatLinksController::linkClicked(MCMouseDownTextField *field)
{
    const QUrl url = field->property(UrlProperty).toUrl();
    if (!MCLinks::open(url))
        qCWarning(lcSidePanel) << "The link could not be opened";
}
