#ifndef SOUNDPLAYER_H
#define SOUNDPLAYER_H

#include <QString>

// Plays the application's named sounds: "welcome" (signed in), "invitation" (new chat news),
// "connected" and "disconnected" (a contact's presence). Playing never blocks and never fails
// loudly: a desktop without sound just stays silent.
// Implementations: CanberraSoundPlayer (the desktop's sound theme), RecordingSoundPlayer (tests).
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &name) = 0;
};

#endif // SOUNDPLAYER_H
