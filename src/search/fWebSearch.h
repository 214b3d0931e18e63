#pragma once

#include "CacheViewer.h"
#include "QueryBuilder.h"
#include "ResultHandOff.h"
#include "ResultListModel.h"
#include "SearchForm.h"
#include "SettingKeys.h"

#include <QMainWindow>
#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;
class QTreeView;

namespace quenlit {

struct AppContext;
class BatchSearch;
class Browser;
class ClockTimer;

// The search window: keyword groups, the embedded browser, the results list.
class fWebSearch : public QMainWindow, private SearchForm, private HandOffTarget {
    Q_OBJECT
public:
    explicit fWebSearch(AppContext& context, QWidget* parent = nullptr);
    ~fWebSearch() override;

    Browser& browser() { return *m_browser; }
    BatchSearch& batch() { return *m_batch; }
    ResultListModel& results() { return m_results; }
    ResultHandOff& handOff() { return *m_handOff; }

    QPlainTextEdit* Text1;
    QCheckBox* Check6;
    std::array<QCheckBox*, 5> typeBoxes;      // Check3, Check8, Check9, Check10, Check11
    std::array<QRadioButton*, 5> timeOptions; // Option1 to Option5
    QComboBox* Combo1;
    QCheckBox* Check1;
    QCheckBox* Check2;
    QCheckBox* Check4;
    QCheckBox* Check5;
    QCheckBox* Check7;
    QCheckBox* Check12;
    QCheckBox* Check13;
    QCheckBox* Check14;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command7;
    QTextEdit* Text2;
    QTreeView* ListView1;
    QLabel* Label1;
    QFrame* PicPanPrograss;
    QLabel* Label11;
    QPushButton* Command5;
    QLabel* statusPanel;
    QMenu* menuHandOff; // "加入", shown only as a pop-up
    QMenu* menuClear;   // "清除(&C)"
    ClockTimer* Timer1;
    ClockTimer* Timer2; // counts towards the automatic cache clearing
    double cacheTicks() const { return m_cacheClearing.CacheTicks; }

signals:
    // The window has been unloaded.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // SearchForm
    QString keywordText() const override;
    bool wholePhrase() const override;
    TimeRange timeRange() const override;
    bool typeTicked(DocumentType type) const override;
    QString pauseText() const override;
    TitleOptions titleOptions() const override;
    QCoro::Task<> askSaveFolder(WorkScope& scope) override;
    bool automaticHandOffOn() const override;
    void clearProgress() override;
    void appendProgress(const QString& text) override;
    void resultsChanged() override;
    void sizeResultColumns() override;
    // HandOffTarget
    DownloadListModel& downloadList() override;
    void 显示下载窗口(bool restore) override;

    QWidget* buildControls();
    void buildMenus();
    // The option boxes the window saves, with their keys.
    std::array<std::pair<QCheckBox*, const settings::Key*>, 6> savedBoxes() const;
    void restoreSettings();
    void saveSettings();
    void handOffFromButton();
    void startHandOff(HandOffRule rule);
    QSet<int> selectedPositions() const;
    void selectPositions(const QList<int>& positions);
    // Runs a removal command unless a hand-off is under way.
    void removeRows(const std::function<void()>& removal);
    void savePageSource();
    void exportResults();
    // One tick of Timer2: every 60th clears the browser cache when Check12 is ticked.
    void countCacheTick();

    AppContext& m_context;
    SearchHosts m_hosts;
    ResultListModel m_results;
    Browser* m_browser = nullptr;
    BatchSearch* m_batch = nullptr;
    ResultHandOff* m_handOff = nullptr;
    QString m_buttonStyle;
    CacheClearingCount m_cacheClearing;
};

} // namespace quenlit
