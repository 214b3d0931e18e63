#include "fCover.h"

#include "AppContext.h"
#include "BuildInfo.h"
#include "ClockTimer.h"
#include "ObjectNames.h"
#include "Settings.h"
#include "VersionNotice.h"
#include "WindowsVersionName.h"
#include "fWebSearch.h"
#include "frmAbout.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

namespace quenlit {

namespace {
constexpr int ImageMarginPx = 30 / 15; // 30 twips
constexpr int ExtraWidthPx = 150 / 15; // 150 twips
constexpr int TextLeft = 16;
constexpr int FooterHeight = 150;

VersionNumbers runningVersion() {
    return {quint32(build::VersionMajor), quint32(build::VersionMinor),
            quint32(build::VersionRevision)};
}
} // namespace

fCover::fCover(AppContext& context, QWidget* parent)
    : QWidget(parent)
    , Label1(new QLabel(u"正在加载组件，请稍候..."_qs, this))
    , Label2(new QLabel(u"版本："_qs, this))
    , Label3(new QLabel(u"最新版本："_qs, this))
    , Label4(new QLabel(u"(该软件仅用于爱学习的人们辅助少量下载；请不要恶意下载和大量下载！)"_qs,
                        this))
    , Image1(new QLabel(this))
    , Command1(new QPushButton(u"搜索文档下载"_qs, this))
    , Command3(new QPushButton(u"退出软件"_qs, this))
    , Timer1(new ClockTimer(context.clock, 100, this))
    , m_context(context)
    , m_notice(
          new VersionNotice(context.network, context.clock, context.messages, context.shell,
                            {settings::ReadText(context.settings, settings::UpdateSitePrimary),
                             settings::ReadText(context.settings, settings::UpdateSiteAlternate)},
                            context.executableName, runningVersion(), this)) {
    setObjectName(u"fCover"_qs);
    NameObjects({{Label1, "Label1"},
                 {Label2, "Label2"},
                 {Label3, "Label3"},
                 {Label4, "Label4"},
                 {Image1, "Image1"},
                 {Command1, "Command1"},
                 {Command3, "Command3"},
                 {Timer1, "Timer1"}});
    setWindowTitle(u"Quenlit"_qs);
    setWindowIcon(QIcon(u":/images/quenlit.png"_qs));
    Label2->setText(QStringLiteral("版本:%1.%2.%3")
                        .arg(build::VersionMajor)
                        .arg(build::VersionMinor)
                        .arg(build::VersionRevision));
    Image1->setPixmap(QPixmap(u":/images/cover.png"_qs));
    Image1->adjustSize();
    Label3->hide();
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setStyleSheet(u"color: #c0392b; font-weight: bold;"_qs);
    Label3->installEventFilter(this);
    Label4->setWordWrap(true);
    Label4->setStyleSheet(u"color: #555;"_qs);
    Command1->setDefault(true);
    Command1->setEnabled(false);
    Command3->setEnabled(false);

    connect(Timer1, &ClockTimer::timeout, this, [this] {
        Timer1->stop();
        m_notice->check();
    });
    connect(m_notice, &VersionNotice::newerVersionFound, this, [this](const QString& text) {
        Label3->setText(text);
        Label3->adjustSize();
        Label3->show();
    });
    connect(Command1, &QPushButton::clicked, this, &fCover::showSearchWindow);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    context.forms.formLoaded(objectName());
    context.windows = this;
    layOut();
}

fCover::~fCover() {
    delete m_searchWindow;
    delete m_downloadWindow;
    m_context.windows = nullptr;
    m_context.forms.formUnloaded(objectName());
}

void fCover::start() {
    show();
    // Let the window paint its loading text before the slow steps.
    m_context.clock.callAfter(0, [self = QPointer(this)] {
        if (self)
            self->finishStartup();
    });
}

void fCover::finishStartup() {
    m_context.OsBitness = DetectOsBitness(m_context.system);
    m_context.registry.setOsBitness(m_context.OsBitness);
    m_context.SystemDescription = BuildSystemDescription(
        WindowsVersionName(m_context.registry, m_context.system), m_context.OsBitness);
    SetBrowserEmulation(m_context.registry, m_context.executableName, u"IE10"_qs, true);
    m_context.live.loadMaxFileSize(m_context.settings);
    Timer1->start();
    Label1->hide();
    Command1->setEnabled(true);
    Command3->setEnabled(true);
    emit startupFinished();
}

void fCover::showSearchWindow() {
    if (!m_searchWindow) {
        m_searchWindow = new fWebSearch(m_context);
        connect(m_searchWindow, &fWebSearch::closed, this, [this] {
            if (StartWindowReturnsAfterClosing(m_context.forms, u"fWebSearch"_qs))
                show();
        });
    }
    hide();
    m_searchWindow->show();
    m_searchWindow->raise();
}

fFileDownload& fCover::loadDownloadWindow() {
    if (!m_downloadWindow) {
        m_downloadWindow = new fFileDownload(m_context);
        m_downloadWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_downloadWindow, &fFileDownload::closed, this, [this] {
            if (StartWindowReturnsAfterClosing(m_context.forms, u"fFileDownload"_qs))
                show();
        });
    }
    return *m_downloadWindow;
}

DownloadListModel& fCover::downloadList() {
    return loadDownloadWindow().list();
}

void fCover::显示下载窗口(bool restore) {
    if (!m_downloadWindow)
        return;
    m_downloadWindow->ListView3->viewport()->update();
    if (restore && m_downloadWindow->isMinimized())
        m_downloadWindow->showNormal();
    if (m_downloadWindow->isHidden())
        m_downloadWindow->showRestored();
}

void fCover::openDownloadWindow() {
    fFileDownload& window = loadDownloadWindow();
    hide();
    window.showRestored();
    window.raise();
    window.activateWindow();
}

void fCover::downloadMethodChanged(int method) {
    if (m_downloadWindow)
        m_downloadWindow->switchDownloadMethod(method);
}

void fCover::showAbout(QWidget* over) {
    frmAbout about(m_context.SystemDescription, m_context.registry, m_context.shell,
                   m_context.messages, over);
    connect(&about, &frmAbout::closed, Timer1, &ClockTimer::start);
    about.exec();
}

void fCover::closeEvent(QCloseEvent* event) {
    // Ends the program at once; the other windows are discarded without their own
    // closing work.
    event->accept();
    hide();
    emit programEnd();
}

void fCover::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isMinimized())
        layOut();
}

bool fCover::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
        m_notice->openProductPage();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void fCover::layOut() {
    Image1->move(ImageMarginPx, ImageMarginPx);
    const int width = Image1->width() + ExtraWidthPx;
    const int top = Image1->geometry().bottom() + 12;
    const int textWidth = width - 2 * TextLeft;
    Label2->setGeometry(TextLeft, top, textWidth / 2, 22);
    Label1->setGeometry(TextLeft, top + 26, textWidth, 22);
    Label3->move(TextLeft, top + 26);
    Label4->setGeometry(TextLeft, top + 52, textWidth, 40);
    const int buttonTop = top + 100;
    Command3->setGeometry(width - TextLeft - 120, buttonTop, 120, 32);
    Command1->setGeometry(width - TextLeft - 260, buttonTop, 132, 32);
    setFixedSize(width, Image1->height() + FooterHeight + 12);
}

} // namespace quenlit
