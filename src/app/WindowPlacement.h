#pragma once

#include <QString>

class QSize;

namespace quenlit {

class SettingsStore;

inline constexpr int TwipsPerPixel = 15;

// A window's place in twips.
struct Placement {
    bool maximised = false;
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
};

// "1920*1080": the screen's width and height in pixels.
QString ScreenSizeText(const QSize& screenPixels);

// The download window's placement when it loads: maximised unless it was last closed in
// its normal state on a screen of the same size; then the stored place, kept on screen
// and not smaller than 4000 by 3000 twips.
Placement RestoreDownloadWindowPlacement(const SettingsStore& store, const QString& screenSize);
// Remembers the place when the window closes; a maximised window keeps the old place.
void SaveDownloadWindowPlacement(SettingsStore& store, const Placement& placement,
                                 const QString& screenSize);

} // namespace quenlit
