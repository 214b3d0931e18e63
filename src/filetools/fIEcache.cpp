#include "fIEcache.h"

#include "AppContext.h"
#include "CopyFilesTool.h"
#include "Form_Copy_Move.h"
#include "ObjectNames.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quenlit {

fIEcache::fIEcache(AppContext& context, QWidget* parent)
    : QDialog(parent)
    , ListView1(new QTableView(this))
    , ListView2(new QTreeWidget(this))
    , ListView3(new QTreeWidget(this))
    , Label1(new QLabel(this))
    , Command1(new QPushButton(u"查看我的缓存"_qs, this))
    , Command7(new QPushButton(u"查看所有用户缓存"_qs, this))
    , Command2(new QPushButton(u"删除所选文件"_qs, this))
    , Command3(new QPushButton(u"全部删除"_qs, this))
    , Command6(new QPushButton(u"复制选中..."_qs, this))
    , Command4(new QPushButton(u"关闭"_qs, this))
    , m_context(context)
    , m_store(std::make_unique<DiskCacheFolder>(context.browserCacheFolder))
    , m_viewer(*m_store, CacheLayoutFor(context.browserCacheFolder, QDir::homePath())) {
    setObjectName(u"fIEcache"_qs);
    setWindowTitle(u"IE浏览器Cookie 缓存和历史列表-Quenlit"_qs);
    setModal(true);
    resize(980, 640);

    ListView1->setModel(&m_viewer.entries);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
    ListView1->horizontalHeader()->setSectionsClickable(true);
    // Columns fit their contents; a long path scrolls rather than being cut.
    ListView1->horizontalHeader()->setStretchLastSection(false);
    ListView1->setWordWrap(false);
    connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_viewer.entries.clickColumn(column); });

    ListView2->setHeaderLabels({u"用户名"_qs, u"文件夹"_qs});
    ListView2->setRootIsDecorated(false);
    ListView3->setHeaderLabels({u"文件夹"_qs});
    ListView3->setRootIsDecorated(false);

    auto* folders = new QSplitter(Qt::Horizontal, this);
    folders->addWidget(ListView2);
    folders->addWidget(ListView3);
    auto* lists = new QSplitter(Qt::Vertical, this);
    lists->addWidget(ListView1);
    lists->addWidget(folders);
    lists->setStretchFactor(0, 3);
    lists->setStretchFactor(1, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {Command1, Command7, Command2, Command3, Command6})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(Command4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lists, 1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    NameObjects({{ListView1, "ListView1"},
                 {ListView2, "ListView2"},
                 {ListView3, "ListView3"},
                 {Label1, "Label1"},
                 {Command1, "Command1"},
                 {Command7, "Command7"},
                 {Command2, "Command2"},
                 {Command3, "Command3"},
                 {Command6, "Command6"},
                 {Command4, "Command4"}});

    connect(Command1, &QPushButton::clicked, this, [this] {
        m_viewer.listMine();
        showLists();
    });
    connect(Command7, &QPushButton::clicked, this, [this] {
        m_viewer.listAllUsers();
        showLists();
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        m_viewer.deleteRows(selectedRows());
        showLists();
    });
    connect(Command3, &QPushButton::clicked, this, [this] {
        m_viewer.deleteAll();
        showLists();
    });
    connect(Command6, &QPushButton::clicked, this, &fIEcache::copySelected);
    connect(Command4, &QPushButton::clicked, this, &QDialog::close);
}

fIEcache::~fIEcache() = default;

void fIEcache::open(AppContext& context, QWidget* parent) {
    fIEcache window(context, parent);
    window.exec();
}

QList<int> fIEcache::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void fIEcache::showLists() {
    Label1->setText(m_viewer.label());
    ListView1->resizeColumnsToContents();
    ListView2->clear();
    for (const UserCacheFolder& user : std::as_const(m_viewer.userFolders))
        ListView2->addTopLevelItem(new QTreeWidgetItem(QStringList{user.user, user.folder}));
    ListView3->clear();
    if (m_viewer.mode() == CacheViewer::AllCaches)
        for (const QString& folder : std::as_const(m_viewer.cacheSubfolders))
            ListView3->addTopLevelItem(new QTreeWidgetItem(QStringList{folder}));
    for (QTreeWidget* list : {ListView2, ListView3})
        for (int column = 0; column < list->columnCount(); ++column)
            list->resizeColumnToContents(column);
}

void fIEcache::copySelected() {
    const QStringList files = m_viewer.filesOf(selectedRows());
    Form_Copy_Move window(m_context, this);
    window.tool().文件全路径集合 = files;
    window.setWindowTitle(u"复制文件："_qs + QString::number(files.size()) + u" 个文件..."_qs);
    window.exec();
}

} // namespace quenlit
