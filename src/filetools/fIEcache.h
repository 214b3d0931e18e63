#pragma once

#include "CacheViewer.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class QTreeWidget;

namespace quenlit {

struct AppContext;

// The cache viewer: the entries of the program's browser cache or the files of every
// user's cache, to delete or to copy into a folder.
class fIEcache : public QDialog {
    Q_OBJECT
public:
    explicit fIEcache(AppContext& context, QWidget* parent = nullptr);
    ~fIEcache() override;

    // Opens the viewer modally.
    static void open(AppContext& context, QWidget* parent);

    CacheViewer& viewer() { return m_viewer; }
    // The selected rows of the entry list, 0-based, in list order.
    QList<int> selectedRows() const;

    QTableView* ListView1;
    QTreeWidget* ListView2;
    QTreeWidget* ListView3;
    QLabel* Label1;
    QPushButton* Command1;
    QPushButton* Command7;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command6;
    QPushButton* Command4;

private:
    void showLists();
    void copySelected();

    AppContext& m_context;
    std::unique_ptr<DiskCacheFolder> m_store;
    CacheViewer m_viewer;
};

} // namespace quenlit
