#ifndef RECORDINGSOUNDPLAYER_H
#define RECORDINGSOUNDPLAYER_H

#include "soundplayer.h"

#include <QStringList>

// Test double of SoundPlayer: records the names played, in order.
class RecordingSoundPlayer : public SoundPlayer
{
public:
    void play(const QString &name) override { m_played.append(name); }
    QStringList played() const { return m_played; }
    void clear() { m_played.clear(); }

private:
    QStringList m_played;
};

#endif // RECORDINGSOUNDPLAYER_H
