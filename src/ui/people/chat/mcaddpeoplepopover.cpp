#include "mcaddpeoplepopover.h"

#include "mcpopupplacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MCAddPeoplePopover::MCAddPeoplePopover(QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_title(new QLabel(tr("Add People"), this))
    , m_search(new QLineEdit(this))
    , m_tableView(new QWidget(this))
    , m_create(new QPushButton(tr("Create Group"), this))
    , m_cancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("popoverAddPeople"));
    setWindowTitle(tr("Add People"));
    setFrameShape(QFrame::StyledPanel);
    m_title->setObjectName(QStringLiteral("textFieldAddPeople"));
    m_title->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_search->setObjectName(QStringLiteral("searchFieldAddPeople"));
    m_search->setPlaceholderText(tr("Search"));
    m_search->setClearButtonEnabled(true);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setFixedSize(280, 240);
    m_create->setObjectName(QStringLiteral("buttonCreateGroup"));
    m_create->setDefault(true);
    m_create->setEnabled(false);
    m_cancel->setObjectName(QStringLiteral("buttonDoNotCreateGroup"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_create);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_search);
    layout->addWidget(m_tableView, 1);
    layout->addLayout(buttons);
}

void MCAddPeoplePopover::popup(QWidget *anchor)
{
    adjustSize();
    MCPopupPlacement::placeBesideAnchor(this, anchor, MCPopupPlacement::Above);
    show();
    MCPopupPlacement::placeBesideAnchor(this, anchor, MCPopupPlacement::Above);
}

void MCAddPeoplePopover::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    emit closed();
}
