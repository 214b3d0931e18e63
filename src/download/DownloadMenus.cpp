// The download window's menus, its right-click menu and the clicks on the list and the
// status bar: each item hands over to the list commands or the file and address tools.

#include "fFileDownload.h"

#include "AppContext.h"
#include "CacheViewer.h"
#include "DialogPrompts.h"
#include "DownloadScheduler.h"
#include "FileTools.h"
#include "Inet.h"
#include "ListCommands.h"
#include "MessageSink.h"
#include "ParallelEngine.h"
#include "Shell.h"
#include "SingleConnectionEngine.h"
#include "UrlReplace.h"
#include "WindowHost.h"
#include "fOption.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTreeView>

namespace quenlit {

namespace {
// Runs the action when the label is clicked.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> clicked)
        : QObject(parent)
        , m_clicked(std::move(clicked)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_clicked();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_clicked;
};

template <typename Context, typename Slot>
QAction* addItem(QMenu* menu, const QString& caption, const char* name, Context* context,
                 Slot slot) {
    QAction* action = menu->addAction(caption, context, slot);
    action->setObjectName(QString::fromUtf8(name));
    return action;
}
} // namespace

void fFileDownload::buildMenus() {
    m_prompts = std::make_unique<DialogPrompts>(this);
    const ListToolsEnvironment environment{
        m_list,
        *ListView3->selectionModel(),
        m_context.messages,
        *m_prompts,
        m_context.shell,
        [this] {
            return ListActivity{m_scheduler->schedulingOn(), m_single->Inet1().StillExecuting(),
                                m_parallel->loadedInstanceCount(), m_state.busy};
        }};
    m_commands = std::make_unique<ListCommands>(environment);
    m_tools = std::make_unique<FileTools>(environment);
    ListCommands* commands = m_commands.get();
    FileTools* tools = m_tools.get();

    listMenu = menuBar()->addMenu(u"列表操作(&D)"_qs);
    listMenu->setObjectName(u"menu列表操作"_qs);
    addItem(listMenu, u"全选"_qs, "menu全选", this, [commands] { commands->selectAll(); });
    addItem(listMenu, u"全不选"_qs, "menu全不选", this, [commands] { commands->selectNone(); });
    addItem(listMenu, u"随机排序列表(打乱)"_qs, "menu随机排序", this,
            [commands] { commands->shuffle(); });
    addItem(listMenu, u"自动调整列宽"_qs, "menu自动调整列宽", this, [this] { autoSizeColumns(); });
    listMenu->addSeparator();

    QMenu* again = listMenu->addMenu(u"重新下载"_qs);
    again->menuAction()->setObjectName(u"menu重新下载"_qs);
    addItem(again, u"选中项"_qs, "menu重新下载选中项", this,
            [commands] { commands->requeueSelected(); });
    addItem(again, u"出错项"_qs, "menu重新下载出错项", this,
            [commands] { commands->requeueFailed(); });
    addItem(again, u"网页类型文件(HTM/HTML/xml)项"_qs, "menu重新下载网页项", this,
            [commands] { commands->requeueWeb(); });
    addItem(again, u"重新下载出错项和网页类型文件项"_qs, "menu重新下载出错和网页项", this,
            [commands] { commands->requeueFailedAndWeb(); });
    addItem(again, u"文件大小小于指定数字的项"_qs, "menu重新下载小文件", this,
            [commands] { commands->requeueSmallerThan(); });

    QMenu* remove = listMenu->addMenu(u"移除(不删除文件)"_qs);
    remove->menuAction()->setObjectName(u"menu移除"_qs);
    addItem(remove, u"选中项"_qs, "menu移除选中项", this,
            [commands] { commands->removeSelected(); });
    addItem(remove, u"完成项"_qs, "menu移除完成项", this,
            [commands] { commands->removeFinished(); });
    addItem(remove, u"未完成项"_qs, "menu移除未完成项", this,
            [commands] { commands->removeUnfinished(); });
    addItem(remove, u"全部出错项"_qs, "menu移除出错项", this,
            [commands] { commands->removeFailed(); });
    remove->addSeparator();
    addItem(remove, u"清空全部"_qs, "menu清空全部", this, [commands] { commands->clearAll(); });

    QMenu* erase = listMenu->addMenu(u"删除文件(不移除)"_qs);
    erase->menuAction()->setObjectName(u"menu删除文件"_qs);
    addItem(erase, u"网页类型文件(HTM/HTML/xml)项"_qs, "menu删除网页项", this,
            [commands] { commands->deleteWebFiles(); });
    addItem(erase, u"出错项"_qs, "menu删除出错项", this,
            [commands] { commands->deleteFailedFiles(); });
    addItem(erase, u"选中项"_qs, "menu删除选中项", this,
            [commands] { commands->deleteSelectedFiles(); });
    addItem(erase, u"文件大小小于指定数的"_qs, "menu删除小文件", this,
            [commands] { commands->deleteSmallerThan(); });
    listMenu->addSeparator();

    menu下载全部 = addItem(listMenu, u"开始下载"_qs, "menu下载全部", m_scheduler.get(),
                           &DownloadScheduler::start);
    menu停止下载 = addItem(listMenu, u"停止下载"_qs, "menu停止下载", m_scheduler.get(),
                           &DownloadScheduler::stop);
    addItem(listMenu, u"取消下载选中项"_qs, "menu取消下载选中项", this,
            [commands] { commands->cancelSelected(); });
    listMenu->addSeparator();

    addItem(listMenu, u"打开下载文件"_qs, "menu打开下载文件", this,
            [tools] { tools->openDownloadedFile(); });
    addItem(listMenu, u"打开所在文件夹"_qs, "menu打开所在文件夹", this,
            [tools] { tools->openContainingFolder(); });
    addItem(listMenu, u"用记事本打开文件"_qs, "menu用记事本打开文件", this,
            [tools] { tools->openInTextEditor(); });
    addItem(listMenu, u"复制名称"_qs, "menu复制名称", this, [tools] {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(tools->selectedName());
    });
    addItem(listMenu, u"批量替换网址"_qs, "menu批量替换网址", this, [this, tools] {
        UrlReplace dialog(*tools, m_context.messages, this);
        dialog.exec();
    });
    addItem(listMenu, u"打开网址"_qs, "menu打开网址", this, [this, tools] {
        const QString address = tools->selectedAddress();
        if (!address.isEmpty())
            m_context.shell.OpenInBrowser(address);
    });
    QMenu* names = listMenu->addMenu(u"导出名称"_qs);
    names->menuAction()->setObjectName(u"menu导出名称"_qs);
    addItem(names, u"全部"_qs, "menu导出全部名称", this, [tools] { tools->exportNames(false); });
    addItem(names, u"未完成项"_qs, "menu导出未完成项名称", this,
            [tools] { tools->exportNames(true); });
    listMenu->addSeparator();
    addItem(listMenu, u"关闭本下载窗口"_qs, "menu关闭本下载窗口", this, [this] { close(); });

    QMenu* windowMenu = menuBar()->addMenu(u"窗口(&W)"_qs);
    windowMenu->addAction(u"资料检索分析窗口"_qs, this, [this] {
        if (m_context.windows)
            m_context.windows->showSearchWindow();
    });
    QMenu* toolsMenu = menuBar()->addMenu(u"工具(&T)"_qs);
    toolsMenu->addAction(u"设置"_qs, this, [this] {
        fOption options(m_context, this);
        options.exec();
    });
    QAction* follow = toolsMenu->addAction(u"自动定位到下载项"_qs);
    follow->setObjectName(u"menu自动定位到下载项"_qs);
    follow->setCheckable(true);
    connect(follow, &QAction::toggled, this, [this](bool on) { m_state.follow = on; });
    toolsMenu->addAction(u"清空IE浏览器缓存"_qs, this, [this] {
        ClearBrowserCache(m_context.browserCacheFolder, m_context.messages, true);
    });
    toolsMenu->addSeparator();
    addItem(toolsMenu, u"检查文件是否存在"_qs, "menu检查文件是否存在", this,
            [commands] { commands->checkFilesExist(); });
    addItem(toolsMenu, u"检查并纠正磁盘文件类型"_qs, "menu检查并纠正磁盘文件类型", this,
            [commands] { commands->correctFileTypes(); });
    addItem(toolsMenu, u"打开文件判断类型"_qs, "menu打开文件判断类型", this,
            [commands] { commands->detectFileType(); });
    QMenu* help = menuBar()->addMenu(u"帮助(&H)"_qs);
    help->addAction(u"关于"_qs, this, [this] {
        if (m_context.windows)
            m_context.windows->showAbout(this);
    });

    // The list's own clicks.
    ListView3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView3->header()->setSectionsClickable(true);
    connect(ListView3->header(), &QHeaderView::sectionClicked, this,
            [commands](int column) { commands->sortByColumn(column); });
    connect(ListView3, &QAbstractItemView::doubleClicked, this,
            [commands](const QModelIndex& index) { commands->activateRow(index.row() + 1); });
    connect(ListView3, &QAbstractItemView::clicked, this, [this, tools](const QModelIndex& index) {
        const int position = index.row() + 1;
        const QString key = position <= m_list.count() ? m_list.row(position).key : QString();
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(key);
        statusPanels[1]->setText(tools->clickedRowText(position));
    });
    ListView3->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView3, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        popUpListMenu(ListView3->viewport()->mapToGlobal(point));
    });
    statusPanels[1]->setObjectName(u"StatusPanel2"_qs);
    statusPanels[1]->installEventFilter(new ClickFilter(statusPanels[1], [this] {
        const QString text = statusPanels[1]->text();
        if (!text.isEmpty())
            m_context.shell.OpenInBrowser(text);
    }));
}

void fFileDownload::popUpListMenu(const QPoint& globalPosition) {
    const bool running = m_scheduler->schedulingOn() || m_state.busy;
    for (const char* name : {"menu移除", "menu清空全部", "menu全选"}) {
        if (auto* action = findChild<QAction*>(QString::fromUtf8(name)))
            action->setEnabled(!running);
    }
    menu停止下载->setEnabled(running);
    // Shown without waiting: the ticks go on while it is open.
    listMenu->popup(globalPosition);
}

void fFileDownload::autoSizeColumns() {
    for (int column = 0; column < m_list.columnCount(); ++column)
        ListView3->resizeColumnToContents(column);
    QPalette bands = ListView3->palette();
    bands.setColor(QPalette::Base, Qt::white);
    bands.setColor(QPalette::AlternateBase, QColor(231, 248, 237));
    ListView3->setPalette(bands);
    ListView3->setAlternatingRowColors(true);
}

} // namespace quenlit
