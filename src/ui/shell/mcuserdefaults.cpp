#include "mcuserdefaults.h"

#include "autostart.h"
#include "clock.h"
#include "mcfunctions.h"

#include <QLoggingCategory>
#include <QSettings>

Q_LOGGING_CATEGORY(lcMCUserDefaults, "lumarin.ui.shell.defaults")

namespace {

constexpr qint64 resignSaveIntervalSeconds = 300;

} // namespace

MCUserDefaults::MCUserDefaults(Options &options, QSettings *settings, Check coreInitialized,
                               Check authenticated, Autostart *autostart, Clock *clock,
                               QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_settings(settings)
    , m_coreInitialized(std::move(coreInitialized))
    , m_authenticated(std::move(authenticated))
    , m_autostart(autostart)
    , m_clock(clock)
{}

MCUserDefaults::~MCUserDefaults() = default;

void MCUserDefaults::setTemplatesPath(const QString &path)
{
    m_templatesPath = path;
}

QDateTime MCUserDefaults::now() const
{
    return m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc();
}

void MCUserDefaults::loadUserDefaults()
{
    QVariantMap application = m_settings->value(AppDelegate).toMap();
    const auto fill = [&application](const QString &key, const QVariant &value) {
        if (application.contains(key))
            return false;
        application.insert(key, value);
        return true;
    };
    fill(FinderMoveDefaultAction, false);
    fill(OpenArchiveDefaultAction, false);
    fill(DeleteAskConfermation, true);
    fill(SoundsEnabled, true);
    if (!application.contains(NewFileSettings) && !m_templatesPath.isEmpty())
        application.insert(NewFileSettings,
                           MCFunctions::generateNewFileDictionary(m_templatesPath));
    if (fill(WillStartAtLogin, true) && m_autostart && !m_autostart->setEnabled(true))
        qCWarning(lcMCUserDefaults) << "Could not add the autostart entry";
    m_options.insert(AppDelegate, application);

    for (const QString &name : {IconController, ListController, ColumnController, MyContacts})
        m_options.insert(name, m_settings->value(name).toMap());
}

bool MCUserDefaults::saveUserDefaults()
{
    if (!m_coreInitialized || !m_coreInitialized())
        return false;
    if (!m_authenticated || !m_authenticated())
        return false;
    for (auto it = m_options.cbegin(); it != m_options.cend(); ++it)
        m_settings->setValue(it.key(), it.value());
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        qCWarning(lcMCUserDefaults)
            << "Could not write the settings file" << m_settings->fileName();
        return false;
    }
    return true;
}

void MCUserDefaults::resetUserDefaults()
{
    m_settings->clear();
    m_settings->sync();
    if (m_autostart && m_autostart->isEnabled() && !m_autostart->setEnabled(false))
        qCWarning(lcMCUserDefaults) << "Could not remove the autostart entry";
}

bool MCUserDefaults::applicationDidResignActive(bool shuttingDown, bool didFinishSetup,
                                                bool signInWindowVisible)
{
    if (shuttingDown)
        return false;
    if (didFinishSetup && (signInWindowVisible || !m_authenticated || !m_authenticated()))
        return false;
    const QDateTime current = now();
    if (m_lastResignSave.isValid() &&
        qAbs(m_lastResignSave.secsTo(current)) < resignSaveIntervalSeconds)
        return false;
    m_lastResignSave = current;
    return saveUserDefaults();
}

bool MCUserDefaults::pathBarShownAtLoad() const
{
    return m_options.value(AppDelegate).value(PathBarIsVisible, true).toBool();
}

bool MCUserDefaults::statusBarHiddenAtLoad() const
{
    return m_options.value(AppDelegate).value(StatusBarIsInvisible, false).toBool();
}
