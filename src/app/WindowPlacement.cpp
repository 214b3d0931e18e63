#include "WindowPlacement.h"

#include "Settings.h"

#include <QSize>

namespace quenlit {

QString ScreenSizeText(const QSize& screenPixels) {
    return QStringLiteral("%1*%2").arg(screenPixels.width()).arg(screenPixels.height());
}

Placement RestoreDownloadWindowPlacement(const SettingsStore& store, const QString& screenSize) {
    using namespace settings;
    Placement placement;
    if (ReadText(store, ScreenSize) != screenSize) {
        placement.maximised = true;
        return placement;
    }
    placement.top = qMax(0, ReadInt32(store, WindowTop));
    placement.left = qMax(0, ReadInt32(store, WindowLeft));
    placement.width = qMax(4000, ReadInt32(store, WindowWidth));
    placement.height = qMax(3000, ReadInt32(store, WindowHeight));
    return placement;
}

void SaveDownloadWindowPlacement(SettingsStore& store, const Placement& placement,
                                 const QString& screenSize) {
    using namespace settings;
    if (placement.maximised) {
        Save(store, ScreenSize, u"0*0"_qs);
        return;
    }
    Save(store, ScreenSize, screenSize);
    Save(store, WindowTop, placement.top);
    Save(store, WindowLeft, placement.left);
    Save(store, WindowWidth, placement.width);
    Save(store, WindowHeight, placement.height);
}

} // namespace quenlit
