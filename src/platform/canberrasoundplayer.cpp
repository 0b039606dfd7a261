#include "canberrasoundplayer.h"

#include "platformlogging.h"

#include <QHash>

#include <canberra.h>

class CanberraSoundPlayerPrivate
{
public:
    QByteArray applicationName;
    QByteArray applicationId;
    ca_context *context = nullptr;
    bool unavailable = false;

    bool open();
};

bool CanberraSoundPlayerPrivate::open()
{
    if (context)
        return true;
    if (unavailable)
        return false;
    int result = ca_context_create(&context);
    if (result == CA_SUCCESS)
        result =
            ca_context_change_props(context, CA_PROP_APPLICATION_NAME, applicationName.constData(),
                                    CA_PROP_APPLICATION_ID, applicationId.constData(), nullptr);
    if (result == CA_SUCCESS)
        result = ca_context_open(context);
    if (result != CA_SUCCESS) {
        // No sound server or device: stay silent from now on.
        qCInfo(lcSound, "Sounds are off: %s", ca_strerror(result));
        if (context)
            ca_context_destroy(context);
        context = nullptr;
        unavailable = true;
        return false;
    }
    return true;
}

CanberraSoundPlayer::CanberraSoundPlayer(const QString &applicationName,
                                         const QString &applicationId)
    : d(std::make_unique<CanberraSoundPlayerPrivate>())
{
    d->applicationName = applicationName.toUtf8();
    d->applicationId = applicationId.toUtf8();
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (d->context)
        ca_context_destroy(d->context);
}

void CanberraSoundPlayer::play(const QString &name)
{
    if (!d->open())
        return;
    const QByteArray event = eventId(name).toUtf8();
    // Asynchronous: the sound server plays it while we go on.
    const int result = ca_context_play(d->context, 0, CA_PROP_EVENT_ID, event.constData(),
                                       CA_PROP_EVENT_DESCRIPTION, event.constData(), nullptr);
    if (result != CA_SUCCESS)
        qCDebug(lcSound, "Cannot play %s: %s", event.constData(), ca_strerror(result));
}

QString CanberraSoundPlayer::eventId(const QString &name)
{
    static const QHash<QString, QString> events = {
        {QStringLiteral("welcome"), QStringLiteral("service-login")},
        {QStringLiteral("invitation"), QStringLiteral("message-new-instant")},
        {QStringLiteral("connected"), QStringLiteral("service-login")},
        {QStringLiteral("disconnected"), QStringLiteral("service-logout")},
    };
    return events.value(name, name);
}
