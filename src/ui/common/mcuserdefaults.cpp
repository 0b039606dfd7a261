#include "mcuserdefaults.h"

#include "mcfunctions.h"
#include "mcoptions.h"

#include <QLoggingCategory>
#include <QSettings>

Q_LOGGING_CATEGORY(lcMCUserDefaults, "lumarin.ui.shell.defaults")

namespace {

constexpr qint64 resignSaveIntervalSeconds = 300;

QStringList storedDictionaries()
{
    return {MCOptions::IconController, MCOptions::ListController, MCOptions::ColumnController,
            MCOptions::MyContacts};
}

} // namespace

MCUserDefaults::MCUserDefaults(MCOptions *options, QSettings *settings, Check coreInitialized,
                               Check authenticated, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_settings(settings)
    , m_coreInitialized(std::move(coreInitialized))
    , m_authenticated(std::move(authenticated))
    , m_now([] { return QDateTime::currentDateTimeUtc(); })
{}

MCUserDefaults::~MCUserDefaults() = default;

void MCUserDefaults::setTemplatesPath(const QString &path)
{
    m_templatesPath = path;
}

void MCUserDefaults::setStartAtLogin(Check isEnabled, std::function<void(bool)> setEnabled)
{
    m_isStartAtLogin = std::move(isEnabled);
    m_setStartAtLogin = std::move(setEnabled);
}

void MCUserDefaults::setClock(std::function<QDateTime()> now)
{
    m_now = std::move(now);
}

void MCUserDefaults::loadUserDefaults()
{
    QVariantMap application = m_settings->value(MCOptions::AppDelegate).toMap();
    const auto fill = [&application](const QString &key, const QVariant &value) {
        if (application.contains(key))
            return false;
        application.insert(key, value);
        return true;
    };
    fill(MCOptions::FinderMoveDefaultAction, false);
    fill(MCOptions::OpenArchiveDefaultAction, false);
    fill(MCOptions::DeleteAskConfermation, true);
    fill(MCOptions::SoundsEnabled, true);
    if (!application.contains(MCOptions::NewFileSettings) && !m_templatesPath.isEmpty())
        application.insert(MCOptions::NewFileSettings,
                           MCFunctions::generateNewFileDictionary(m_templatesPath));
    if (fill(MCOptions::WillStartAtLogin, true) && m_setStartAtLogin)
        m_setStartAtLogin(true);
    m_options->setDictionary(MCOptions::AppDelegate, application);

    for (const QString &name : storedDictionaries())
        m_options->setDictionary(name, m_settings->value(name).toMap());
}

bool MCUserDefaults::saveUserDefaults()
{
    if (!m_coreInitialized || !m_coreInitialized())
        return false;
    if (!m_authenticated || !m_authenticated())
        return false;
    // Only the options' own dictionaries: other keys of the settings ("Colors") stay as they
    // are.
    for (const QString &name : m_options->dictionaryNames())
        m_settings->setValue(name, m_options->dictionary(name));
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
    if (m_isStartAtLogin && m_setStartAtLogin && m_isStartAtLogin())
        m_setStartAtLogin(false);
}

bool MCUserDefaults::applicationDidResignActive(bool shuttingDown, bool didFinishSetup,
                                                bool signInWindowVisible)
{
    if (shuttingDown)
        return false;
    if (didFinishSetup && (signInWindowVisible || !m_authenticated || !m_authenticated()))
        return false;
    const QDateTime now = m_now();
    if (m_lastResignSave.isValid() &&
        qAbs(m_lastResignSave.secsTo(now)) < resignSaveIntervalSeconds)
        return false;
    m_lastResignSave = now;
    return saveUserDefaults();
}

bool MCUserDefaults::pathBarShownAtLoad() const
{
    return m_options->value(MCOptions::AppDelegate, MCOptions::PathBarIsVisible, true).toBool();
}

bool MCUserDefaults::statusBarHiddenAtLoad() const
{
    return m_options->value(MCOptions::AppDelegate, MCOptions::StatusBarIsInvisible, false)
        .toBool();
}
