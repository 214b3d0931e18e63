#pragma once

#include "DownloadEnvironment.h"
#include "DownloadList.h"
#include "DownloadListKeeper.h"
#include "DownloadListModel.h"

#include <memory>

#include <QMainWindow>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLayout;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace quenlit {

class DialogPrompts;
class DownloadScheduler;
class DownloadSpeeds;
class FileTools;
class LoginPanel;
class ListCommands;
class ParallelEngine;
class SingleConnectionEngine;
struct AppContext;

// The download window: the download list, its state and the engines that work it.
class fFileDownload : public QMainWindow, private DownloadView {
    Q_OBJECT
public:
    explicit fFileDownload(AppContext& context, QWidget* parent = nullptr);
    ~fFileDownload() override;

    DownloadListModel& list() { return m_list; }
    DownloadWindowState& state() { return m_state; }
    // The duplicate-name policy of the selected option button.
    QString duplicateNamePolicy() const override;
    void setDownloadMethod(int method);
    // The method changed while the window is open: the thread count starts again at "1".
    void switchDownloadMethod(int method);
    // Restores the saved place and shows the window.
    void showRestored();

    QTreeView* ListView3;
    QLabel* Label1;
    QLabel* Label7;
    QComboBox* Combo1;
    QLabel* Label8;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QCheckBox* Check6;
    // Panels 2 to 4 as the download side uses them; the fifth shows the total speed.
    QLabel* statusPanels[5];
    QPushButton* Command4;  // "开始下载"
    QPushButton* Command31; // "停止下载"
    QPushButton* Command26; // "切换"
    QComboBox* Combo2;      // pause between two downloads
    QCheckBox* Check4;      // automatic start
    QCheckBox* Check3;      // automatic re-download
    QComboBox* Combo4;      // what is downloaded again
    QCheckBox* Check5;      // the stop rule
    QFrame* Shape1;         // shown while downloads are scheduled
    QAction* menu下载全部;
    QAction* menu停止下载;
    QMenu* listMenu;       // "列表操作(&D)", also the list's right-click menu
    QPushButton* Command1; // "网页登录"
    LoginPanel* PicWebBK;  // the web login panel

    // The list commands and the file and address tools the menus run.
    ListCommands& commands() { return *m_commands; }
    FileTools& tools() { return *m_tools; }
    // "自动调整列宽"
    void autoSizeColumns();
    // The right mouse button on the list: the menu enabled for what runs, then shown.
    void popUpListMenu(const QPoint& globalPosition);

    DownloadScheduler& scheduler() { return *m_scheduler; }
    SingleConnectionEngine& singleEngine() { return *m_single; }
    ParallelEngine& parallelEngine() { return *m_parallel; }

signals:
    // The window has been unloaded.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What the engines show and read here.
    void setStatusPanel(int panel, const QString& text) override;
    void scrollToRow(int position) override;
    bool soundPromptTicked() const override;
    bool autoLoginTicked() const override;
    void playPrompt(SoundPrompt prompt) override;
    void autoLogin() override;
    bool loginRunning() const override;

    QLayout* buildControls();
    // The menus and the list's clicks (DownloadMenus.cpp).
    void buildMenus();
    void syncSchedulerControls();
    // Something is still running or waiting: closing asks first.
    bool workPending() const;

    // The row count ("N条") and the status counters; run by the supervision tick when the
    // list has changed, and when the window becomes active.
    void refreshCounters();
    void refreshRowCount();
    void savePlacement();
    // Removes the temporary files kept for resuming whose rows are not in the list.
    void removeStaleTemporaryFiles();

    AppContext& m_context;
    DownloadListModel m_list;
    DownloadListKeeper m_keeper;
    DownloadWindowState m_state;
    bool m_placed = false;
    bool m_countersStale = true;
    DownloadEnvironment m_environment;
    std::unique_ptr<SingleConnectionEngine> m_single;
    std::unique_ptr<ParallelEngine> m_parallel;
    std::unique_ptr<DownloadScheduler> m_scheduler;
    std::unique_ptr<DownloadSpeeds> m_speeds;
    std::unique_ptr<DialogPrompts> m_prompts;
    std::unique_ptr<ListCommands> m_commands;
    std::unique_ptr<FileTools> m_tools;
};

} // namespace quenlit
