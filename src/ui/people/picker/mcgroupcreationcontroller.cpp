#include "mcgroupcreationcontroller.h"

#include "mcaddpeoplecontroller.h"
#include "mcgroup.h"
#include "mcpeople.h"
#include "mcstring.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MCGroupCreationController::MCGroupCreationController(MCPeople *people,
                                                     MOUserAuthenticationManager *auth,
                                                     QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_mainView(new QWidget(this))
    , m_buttonCreateGroup(new QPushButton(tr("Create Group"), this))
    , m_searchField(new QLineEdit(this))
    , m_textGroupName(new QLineEdit(this))
    , m_textAddPeople(new QLabel(tr("Add People"), this))
    , m_textError(new QLabel(this))
    , m_peopleController(new MCAddPeopleController(people, auth, m_mainView))
    , m_people(people)
{
    setObjectName(QStringLiteral("MCGroupCreationController"));
    setWindowTitle(tr("Create Group"));
    resize(360, 440);
    m_buttonCreateGroup->setObjectName(QStringLiteral("buttonCreateGroup"));
    m_buttonCreateGroup->setEnabled(false);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(tr("Search"));
    m_searchField->setClearButtonEnabled(true);
    m_textGroupName->setObjectName(QStringLiteral("textGroupName"));
    m_textGroupName->setPlaceholderText(tr("Group name..."));
    m_textAddPeople->setObjectName(QStringLiteral("textAddPeople"));
    m_textAddPeople->setTextFormat(Qt::PlainText);
    m_textError->setObjectName(QStringLiteral("textError"));
    m_textError->setTextFormat(Qt::PlainText);
    m_textError->setWordWrap(true);
    m_textError->hide();
    QPalette alert = m_textError->palette();
    alert.setColor(QPalette::WindowText, Qt::darkRed);
    m_textError->setPalette(alert);
    QFont bold = m_textAddPeople->font();
    bold.setBold(true);
    m_textAddPeople->setFont(bold);

    auto *hosted = new QVBoxLayout(m_mainView);
    hosted->setContentsMargins(0, 0, 0, 0);
    hosted->addWidget(m_peopleController);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_textGroupName, 1);
    bottom->addWidget(m_buttonCreateGroup);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_textAddPeople);
    layout->addWidget(m_searchField);
    layout->addWidget(m_mainView, 1);
    layout->addWidget(m_textError);
    layout->addLayout(bottom);

    connect(m_peopleController, &MCAddPeopleController::selectedContactsChanged, this,
            &MCGroupCreationController::selectedContactsChanged);
    connect(m_textGroupName, &QLineEdit::textChanged, this,
            &MCGroupCreationController::canCreateGroup);
    connect(m_searchField, &QLineEdit::textChanged, m_peopleController,
            &MCAddPeopleController::setFilterText);
    connect(m_buttonCreateGroup, &QPushButton::clicked, this,
            &MCGroupCreationController::actionCreateGroup);
    connect(people, &MCPeople::groupCreationFailed, this,
            &MCGroupCreationController::groupCreationFailed);
    connect(people, &MCPeople::groupsChanged, this, &MCGroupCreationController::groupsChanged);
    connect(m_textGroupName, &QLineEdit::returnPressed, this, [this] {
        if (m_buttonCreateGroup->isEnabled())
            actionCreateGroup();
    });
}

void MCGroupCreationController::selectedContactsChanged()
{
    const int count = m_peopleController->selectedContacts().size();
    m_textAddPeople->setText(count == 0 ? tr("Add People")
                                        : tr("%1 (%2 selected)").arg(tr("Add People")).arg(count));
    canCreateGroup();
}

void MCGroupCreationController::canCreateGroup()
{
    m_buttonCreateGroup->setEnabled(!m_creating && !m_textGroupName->text().isEmpty() &&
                                    m_peopleController->selectedContacts().size() >= 2);
}

QSet<qint64> MCGroupCreationController::groupIdentifiers() const
{
    QSet<qint64> identifiers;
    for (const MCGroup *group : m_people->groups())
        identifiers.insert(group->identifier());
    return identifiers;
}

void MCGroupCreationController::groupsChanged()
{
    if (!m_creating)
        return;
    // The new group is listed once the service made it.
    if (groupIdentifiers().subtract(m_groupsBefore).isEmpty())
        return;
    m_creating = false;
    canCreateGroup();
    close();
}

void MCGroupCreationController::groupCreationFailed(const QString &reason)
{
    if (!m_creating)
        return;
    m_creating = false;
    canCreateGroup();
    m_textError->setText(
        tr("The group could not be created: %1").arg(MCString::stringForName(reason)));
    m_textError->show();
}

void MCGroupCreationController::actionCreateGroup()
{
    // A second click while the service makes the group would make a second one.
    if (m_creating || m_textGroupName->text().isEmpty())
        return;
    m_textError->hide();
    m_creating = true;
    m_groupsBefore = groupIdentifiers();
    canCreateGroup();
    m_peopleController->createGroupWithTitle(m_textGroupName->text());
}

void MCGroupCreationController::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MCGroupCreationController::resetSelection()
{
    m_peopleController->clearSelection();
    m_textGroupName->clear();
    m_buttonCreateGroup->setEnabled(false);
}
