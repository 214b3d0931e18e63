#include "fWebSearch.h"

#include "AppContext.h"
#include "BatchSearch.h"
#include "Browser.h"
#include "ClockTimer.h"
#include "HtmlDocument.h"
#include "MessageSink.h"
#include "ResultCommands.h"
#include "Settings.h"
#include "WholeFile.h"
#include "WindowHost.h"
#include "fIEcache.h"
#include "fOption.h"
#include "fSeleFileSavePath.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

namespace quenlit {

namespace {
const QString RunningStyle = QStringLiteral("background-color: rgb(255, 0, 0); color: white;");

QCheckBox* box(const QString& caption, const char* name, bool ticked, QWidget* parent) {
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(QString::fromLatin1(name));
    check->setChecked(ticked);
    return check;
}

QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(QString::fromLatin1(name));
    return push;
}
} // namespace

fWebSearch::fWebSearch(AppContext& context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_hosts{settings::ReadText(context.settings, settings::SearchHostChina),
              settings::ReadText(context.settings, settings::SearchHostGlobal)} {
    setObjectName(u"fWebSearch"_qs);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"必应页面数据检索分析-Quenlit"_qs);
    setWindowIcon(QIcon(u":/images/quenlit.png"_qs));
    context.forms.formLoaded(objectName());
    context.live.loadSearchWindowValues(context.settings);

    Timer1 = new ClockTimer(context.clock, 1000, this);
    Timer2 = new ClockTimer(context.clock, 1000, this);
    Timer2->setObjectName(u"Timer2"_qs);
    connect(Timer2, &ClockTimer::timeout, this, &fWebSearch::countCacheTick);
    Timer2->start();
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(buildControls());

    auto* right = new QSplitter(Qt::Vertical, splitter);
    auto* browserHolder = new QWidget(right);
    auto* holderLayout = new QVBoxLayout(browserHolder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    m_browser = context.createBrowser(browserHolder);
    m_browser->setParent(this);

    auto* listPanel = new QWidget(right);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* listTitle = new QHBoxLayout;
    listTitle->addWidget(new QLabel(u"待下载列表："_qs, listPanel));
    Label1 = new QLabel(u"0"_qs, listPanel);
    Label1->setObjectName(u"Label1"_qs);
    listTitle->addWidget(Label1);
    listTitle->addStretch();
    listLayout->addLayout(listTitle);
    ListView1 = new QTreeView(listPanel);
    ListView1->setObjectName(u"ListView1"_qs);
    ListView1->setModel(&m_results);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAlternatingRowColors(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->setColumnWidth(ResultListModel::TitleColumn, 420);
    listLayout->addWidget(ListView1);
    right->addWidget(browserHolder);
    right->addWidget(listPanel);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);
    right->setSizes({480, 300});
    browserHolder->setMinimumHeight(200);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    // The hand-off progress panel, shown in front while rows are handed over.
    PicPanPrograss = new QFrame(this);
    PicPanPrograss->setObjectName(u"PicPanPrograss"_qs);
    PicPanPrograss->setFrameShape(QFrame::Box);
    PicPanPrograss->setStyleSheet(u"QFrame#PicPanPrograss { background: #fffbe6; }"_qs);
    auto* panelLayout = new QHBoxLayout(PicPanPrograss);
    Label11 = new QLabel(u"正在分析,请稍候..."_qs, PicPanPrograss);
    Label11->setObjectName(u"Label11"_qs);
    Command5 = button(u"停止"_qs, "Command5", PicPanPrograss);
    panelLayout->addWidget(Label11);
    panelLayout->addWidget(Command5);
    PicPanPrograss->hide();

    statusPanel = new QLabel(this);
    statusBar()->addWidget(statusPanel, 1);

    m_batch = new BatchSearch(*m_browser, context.clock, *this, m_results, context.live, m_hosts,
                              context.messages, this);
    m_handOff = new ResultHandOff(context.clock, m_results, context.live, *this, this);
    buildMenus();

    connect(m_browser, &Browser::StatusTextChange, statusPanel, &QLabel::setText);
    connect(m_browser, &Browser::BeforeNavigate2, this, [this] { statusBar()->show(); });
    connect(Command1, &QPushButton::clicked, m_batch, &BatchSearch::RunBatchSearch);
    connect(Command4, &QPushButton::clicked, m_batch, &BatchSearch::WalkAllPages);
    connect(m_batch, &BatchSearch::batchRunningChanged, this, [this](bool running) {
        Command1->setText(running ? u"停止批量搜索"_qs : u"开始批量搜索提取"_qs);
        Command1->setStyleSheet(running ? RunningStyle : m_buttonStyle);
    });
    connect(m_batch, &BatchSearch::walkRunningChanged, this, [this](bool running) {
        Command4->setText(running ? u"停止加入全部"_qs : u"加入全部到列表"_qs);
        Command4->setStyleSheet(running ? RunningStyle : m_buttonStyle);
    });
    connect(m_batch, &BatchSearch::batchButtonEnabledChanged, Command1, &QWidget::setEnabled);
    connect(m_batch, &BatchSearch::walkButtonEnabledChanged, Command4, &QWidget::setEnabled);
    connect(Command3, &QPushButton::clicked, this, [this] {
        QString folder;
        if (m_context.live.SaveFolderPromptFlag == 1) {
            fSeleFileSavePath::ask(m_context, this);
            folder = m_context.live.DownloadFolder;
        }
        m_batch->HarvestCurrentPage(folder);
    });
    connect(Command2, &QPushButton::clicked, this, &fWebSearch::handOffFromButton);
    connect(Command7, &QPushButton::clicked, this, &fWebSearch::exportResults);
    connect(Command5, &QPushButton::clicked, m_handOff, &ResultHandOff::stop);
    connect(m_handOff, &ResultHandOff::busyChanged, this, [this](bool busy) {
        if (busy) {
            PicPanPrograss->adjustSize();
            PicPanPrograss->move((width() - PicPanPrograss->width()) / 2, height() / 2);
            PicPanPrograss->raise();
        }
        PicPanPrograss->setVisible(busy);
        if (!busy)
            Command2->setEnabled(true);
    });
    connect(Check5, &QCheckBox::toggled, m_browser, &Browser::setSilent);
    connect(Check13, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            Check14->setChecked(false);
    });
    connect(Check14, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            Check13->setChecked(false);
    });
    connect(Check7, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            Timer1->stop();
            return;
        }
        if (m_context.live.SaveFolderPromptFlag == 1)
            m_context.live.SaveFolderCancelled = false;
        else
            fSeleFileSavePath::ask(m_context, this);
        if (m_context.live.SaveFolderCancelled) {
            Timer1->stop();
            Check7->setChecked(false);
        } else {
            Timer1->start();
        }
    });
    connect(Timer1, &ClockTimer::timeout, this,
            [this] { m_handOff->HandOff(HandOffRule::NewRows); });
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menuClear->popup(ListView1->viewport()->mapToGlobal(at)); });

    resize(1280, 820);
    m_browser->setSilent(true);
    m_browser->Navigate(u"about:blank"_qs);
    m_browser->Navigate(BuildStartPageAddress(SearchScope(context.live.SearchScope), m_hosts));
    restoreSettings();
}

fWebSearch::~fWebSearch() {
    // Ended while the controls they update still exist.
    m_batch->stopAll();
    m_handOff->stop();
    m_context.forms.formUnloaded(objectName());
}

QWidget* fWebSearch::buildControls() {
    auto* panel = new QWidget(this);
    panel->setFixedWidth(400);
    auto* layout = new QVBoxLayout(panel);

    layout->addWidget(new QLabel(u"每行一组关键词："_qs, panel));
    Text1 = new QPlainTextEdit(panel);
    Text1->setObjectName(u"Text1"_qs);
    layout->addWidget(Text1, 2);
    Check6 = box(u"每一组关键词作为完整关键词搜索"_qs, "Check6", false, panel);
    layout->addWidget(Check6);

    auto* frame = new QGroupBox(u"自动提取文档链接"_qs, panel);
    auto* frameLayout = new QVBoxLayout(frame);
    auto* types = new QHBoxLayout;
    types->addWidget(new QLabel(u"文件类型："_qs, frame));
    const std::array<std::pair<const char*, const char*>, 5> typeNames{{{"pdf", "Check3"},
                                                                        {"doc", "Check8"},
                                                                        {"ppt", "Check9"},
                                                                        {"xls", "Check10"},
                                                                        {"rtf", "Check11"}}};
    for (size_t i = 0; i < typeNames.size(); ++i) {
        typeBoxes[i] =
            box(QString::fromLatin1(typeNames[i].first), typeNames[i].second, true, frame);
        types->addWidget(typeBoxes[i]);
    }
    types->addStretch();
    frameLayout->addLayout(types);
    auto* times = new QHBoxLayout;
    times->setSpacing(4);
    const std::array<QString, 5> timeCaptions{u"全部时间"_qs, u"1年内"_qs, u"1月内"_qs, u"1周内"_qs,
                                              u"1天内"_qs};
    for (size_t i = 0; i < timeCaptions.size(); ++i) {
        timeOptions[i] = new QRadioButton(timeCaptions[i], frame);
        timeOptions[i]->setObjectName(u"Option"_qs + QString::number(i + 1));
        times->addWidget(timeOptions[i]);
    }
    times->addStretch();
    timeOptions[0]->setChecked(true);
    frameLayout->addLayout(times);
    auto* pause = new QHBoxLayout;
    pause->addWidget(new QLabel(u"限速延时："_qs, frame));
    Combo1 = new QComboBox(frame);
    Combo1->setObjectName(u"Combo1"_qs);
    for (int i = 0; i <= 120; ++i)
        Combo1->addItem(QString::number(i));
    pause->addWidget(Combo1);
    pause->addWidget(new QLabel(u"秒"_qs, frame));
    pause->addStretch();
    frameLayout->addLayout(pause);
    layout->addWidget(frame);

    auto* options = new QGroupBox(u"选项"_qs, panel);
    auto* optionsLayout = new QGridLayout(options);
    Check2 = box(u"不添加文件类型不明的链接"_qs, "Check2", true, options);
    Check1 = box(u"删除标题中的空格"_qs, "Check1", true, options);
    Check4 = box(u"不添加日文的"_qs, "Check4", false, options);
    Check13 = box(u"不添加繁体中文的"_qs, "Check13", false, options);
    Check14 = box(u"繁体转简体"_qs, "Check14", false, options);
    Check5 = box(u"禁止网页脚本对话框"_qs, "Check5", true, options);
    Check12 = box(u"每隔10分钟自动清空IE缓存"_qs, "Check12", true, options);
    Check7 = box(u"自动分析未分析项"_qs, "Check7", false, options);
    const std::array<QCheckBox*, 8> boxes{Check2,  Check1, Check4,  Check13,
                                          Check14, Check5, Check12, Check7};
    for (size_t i = 0; i < boxes.size(); ++i)
        optionsLayout->addWidget(boxes[i], int(i / 2), int(i % 2));
    layout->addWidget(options);

    Command1 = button(u"开始批量搜索提取"_qs, "Command1", panel);
    Command4 = button(u"加入全部到列表"_qs, "Command4", panel);
    Command3 = button(u"加入本页到列表"_qs, "Command3", panel);
    Command2 = button(u"分析下载"_qs, "Command2", panel);
    Command7 = button(u"导出数据..."_qs, "Command7", panel);
    m_buttonStyle = Command1->styleSheet();
    auto* buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 0, 1, 2);
    buttons->addWidget(Command4, 1, 0);
    buttons->addWidget(Command3, 1, 1);
    buttons->addWidget(Command2, 2, 0);
    buttons->addWidget(Command7, 2, 1);
    Command1->setMinimumHeight(36);
    layout->addLayout(buttons);

    layout->addWidget(new QLabel(u"已经完成："_qs, panel));
    Text2 = new QTextEdit(panel);
    Text2->setObjectName(u"Text2"_qs);
    Text2->setReadOnly(true);
    layout->addWidget(Text2, 1);
    return panel;
}

void fWebSearch::buildMenus() {
    QMenu* browse = menuBar()->addMenu(u"浏览(&B)"_qs);
    browse->addAction(u"打开必应搜索首页"_qs, this, [this] {
        m_browser->Navigate(
            BuildStartPageAddress(SearchScope(m_context.live.SearchScope), m_hosts));
    });
    browse->addAction(u"打开指定网址"_qs, this, [this] {
        const QString address =
            QInputDialog::getText(this, u"请输入..."_qs, u"请输入需要打开的网址："_qs).trimmed();
        if (!address.isEmpty())
            m_browser->Navigate(address);
    });
    browse->addAction(u"打开本地网页文件"_qs, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, QString(), QString(), u"*.htm (*.htm)"_qs);
        if (!path.isEmpty())
            m_browser->Navigate(QUrl::fromLocalFile(path).toString());
    });
    browse->addAction(u"后退"_qs, m_browser, &Browser::GoBack);
    browse->addAction(u"前进"_qs, m_browser, &Browser::GoForward);
    browse->addSeparator();
    browse->addAction(u"关闭本窗口"_qs, this, &QWidget::close);

    menuHandOff = new QMenu(u"加入"_qs, this);
    menuHandOff->addAction(u"分析未分析项"_qs, this,
                           [this] { startHandOff(HandOffRule::NewRows); });
    menuHandOff->addAction(u"分析失败项"_qs, this,
                           [this] { startHandOff(HandOffRule::FailedRows); });
    menuHandOff->addAction(u"分析选中项"_qs, this,
                           [this] { startHandOff(HandOffRule::SelectedRows); });
    menuHandOff->addAction(u"分析全部"_qs, this, [this] { startHandOff(HandOffRule::AllRows); });
    // The menu hides before its choice runs: look once the choice has had its turn.
    connect(menuHandOff, &QMenu::aboutToHide, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_handOff->analysisIdle())
                    Command2->setEnabled(true);
            },
            Qt::QueuedConnection);
    });

    menuClear = menuBar()->addMenu(u"清除(&C)"_qs);
    menuClear->addAction(u"清除选中项"_qs, this, [this] {
        removeRows([this] { RemoveSelectedResults(m_results, selectedPositions()); });
    });
    menuClear->addAction(u"清除分析成功项"_qs, this,
                         [this] { removeRows([this] { RemoveSucceededResults(m_results); }); });
    for (const bool containing : {true, false}) {
        menuClear->addAction(containing ? u"清除标题含指定字符项"_qs : u"清除标题不含指定字符项"_qs,
                             this, [this, containing] {
                                 removeRows([this, containing] {
                                     const QString text = QInputDialog::getText(
                                         this, u"Quenlit"_qs, u"请输入指定字符："_qs);
                                     RemoveResultsByTitle(m_results, text, containing);
                                 });
                             });
    }
    menuClear->addAction(u"清空全部"_qs, this, [this] {
        removeRows([this] {
            if (m_context.messages.ask(u"您确定要清空辛辛苦苦搜索的列表数据吗？"_qs))
                RemoveAllResults(m_results);
        });
    });
    menuClear->addSeparator();
    for (const bool kana : {true, false}) {
        menuClear->addAction(
            kana ? u"选中含日文项"_qs : u"选中含繁体中文项"_qs, this, [this, kana] {
                if (m_results.count() == 0)
                    return;
                const QList<int> rows =
                    kana ? ResultsWithKana(m_results) : ResultsWithTraditional(m_results);
                selectPositions(rows);
                m_context.messages.showMessage(u"选中条数："_qs + QString::number(rows.size()),
                                               MessageIcon::Information);
            });
    }
    menuClear->addAction(u"全部繁体转为简体"_qs, this, [this] {
        if (m_results.count() == 0)
            return;
        ConvertResultsToSimplified(m_results);
        m_context.messages.showMessage(u"全部繁体转简体完成！"_qs, MessageIcon::Information);
    });

    QMenu* tools = menuBar()->addMenu(u"工具(&T)"_qs);
    tools->addAction(u"设置"_qs, this, [this] {
        fOption options(m_context, this);
        options.exec();
    });
    tools->addAction(u"打开下载窗口"_qs, this, [this] {
        if (m_context.windows)
            m_context.windows->openDownloadWindow();
    });
    tools->addAction(u"查看IE浏览器缓存"_qs, this, [this] { fIEcache::open(m_context, this); });
    tools->addAction(u"清空IE浏览器缓存"_qs, this, [this] {
        ClearBrowserCache(m_context.browserCacheFolder, m_context.messages, true);
    });
    tools->addAction(u"网页源码另存为"_qs, this, &fWebSearch::savePageSource);

    QMenu* help = menuBar()->addMenu(u"帮助(&H)"_qs);
    help->addAction(u"关于(&A)"_qs, this, [this] {
        if (m_context.windows)
            m_context.windows->showAbout(this);
    });
    help->addAction(u"使用方法"_qs, this, [this] {
        m_context.messages.showMessage(
            u"1. 在左侧每行输入一组关键词，勾选需要的文件类型和时间范围。\n"
            "2. 按“开始批量搜索提取”，程序逐页打开搜索结果并把文档链接加入下面的列表。\n"
            "3. 按“分析下载”把列表中的链接交给下载窗口，在下载窗口中开始下载。"_qs,
            MessageIcon::Information);
    });
}

std::array<std::pair<QCheckBox*, const settings::Key*>, 6> fWebSearch::savedBoxes() const {
    return {{{Check2, &settings::SkipUnknownType},
             {Check4, &settings::SkipJapanese},
             {Check5, &settings::SilenceScriptDialogs},
             {Check12, &settings::AutoClearCache},
             {Check13, &settings::SkipTraditional},
             {Check14, &settings::ConvertTraditional}}};
}

void fWebSearch::restoreSettings() {
    const SettingsStore& store = m_context.settings;
    QString keywords = settings::ReadText(store, settings::SearchKeywords);
    Text1->setPlainText(keywords.replace(u"\r\n"_qs, u"\n"_qs));
    const int delay = settings::ReadInt16(store, settings::SearchDelay);
    Combo1->setCurrentIndex(delay >= 0 && delay <= 120 ? delay : 0);
    // In this order: restoring a box acts like a click, so check14 wins over check13.
    for (const auto& [check, key] : savedBoxes())
        check->setChecked(settings::ReadInt16(store, *key) != 0);
    m_browser->setSilent(Check5->isChecked());
}

void fWebSearch::saveSettings() {
    SettingsStore& store = m_context.settings;
    settings::Save(store, settings::SearchKeywords, keywordText());
    settings::Save(store, settings::SearchDelay, Combo1->currentIndex());
    for (const auto& [check, key] : savedBoxes())
        settings::Save(store, *key, check->isChecked() ? 1 : 0);
}

void fWebSearch::closeEvent(QCloseEvent* event) {
    m_batch->stopAll();
    m_handOff->stop();
    saveSettings();
    Timer1->stop();
    m_context.forms.formUnloaded(objectName());
    event->accept();
    emit closed();
}

QString fWebSearch::keywordText() const {
    return Text1->toPlainText().replace(u'\n', u"\r\n"_qs);
}

bool fWebSearch::wholePhrase() const {
    return Check6->isChecked();
}

TimeRange fWebSearch::timeRange() const {
    for (size_t i = 0; i < timeOptions.size(); ++i) {
        if (timeOptions[i]->isChecked())
            return TimeRange(i);
    }
    return TimeRange::AllTime;
}

bool fWebSearch::typeTicked(DocumentType type) const {
    return typeBoxes[size_t(type)]->isChecked();
}

QString fWebSearch::pauseText() const {
    return Combo1->currentText();
}

TitleOptions fWebSearch::titleOptions() const {
    TitleOptions options;
    options.skipUnknownType = Check2->isChecked();
    options.removeSpaces = Check1->isChecked();
    options.skipJapanese = Check4->isChecked();
    options.skipTraditional = Check13->isChecked();
    options.convertTraditional = Check14->isChecked();
    options.portalDomain = settings::ReadText(m_context.settings, settings::PortalDomain);
    return options;
}

QCoro::Task<> fWebSearch::askSaveFolder(WorkScope& scope) {
    return fSeleFileSavePath::askAwaited(m_context, this, scope);
}

bool fWebSearch::automaticHandOffOn() const {
    return Timer1->isActive();
}

void fWebSearch::clearProgress() {
    Text2->clear();
}

void fWebSearch::appendProgress(const QString& text) {
    Text2->moveCursor(QTextCursor::End);
    Text2->insertPlainText(QString(text).replace(u"\r\n"_qs, u"\n"_qs));
}

void fWebSearch::resultsChanged() {
    Label1->setText(QString::number(m_results.count()));
}

void fWebSearch::sizeResultColumns() {
    for (int column = 0; column < m_results.columnCount(); ++column)
        ListView1->resizeColumnToContents(column);
}

DownloadListModel& fWebSearch::downloadList() {
    return m_context.windows->downloadList();
}

void fWebSearch::显示下载窗口(bool restore) {
    if (m_context.windows)
        m_context.windows->显示下载窗口(restore);
}

void fWebSearch::handOffFromButton() {
    Command2->setEnabled(false);
    if (m_results.count() == 0)
        m_context.messages.showMessage(u"列表没有数据哦！"_qs, MessageIcon::Information);
    else if (selectedPositions().isEmpty())
        startHandOff(HandOffRule::AllRows);
    else {
        // Not exec(): a nested loop would run the hand-off's timers inside the click. The
        // menu's choices start the hand-off; a menu closed without one gives the button back.
        menuHandOff->popup(QCursor::pos());
        return;
    }
    // A hand-off that runs gives the button back when it ends.
    if (m_handOff->analysisIdle())
        Command2->setEnabled(true);
}

void fWebSearch::startHandOff(HandOffRule rule) {
    m_handOff->HandOff(rule, selectedPositions());
}

QSet<int> fWebSearch::selectedPositions() const {
    QSet<int> positions;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows())
        positions.insert(index.row() + 1);
    return positions;
}

void fWebSearch::selectPositions(const QList<int>& positions) {
    QItemSelection selection;
    for (int position : positions)
        selection.select(m_results.index(position - 1, 0),
                         m_results.index(position - 1, m_results.columnCount() - 1));
    ListView1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void fWebSearch::removeRows(const std::function<void()>& removal) {
    if (!m_handOff->analysisIdle()) {
        m_context.messages.showMessage(u"正在分析，不能清除！"_qs, MessageIcon::Error);
        return;
    }
    removal();
    resultsChanged();
}

void fWebSearch::savePageSource() {
    const std::shared_ptr<const HtmlDocument> document = m_browser->Document();
    if (!document)
        return;
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(u"*.txt (*.txt)"_qs);
    dialog.setDefaultSuffix(u"txt"_qs);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // A file that cannot be written ends the command without a message; the old one stays.
    WriteWholeFile(dialog.selectedFiles().first(), document->source().toUtf8());
}

void fWebSearch::exportResults() {
    if (m_results.count() == 0)
        return;
    const QString path = QFileDialog::getSaveFileName(this);
    if (path.isEmpty())
        return;
    if (const auto size = ExportResults(m_results, path))
        m_context.messages.showMessage(ExportedMessage(*size), MessageIcon::Information);
}

void fWebSearch::countCacheTick() {
    if (m_cacheClearing.tick(Check12->isChecked()))
        ClearBrowserCache(m_context.browserCacheFolder, m_context.messages, false);
}

} // namespace quenlit
