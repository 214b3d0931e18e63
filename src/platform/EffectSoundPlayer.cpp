#include "EffectSoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>

namespace quenlit {

EffectSoundPlayer::EffectSoundPlayer(QObject* parent)
    : QObject(parent)
    , m_effect(new QSoundEffect(this)) {}

void EffectSoundPlayer::play(const QString& path) {
    m_effect->stop();
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}

} // namespace quenlit
