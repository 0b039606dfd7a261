#include "mccontactsviewcontroller.h"

#include "mcallcontactsviewcontroller.h"
#include "mcallgroupsviewcontroller.h"
#include "mcsocialentity.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

MCContactsViewController::MCContactsViewController(MCPeople *people, QWidget *parent)
    : QWidget(parent)
    , m_people(people)
    , m_segments(new QButtonGroup(this))
    , m_buttonAddContact(new QPushButton(tr("Add Contact..."), this))
    , m_buttonCreateGroup(new QPushButton(tr("Create Group..."), this))
    , m_mainView(new QStackedWidget(this))
    , m_allContacts(new MCAllContactsViewController(people, m_mainView))
{
    setObjectName(QStringLiteral("MCContactsViewController"));
    setWindowTitle(title());
    m_buttonAddContact->setObjectName(QStringLiteral("buttonAddContact"));
    m_buttonCreateGroup->setObjectName(QStringLiteral("buttonCreateGroup"));
    m_mainView->setObjectName(QStringLiteral("mainView"));

    // A segmented switch: two buttons of which one is down.
    auto *bar = new QHBoxLayout;
    bar->setSpacing(0);
    const QStringList titles = {tr("Contacts"), tr("Groups")};
    for (int index = 0; index < titles.size(); ++index) {
        auto *button = new QToolButton(this);
        button->setText(titles.at(index));
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setObjectName(QStringLiteral("segment%1").arg(index));
        m_segments->addButton(button, index);
        bar->addWidget(button);
    }
    m_segments->button(0)->setChecked(true);
    bar->addStretch();
    bar->addWidget(m_buttonAddContact);
    bar->addWidget(m_buttonCreateGroup);
    m_buttonCreateGroup->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_mainView, 1);
    m_mainView->addWidget(m_allContacts);

    connect(m_segments, &QButtonGroup::idClicked, this,
            &MCContactsViewController::actionSwitchView);
    connect(m_buttonAddContact, &QPushButton::clicked, this,
            &MCContactsViewController::addContactRequested);
    connect(m_buttonCreateGroup, &QPushButton::clicked, this,
            &MCContactsViewController::createGroupRequested);
    connect(m_allContacts, &MCAllEntitiesViewController::entityChosen, this,
            &MCContactsViewController::conversationRequested);
}

QAbstractButton *MCContactsViewController::segment(int index) const
{
    return m_segments->button(index);
}

void MCContactsViewController::actionSwitchView(int segment)
{
    m_segments->button(segment == 0 ? 0 : 1)->setChecked(true);
    if (segment == 0) {
        m_mainView->setCurrentWidget(m_allContacts);
        m_buttonAddContact->show();
        m_buttonCreateGroup->hide();
        return;
    }
    m_buttonCreateGroup->show();
    m_buttonAddContact->hide();
    if (!m_allGroups) {
        m_allGroups = new MCAllGroupsViewController(m_people, m_mainView);
        m_mainView->addWidget(m_allGroups);
        connect(m_allGroups, &MCAllEntitiesViewController::entityChosen, this,
                &MCContactsViewController::conversationRequested);
    }
    m_mainView->setCurrentWidget(m_allGroups);
}
