#pragma once

class QWidget;

namespace quenlit {

class DownloadListModel;

// The program's windows as other windows reach them; the start window owns them.
class WindowHost {
public:
    virtual ~WindowHost() = default;
    virtual void showAbout(QWidget* over) = 0;
    virtual void showSearchWindow() = 0;
    // The download list, loading the download window (not shown) when it is not loaded.
    virtual DownloadListModel& downloadList() = 0;
    // Shows the download window when it is loaded; with restore, also from minimised.
    virtual void 显示下载窗口(bool restore) = 0;
    // Loads the download window when needed and shows it.
    virtual void openDownloadWindow() = 0;
    // The options dialog changed the download method.
    virtual void downloadMethodChanged(int method) = 0;
};

} // namespace quenlit
