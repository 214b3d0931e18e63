#pragma once

#include "WindowHost.h"
#include "fFileDownload.h"
#include "fWebSearch.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quenlit {

struct AppContext;
class ClockTimer;
class VersionNotice;

// The start window: prepares the process-wide values, offers the search window and the
// way out, and carries the new-version notice.
class fCover : public QWidget, public WindowHost {
    Q_OBJECT
public:
    explicit fCover(AppContext& context, QWidget* parent = nullptr);
    ~fCover() override;

    // Shows the window and runs the rest of start-up once it has painted.
    void start();
    fWebSearch* searchWindow() const { return m_searchWindow; }
    fFileDownload* downloadWindow() const { return m_downloadWindow; }

    // WindowHost
    void showAbout(QWidget* over) override;
    void showSearchWindow() override;
    DownloadListModel& downloadList() override;
    void 显示下载窗口(bool restore) override;
    void openDownloadWindow() override;
    void downloadMethodChanged(int method) override;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Image1;
    QPushButton* Command1;
    QPushButton* Command3;
    ClockTimer* Timer1;

signals:
    void startupFinished();
    void programEnd();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishStartup();
    fFileDownload& loadDownloadWindow();
    void layOut();

    AppContext& m_context;
    VersionNotice* m_notice;
    QPointer<fWebSearch> m_searchWindow;
    QPointer<fFileDownload> m_downloadWindow;
};

} // namespace quenlit
