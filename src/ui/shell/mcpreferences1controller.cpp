#include "mcpreferences1controller.h"

#include "autostart.h"
#include "mcoptions.h"
#include "mcshelllogging.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

MCPreferences1Controller::MCPreferences1Controller(MCOptions *options, Autostart *autostart,
                                                   QWidget *parent)
    : QWidget(parent)
    , m_options(options)
    , m_autostart(autostart)
    , m_finderDrag(
          new QCheckBox(tr("Keep a copy of the files dropped from the file manager"), this))
    , m_startAtLogin(new QCheckBox(tr("Start Kerlo when you log in"), this))
    , m_sounds(new QCheckBox(tr("Play sounds"), this))
    , m_openArchive(new QCheckBox(tr("Open archives without asking"), this))
    , m_deleteConfirmation(new QCheckBox(tr("Delete without asking"), this))
    , m_message(new QLabel(this))
{
    setObjectName(identifier());
    m_finderDrag->setObjectName(QStringLiteral("buttonFinderDragDefaultAction"));
    m_startAtLogin->setObjectName(QStringLiteral("buttonStartAtLogin"));
    m_sounds->setObjectName(QStringLiteral("buttonSoundsEnabled"));
    m_openArchive->setObjectName(QStringLiteral("buttonOpenArchiveEnabled"));
    m_deleteConfirmation->setObjectName(QStringLiteral("buttonDeleteConfirmation"));
    m_message->setObjectName(QStringLiteral("preferencesMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    QPalette warning = m_message->palette();
    warning.setColor(QPalette::WindowText, QColor(0xc0, 0x20, 0x20));
    m_message->setPalette(warning);
    m_message->hide();
    m_startAtLogin->setEnabled(m_autostart != nullptr);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    for (QCheckBox *box :
         {m_startAtLogin, m_sounds, m_finderDrag, m_openArchive, m_deleteConfirmation})
        layout->addWidget(box);
    layout->addWidget(m_message);
    layout->addStretch(1);

    // Each box states its option directly, except the delete box, which states its opposite.
    const auto bind = [this](QCheckBox *box, const QString &key, bool inverted) {
        connect(box, &QCheckBox::clicked, this, [this, key, inverted](bool checked) {
            m_options->setValue(MCOptions::AppDelegate, key, inverted ? !checked : checked);
        });
    };
    bind(m_finderDrag, MCOptions::FinderMoveDefaultAction, false);
    bind(m_sounds, MCOptions::SoundsEnabled, false);
    bind(m_openArchive, MCOptions::OpenArchiveDefaultAction, false);
    bind(m_deleteConfirmation, MCOptions::DeleteAskConfermation, true);
    connect(m_startAtLogin, &QCheckBox::clicked, this,
            &MCPreferences1Controller::actionStartAtLogin);
    // Another window (an alert's suppression box) may change an option while this one is up.
    connect(m_options, &MCOptions::valueChanged, this, [this](const QString &dictionary) {
        if (dictionary == MCOptions::AppDelegate)
            loadState();
    });
    loadState();
}

QString MCPreferences1Controller::identifier() const
{
    return QStringLiteral("MCPreferences1Controller");
}

QIcon MCPreferences1Controller::toolbarItemImage() const
{
    return QIcon::fromTheme(QStringLiteral("preferences-system"));
}

QString MCPreferences1Controller::toolbarItemLabel() const
{
    return tr("General");
}

void MCPreferences1Controller::loadState()
{
    const auto isOne = [this](const QString &key) {
        return m_options->value(MCOptions::AppDelegate, key).toInt() == 1;
    };
    m_finderDrag->setChecked(isOne(MCOptions::FinderMoveDefaultAction));
    m_sounds->setChecked(isOne(MCOptions::SoundsEnabled));
    m_openArchive->setChecked(isOne(MCOptions::OpenArchiveDefaultAction));
    // A missing value counts as NO: deletions do not ask.
    m_deleteConfirmation->setChecked(
        !m_options->value(MCOptions::AppDelegate, MCOptions::DeleteAskConfermation).toBool());
    m_startAtLogin->setChecked(m_autostart && m_autostart->isEnabled());
}

void MCPreferences1Controller::showEvent(QShowEvent *event)
{
    // The entry may have been removed behind our back (the desktop's own settings).
    loadState();
    QWidget::showEvent(event);
}

void MCPreferences1Controller::actionStartAtLogin(bool checked)
{
    if (!m_autostart)
        return;
    const bool written = m_autostart->setEnabled(checked);
    // The box and the option say what is in place, whether or not the change was written.
    const bool enabled = m_autostart->isEnabled();
    m_message->setVisible(!written);
    if (!written) {
        qCWarning(lcShell) << "The autostart entry could not be changed";
        m_message->setText(checked
                               ? tr("Kerlo could not be added to the programs started at log-in.")
                               : tr("Kerlo could not be removed from the programs started at "
                                    "log-in."));
    }
    m_startAtLogin->setChecked(enabled);
    m_options->setValue(MCOptions::AppDelegate, MCOptions::WillStartAtLogin, enabled);
}
