#ifndef CANBERRASOUNDPLAYER_H
#define CANBERRASOUNDPLAYER_H

#include "soundplayer.h"

#include <memory>

class CanberraSoundPlayerPrivate;

// Sounds from the freedesktop sound theme through libcanberra. The application's names map to
// theme events: "welcome" -> "service-login", "invitation" -> "message-new-instant",
// "connected" -> "service-login", "disconnected" -> "service-logout"; any other name is played
// as the event id it is. The context is opened on the first play; when there is no sound
// device, that is logged once and later plays do nothing.
class CanberraSoundPlayer : public SoundPlayer
{
public:
    // applicationName and applicationId are given to the sound server for its mixer.
    CanberraSoundPlayer(const QString &applicationName, const QString &applicationId);
    ~CanberraSoundPlayer() override;

    void play(const QString &name) override;

    // The theme event a name maps to.
    static QString eventId(const QString &name);

private:
    std::unique_ptr<CanberraSoundPlayerPrivate> d;
};

#endif // CANBERRASOUNDPLAYER_H
