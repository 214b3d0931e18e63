#pragma once

#include <QString>

namespace quenlit {

// Plays a sound file without waiting for it.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& path) = 0;
};

} // namespace quenlit
