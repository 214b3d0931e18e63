#pragma once

#include "SoundPlayer.h"

#include <QObject>

class QSoundEffect;

namespace quenlit {

// Plays prompts through Qt Multimedia; without a sound device it stays silent.
class EffectSoundPlayer final : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    explicit EffectSoundPlayer(QObject* parent = nullptr);
    void play(const QString& path) override;

private:
    QSoundEffect* m_effect;
};

} // namespace quenlit
