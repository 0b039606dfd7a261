#include "mcgotofolderpanel.h"

#include "yrkspinningprogressindicator.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

MCGoToFolderPanel::MCGoToFolderPanel(QWidget *parent)
    : QDialog(parent)
    , m_input(new QLineEdit(this))
    , m_notFound(new QLabel(this))
    , m_go(new QPushButton(tr("Go"), this))
    , m_spinner(new YRKSpinningProgressIndicator(this))
{
    setObjectName(QStringLiteral("panelGoToFolder"));
    setWindowTitle(tr("Go to Folder"));
    setWindowModality(Qt::WindowModal);
    m_input->setObjectName(QStringLiteral("panelInputTextField"));
    m_input->setPlaceholderText(tr("/Documents"));
    m_input->setMinimumWidth(320);
    // No suggestions yet: the store's folders are not listed ahead of the typing.
    m_input->setCompleter(new QCompleter(new QStringListModel(this), this));
    m_notFound->setObjectName(QStringLiteral("panelTextStatic"));
    m_notFound->setTextFormat(Qt::PlainText);
    m_notFound->setText(tr("The folder can\u2019t be found."));
    m_notFound->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_notFound->hide();
    m_go->setObjectName(QStringLiteral("panelButtonGo"));
    m_go->setDefault(true);
    m_spinner->setObjectName(QStringLiteral("loadingSpin"));
    m_spinner->setFixedSize(16, 16);
    m_spinner->setDisplayedWhenStopped(false);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_go, QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("panelButtonCancel"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_spinner);
    row->addWidget(m_notFound, 1);
    row->addWidget(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Go to the folder:"), this));
    layout->addWidget(m_input);
    layout->addLayout(row);

    // Go does not close the sheet: it closes once the folder is found.
    connect(m_go, &QPushButton::clicked, this, [this] { emit goRequested(m_input->text()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_input, &QLineEdit::textEdited, m_notFound, &QWidget::hide);
}

void MCGoToFolderPanel::begin()
{
    m_notFound->hide();
    setSearching(false);
    m_input->selectAll();
    m_input->setFocus(Qt::OtherFocusReason);
    open();
}

void MCGoToFolderPanel::showNotFound()
{
    setSearching(false);
    m_notFound->show();
}

void MCGoToFolderPanel::setSearching(bool searching)
{
    m_searching = searching;
    m_go->setEnabled(!searching);
    if (searching)
        m_spinner->startAnimation(this);
    else
        m_spinner->stopAnimation(this);
}
