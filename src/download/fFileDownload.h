#pragma once

#include "DownloadList.h"
#include "DownloadListModel.h"

#include <QMainWindow>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QTreeView;

namespace quenlit {

class ClockTimer;
struct AppContext;

// The download window: the download list and its state.
class fFileDownload : public QMainWindow {
    Q_OBJECT
public:
    explicit fFileDownload(AppContext& context, QWidget* parent = nullptr);
    ~fFileDownload() override;

    DownloadListModel& list() { return m_list; }
    DownloadWindowState& state() { return m_state; }
    // The duplicate-name policy of the selected option button.
    QString duplicateNamePolicy() const;
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
    QLabel* statusPanels[4];

signals:
    // The window has been unloaded.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The row count ("N条") and the status counters; run once a second when the list has
    // changed, and when the window becomes active.
    void refreshCounters();
    void refreshRowCount();
    void savePlacement();

    AppContext& m_context;
    DownloadListModel m_list;
    DownloadWindowState m_state;
    bool m_placed = false;
    ClockTimer* m_countersTick;
    bool m_countersStale = true;
};

} // namespace quenlit
