#include "SoundPrompt.h"

#include "FileNames.h"

#include <QFile>
#include <QSaveFile>

namespace quenlit {

void PlaySoundPrompt(SoundPlayer& player, const QString& dataFolder, SoundPrompt prompt) {
    const QString number = QString::number(int(prompt));
    const QString path = dataFolder + u'/' + number + u".wav"_qs;
    if (!FileExists(path)) {
        QFile resource(u":/sounds/"_qs + number + u".wav"_qs);
        QSaveFile file(path);
        if (!resource.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly))
            return;
        file.write(resource.readAll());
        if (!file.commit())
            return;
    }
    player.play(path);
}

} // namespace quenlit
