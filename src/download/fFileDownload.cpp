#include "fFileDownload.h"

#include "AppContext.h"
#include "CacheViewer.h"
#include "Clock.h"
#include "ClockTimer.h"
#include "DialogPrompts.h"
#include "DownloadScheduler.h"
#include "DownloadSpeeds.h"
#include "FileTools.h"
#include "FolderWidgets.h"
#include "Inet.h"
#include "ListCommands.h"
#include "LoginPanel.h"
#include "MessageSink.h"
#include "ObjectNames.h"
#include "ParallelEngine.h"
#include "PartialFile.h"
#include "Settings.h"
#include "SingleConnectionEngine.h"
#include "WebLogin.h"
#include "WindowHost.h"
#include "WindowPlacement.h"
#include "fOption.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <array>

namespace quenlit {

fFileDownload::fFileDownload(AppContext& context, QWidget* parent)
    : QMainWindow(parent)
    , ListView3(new QTreeView(this))
    , Label1(new QLabel(u"0条"_qs, this))
    , Label7(new QLabel(u"下载方式："_qs, this))
    , Combo1(new QComboBox(this))
    , Label8(new QLabel(u"同名文件："_qs, this))
    , Option1(new QRadioButton(u"跳过"_qs, this))
    , Option2(new QRadioButton(u"覆盖"_qs, this))
    , Option3(new QRadioButton(u"重命名"_qs, this))
    , Check6(new QCheckBox(u"声音提示"_qs, this))
    , Command4(new QPushButton(u"开始下载"_qs, this))
    , Command31(new QPushButton(u"停止下载"_qs, this))
    , Command26(new QPushButton(u"切换"_qs, this))
    , Combo2(new QComboBox(this))
    , Check4(new QCheckBox(u"当有待下载项时，自动启动下载"_qs, this))
    , Check3(new QCheckBox(u"自动重新下载："_qs, this))
    , Combo4(new QComboBox(this))
    , Check5(new QCheckBox(u"有5个以上下载出错或者网页文件，就停止下载"_qs, this))
    , Shape1(new QFrame(this))
    , Command1(new QPushButton(u"网页登录"_qs, this))
    , m_context(context)
    , m_keeper(m_list, context.clock, context.messages,
               DownloadListStore::pathIn(context.dataFolder))
    , m_environment{context.clock, context.network, m_list,          m_state,
                    context.live,  *this,           context.messages}
    , m_single(std::make_unique<SingleConnectionEngine>(m_environment))
    , m_parallel(std::make_unique<ParallelEngine>(m_environment))
    , m_scheduler(std::make_unique<DownloadScheduler>(m_environment, *m_single, *m_parallel))
    , m_speeds(std::make_unique<DownloadSpeeds>(context.clock, m_list)) {
    setObjectName(u"fFileDownload"_qs);
    setWindowTitle(u"文件下载-Quenlit"_qs);
    setWindowIcon(QIcon(u":/images/quenlit.png"_qs));
    context.forms.formLoaded(objectName());

    // Shared preferences of the download side, then this window's own.
    context.live.loadDownloadWindowValues(context.settings);
    m_state.lastFinishTime = float(context.clock.secondsSinceMidnight());

    const std::array<QIcon, 4> stateIcons{
        QIcon(u":/images/state1.png"_qs), QIcon(u":/images/state2.png"_qs),
        QIcon(u":/images/state3.png"_qs), QIcon(u":/images/state4.png"_qs)};
    m_list.setStateDecoration([stateIcons](qint16 state) -> QVariant {
        return state >= 1 && state <= 4 ? QVariant(stateIcons[state - 1]) : QVariant();
    });
    ListView3->setObjectName(u"ListView3"_qs);
    ListView3->setModel(&m_list);
    ListView3->setRootIsDecorated(false);
    ListView3->setUniformRowHeights(true);
    ListView3->setAlternatingRowColors(true);
    ListView3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView3->setToolTip(u"双击鼠标：下载当前项或者打开文件"_qs);
    ListView3->header()->setStretchLastSection(true);
    ListView3->setColumnWidth(DownloadListModel::NameColumn, 420);
    ListView3->setColumnWidth(DownloadListModel::TypeColumn, 60);
    ListView3->setColumnWidth(DownloadListModel::SizeColumn, 100);
    ListView3->setColumnWidth(DownloadListModel::DownloadedColumn, 100);
    ListView3->setColumnWidth(DownloadListModel::PercentColumn, 90);
    ListView3->setColumnWidth(DownloadListModel::FolderColumn, 300);
    ListView3->setColumnWidth(DownloadListModel::SpeedColumn, 90);

    for (int i = 1; i <= 6; ++i)
        Combo1->addItem(QString::number(i));
    if (context.live.DownloadMethod != 1) {
        const int stored = settings::ReadInt16(context.settings, settings::ThreadCount);
        Combo1->setCurrentIndex(stored >= 0 && stored < 6 ? stored : 2);
    }
    setDownloadMethod(context.live.DownloadMethod);

    const QString policy = context.live.DuplicateNamePolicy;
    (policy == Option1->text()   ? Option1
     : policy == Option2->text() ? Option2
                                 : Option3)
        ->setChecked(true);

    auto* options = new QHBoxLayout;
    options->addWidget(Label7);
    options->addWidget(Command26);
    options->addWidget(new QLabel(u"线程数："_qs, this));
    options->addWidget(Combo1);
    options->addSpacing(24);
    options->addWidget(Label8);
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addWidget(Option3);
    options->addSpacing(24);
    options->addWidget(Check6);
    options->addStretch();
    options->addWidget(new QLabel(u"下载列表："_qs, this));
    options->addWidget(Label1);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(options);
    layout->addLayout(buildControls());
    PicWebBK = new LoginPanel(context, central);
    layout->addWidget(PicWebBK, 1);
    layout->addWidget(ListView3, 1);
    setCentralWidget(central);

    for (int i = 0; i < int(std::size(statusPanels)); ++i) {
        statusPanels[i] = new QLabel(this);
        statusBar()->addWidget(statusPanels[i], i == 1 ? 3 : 1);
    }
    connect(m_speeds.get(), &DownloadSpeeds::totalChanged, this,
            [this] { statusPanels[4]->setText(m_speeds->totalText()); });

    buildMenus();

    NameObjects({{Label1, "Label1"},
                 {Label7, "Label7"},
                 {Combo1, "Combo1"},
                 {Label8, "Label8"},
                 {Option1, "Option1"},
                 {Option2, "Option2"},
                 {Option3, "Option3"},
                 {Check6, "Check6"},
                 {Command4, "Command4"},
                 {Command31, "Command31"},
                 {Command26, "Command26"},
                 {Combo2, "Combo2"},
                 {Check4, "Check4"},
                 {Check3, "Check3"},
                 {Combo4, "Combo4"},
                 {Check5, "Check5"},
                 {Shape1, "Shape1"},
                 {Command1, "Command1"}});

    connect(Command1, &QPushButton::clicked, this, [this] {
        const QModelIndex current = ListView3->currentIndex();
        const bool selected = current.isValid() && ListView3->selectionModel()->isSelected(current);
        PicWebBK->showPanel(selected ? 选择url(m_list.row(current.row() + 1).key) : QString());
    });
    connect(PicWebBK, &LoginPanel::titleChanged, this,
            [this](const QString& title) { setStatusPanel(3, title); });

    connect(Check6, &QCheckBox::toggled, this, [this](bool on) { m_state.soundPrompt = on; });
    // Counting the states walks the whole list: once a second, not on every change of a row
    // (which made a long hand-off slow down with the square of its size). The row count
    // costs nothing and follows at once.
    // The speed cells change no state.
    const auto listChanged = [this](const QModelIndex& topLeft) {
        if (topLeft.column() < DownloadListModel::SpeedColumn)
            m_countersStale = true;
    };
    const auto rowsChanged = [this] {
        m_countersStale = true;
        refreshRowCount();
    };
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(&m_list, &QAbstractItemModel::modelReset, this, rowsChanged);
    connect(&m_list, &QAbstractItemModel::dataChanged, this, listChanged);
    connect(m_scheduler.get(), &DownloadScheduler::countersDue, this, [this] {
        if (m_countersStale)
            refreshCounters();
    });
    // Before anything is handed over.
    const bool everyKeptRowIsBack = m_keeper.open(context.live.RestoreDownloadList == 1);
    refreshCounters();
    // Once the list is complete: the temporary files of rows that are gone are never resumed.
    // A list set aside as damaged, or not restored, may still claim its files another time.
    if (everyKeptRowIsBack)
        removeStaleTemporaryFiles();
}

fFileDownload::~fFileDownload() {
    // Saved before the engines end, which fails the rows that were downloading.
    m_keeper.close();
    // The engines end before the list and the controls they write.
    m_scheduler.reset();
    m_parallel.reset();
    m_single.reset();
    m_context.forms.formUnloaded(objectName());
}

QLayout* fFileDownload::buildControls() {
    for (int seconds = 0; seconds <= 600; ++seconds)
        Combo2->addItem(QString::number(seconds));
    Combo2->setCurrentIndex(0);
    Combo4->addItems(
        {u"出错项"_qs, u"文件类型为HTM和HTML项"_qs, u"出错项和文件类型为HTM和HTML项!"_qs});
    Combo4->setCurrentIndex(0);
    // A compact box whose drop-down shows the long entries whole.
    Combo4->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo4->setMinimumContentsLength(12);
    FitDropDownWidth(Combo4);
    Command26->setToolTip(u"更改下载方式"_qs);
    Shape1->setFixedSize(14, 14);
    Shape1->setStyleSheet(u"background-color: #2e7d32; border-radius: 7px;"_qs);
    Shape1->setVisible(false);

    auto* commands = new QHBoxLayout;
    commands->addWidget(Shape1);
    commands->addWidget(Command4);
    commands->addWidget(Command31);
    commands->addSpacing(12);
    commands->addWidget(new QLabel(u"两个文件下载间隔："_qs, this));
    commands->addWidget(Combo2);
    commands->addWidget(new QLabel(u"秒"_qs, this));
    commands->addSpacing(12);
    commands->addWidget(Check4);
    commands->addStretch();
    auto* rules = new QHBoxLayout;
    rules->addWidget(Check3);
    rules->addWidget(Combo4);
    rules->addSpacing(12);
    rules->addWidget(Check5);
    rules->addStretch();
    rules->addWidget(Command1);
    auto* rows = new QVBoxLayout;
    rows->addLayout(commands);
    rows->addLayout(rules);

    DownloadScheduler* scheduler = m_scheduler.get();
    connect(Command4, &QPushButton::clicked, scheduler, &DownloadScheduler::start);
    connect(Command31, &QPushButton::clicked, scheduler, &DownloadScheduler::stop);
    connect(Command26, &QPushButton::clicked, this, [this] {
        m_context.live.DownloadMethod = m_context.live.DownloadMethod == 1 ? 2 : 1;
        switchDownloadMethod(m_context.live.DownloadMethod);
    });
    connect(scheduler, &DownloadScheduler::schedulingChanged, this, [this](bool on) {
        Shape1->setVisible(on);
        menu下载全部->setEnabled(!on);
    });
    connect(scheduler, &DownloadScheduler::automaticRulesCleared, this, [this] {
        Check4->setChecked(false);
        Check3->setChecked(false);
    });
    for (QCheckBox* box : {Check4, Check3, Check5})
        connect(box, &QCheckBox::toggled, this, &fFileDownload::syncSchedulerControls);
    for (QComboBox* list : {Combo1, Combo2, Combo4})
        connect(list, &QComboBox::currentIndexChanged, this, &fFileDownload::syncSchedulerControls);
    syncSchedulerControls();
    return rows;
}

void fFileDownload::syncSchedulerControls() {
    SchedulerControls& controls = m_scheduler->controls;
    controls.pauseSeconds = Combo2->currentText().toInt();
    controls.threadCount = Combo1->currentText().toInt();
    controls.autoStart = Check4->isChecked();
    controls.autoRedownload = Check3->isChecked();
    controls.redownload = RedownloadChoice(std::max(0, Combo4->currentIndex()));
    controls.stopRule = Check5->isChecked();
}

void fFileDownload::setStatusPanel(int panel, const QString& text) {
    if (panel >= 1 && panel <= 4)
        statusPanels[panel - 1]->setText(text);
}

void fFileDownload::scrollToRow(int position) {
    ListView3->scrollTo(m_list.index(position - 1, 0));
}

bool fFileDownload::soundPromptTicked() const {
    return Check6->isChecked();
}

bool fFileDownload::autoLoginTicked() const {
    return PicWebBK->Check2->isChecked();
}

void fFileDownload::playPrompt(SoundPrompt prompt) {
    if (m_context.sounds)
        PlaySoundPrompt(*m_context.sounds, m_context.dataFolder, prompt);
}

void fFileDownload::autoLogin() {
    PicWebBK->startLogin(false);
}

bool fFileDownload::loginRunning() const {
    return !PicWebBK->login().loginEnabled();
}

bool fFileDownload::workPending() const {
    return m_scheduler->schedulingOn() || m_single->Inet1().StillExecuting() ||
           m_parallel->loadedInstanceCount() > 1 || !检测是否下载列表完毕(m_list);
}

QString fFileDownload::duplicateNamePolicy() const {
    for (const QRadioButton* option : {Option1, Option2, Option3}) {
        if (option->isChecked())
            return option->text().trimmed();
    }
    return Option3->text();
}

void fFileDownload::setDownloadMethod(int method) {
    Label7->setText(u"下载方式："_qs + QString::number(method));
    if (method == 1)
        Combo1->setCurrentIndex(0);
    Combo1->setEnabled(method != 1);
}

void fFileDownload::switchDownloadMethod(int method) {
    Combo1->setCurrentIndex(0);
    setDownloadMethod(method);
}

void fFileDownload::removeStaleTemporaryFiles() {
    // The saved folder: the live one is read by the search window, which may not be open.
    QStringList folders{settings::ReadText(m_context.settings, settings::DownloadFolder,
                                           settings::DefaultDownloadFolder())};
    QSet<QString> targets;
    for (int position = 1; position <= m_list.count(); ++position) {
        const DownloadRow& row = m_list.row(position);
        folders.append(row.saveFolder);
        targets.insert(row.targetPath());
        // The renaming writes the dot of an empty type.
        if (row.type.isEmpty())
            targets.insert(row.targetPath() + u'.');
    }
    RemoveStalePartials(folders, targets);
}

void fFileDownload::refreshRowCount() {
    Label1->setText(QString::number(m_list.count()) + u"条"_qs);
}

void fFileDownload::refreshCounters() {
    m_countersStale = false;
    refreshRowCount();
    statusPanels[3]->setText(StatusCountersText(m_list));
}

void fFileDownload::showRestored() {
    if (!m_placed) {
        m_placed = true;
        const QScreen* screen = this->screen();
        const Placement placement = RestoreDownloadWindowPlacement(
            m_context.settings, ScreenSizeText(screen ? screen->size() : QSize()));
        if (placement.maximised) {
            // Without a window manager a maximised window keeps its size: fill the screen.
            if (screen)
                setGeometry(screen->availableGeometry());
            showMaximized();
            return;
        }
        setGeometry(placement.left / TwipsPerPixel, placement.top / TwipsPerPixel,
                    placement.width / TwipsPerPixel, placement.height / TwipsPerPixel);
    }
    show();
}

void fFileDownload::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshCounters();
}

void fFileDownload::savePlacement() {
    const QScreen* screen = this->screen();
    const QRect place = normalGeometry();
    SaveDownloadWindowPlacement(m_context.settings,
                                {isMaximized(), place.top() * TwipsPerPixel,
                                 place.left() * TwipsPerPixel, place.width() * TwipsPerPixel,
                                 place.height() * TwipsPerPixel},
                                ScreenSizeText(screen ? screen->size() : QSize()));
}

void fFileDownload::closeEvent(QCloseEvent* event) {
    const QString policy = duplicateNamePolicy();
    m_context.live.DuplicateNamePolicy = policy;
    settings::Save(m_context.settings, settings::DuplicateNamePolicy, policy);
    settings::Save(m_context.settings, settings::DownloadMethod, m_context.live.DownloadMethod);
    if (workPending() &&
        !m_context.messages.ask(u"正在下载文件或者下载没有完成，要强制关闭窗口吗？"_qs)) {
        event->ignore();
        return;
    }
    m_keeper.close();
    m_scheduler->shutDown();
    PicWebBK->shutDown();
    savePlacement();
    settings::Save(m_context.settings, settings::ThreadCount, Combo1->currentIndex());
    m_context.forms.formUnloaded(objectName());
    event->accept();
    emit closed();
}

} // namespace quenlit
