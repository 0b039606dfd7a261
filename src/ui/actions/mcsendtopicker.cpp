#include "mcsendtopicker.h"

#include "mcpopupplacement.h"
#include "mcsocialentity.h"
#include "mcstring.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

// The whole plain name, which the search looks in.
const int NameRole = Qt::UserRole + 1;
// Where the row's entity is in the list given.
const int EntityRole = Qt::UserRole + 2;

// The widest name shown: wider, a list would scroll sideways and a menu cover its parent.
const int ShownNameCharacters = 40;

} // namespace

QString MCSendToPicker::shownName(const QString &name, const QWidget *widget)
{
    const QFontMetrics metrics(widget->font());
    int width = ShownNameCharacters * metrics.averageCharWidth();
    if (const QScreen *screen = widget->screen())
        width = qMin(width, screen->availableGeometry().width() / 3);
    return metrics.elidedText(MCString::stringForName(name), Qt::ElideRight, width);
}

MCSendToPicker::MCSendToPicker(const QString &title, QWidget *parent)
    : QDialog(parent)
    , m_model(new QStandardItemModel(this))
    , m_filter(new QSortFilterProxyModel(this))
    , m_searchField(new QLineEdit(this))
    , m_listView(new QListView(this))
{
    setWindowTitle(title);
    // The selection it sends stays as it was while it is open.
    setWindowModality(Qt::WindowModal);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(tr("Search"));
    m_searchField->setClearButtonEnabled(true);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterRole(NameRole);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_listView->setObjectName(QStringLiteral("listView"));
    m_listView->setModel(m_filter);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView->setUniformItemSizes(true);
    m_listView->setIconSize(QSize(16, 16));
    m_listView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_buttonSend = buttons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
    m_buttonSend->setObjectName(QStringLiteral("buttonSend"));
    m_buttonSend->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_searchField);
    layout->addWidget(m_listView);
    layout->addWidget(buttons);
    connect(m_searchField, &QLineEdit::textChanged, this, &MCSendToPicker::searchChanged);
    connect(m_listView, &QListView::activated, this, &MCSendToPicker::chooseCurrent);
    connect(buttons, &QDialogButtonBox::accepted, this, &MCSendToPicker::chooseCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const QFontMetrics metrics(font());
    resize((ShownNameCharacters + 8) * metrics.averageCharWidth(), 24 * metrics.height());
}

void MCSendToPicker::setEntities(const QList<QPair<QString, MCSocialEntity *>> &entities)
{
    m_model->clear();
    m_entities.clear();
    for (const auto &entity : entities) {
        const QString shown = shownName(entity.first, this);
        auto *row = new QStandardItem(shown);
        row->setData(MCString::stringForName(MCString::stringByBoundingName(entity.first)),
                     NameRole);
        row->setData(m_entities.size(), EntityRole);
        m_entities.append(entity.second);
        if (shown != MCString::stringForName(entity.first))
            row->setToolTip(MCString::stringForToolTip(entity.first));
        const QPixmap picture = entity.second->roomImage();
        if (!picture.isNull())
            row->setIcon(
                QIcon(picture.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        m_model->appendRow(row);
    }
    m_searchField->clear();
    searchChanged(QString());
    m_searchField->setFocus();
}

void MCSendToPicker::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Whole on the screen, over the window it sends from.
    if (parentWidget())
        MCPopupPlacement::placeCentredOver(this, parentWidget());
}

void MCSendToPicker::searchChanged(const QString &text)
{
    m_filter->setFilterFixedString(text);
    // Return sends to the first name that matches.
    m_listView->setCurrentIndex(m_filter->index(0, 0));
    // The view keeps its old offset across a filter: show that first name.
    m_listView->scrollToTop();
    m_buttonSend->setEnabled(m_filter->rowCount() > 0);
}

void MCSendToPicker::chooseCurrent()
{
    const QModelIndex current = m_listView->currentIndex();
    if (!current.isValid())
        return;
    // Gone while the picker was open: nothing is sent.
    const QPointer<MCSocialEntity> entity = m_entities.value(current.data(EntityRole).toInt());
    accept();
    if (entity)
        emit entityChosen(entity);
}
