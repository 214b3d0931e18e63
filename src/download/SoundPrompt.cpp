#include "SoundPrompt.h"

#include "FileNames.h"
#include "WholeFile.h"

#include <QFile>

namespace quenlit {

void PlaySoundPrompt(SoundPlayer& player, const QString& dataFolder, SoundPrompt prompt) {
    const QString number = QString::number(int(prompt));
    const QString path = dataFolder + u'/' + number + u".wav"_qs;
    if (!FileExists(path)) {
        QFile resource(u":/sounds/"_qs + number + u".wav"_qs);
        if (!resource.open(QIODevice::ReadOnly) ||
            !WriteWholeFile(path, resource.readAll()).isEmpty())
            return;
    }
    player.play(path);
}

} // namespace quenlit
