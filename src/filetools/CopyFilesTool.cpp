#include "CopyFilesTool.h"

#include "CopyNames.h"
#include "FileNames.h"
#include "MessageSink.h"
#include "RecentFolders.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>

namespace quenlit {

namespace {
// The same folder however it is written ("/a/./b/", a link to it).
bool sameFolder(const QString& a, const QString& b) {
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty())
        return canonicalA == canonicalB;
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}
} // namespace

CopyFilesTool::CopyFilesTool(Clock& clock, SettingsStore& settings, MessageSink& messages,
                             QString dataFolder, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_messages(messages)
    , m_dataFolder(std::move(dataFolder))
    , m_scope(clock) {}

CopyFilesTool::~CopyFilesTool() {
    m_scope.cancel();
}

QString CopyFilesTool::recentFoldersPath() const {
    return m_dataFolder + u"/SaveList.dat"_qs;
}

QString CopyFilesTool::buttonCaption() const {
    return m_running && !m_stopRequested ? u"停止"_qs : u"开始"_qs;
}

void CopyFilesTool::load() {
    LoadRecentFolders(history, recentFoldersPath());
    QString fallback = m_dataFolder;
    if (!fallback.endsWith(u'/'))
        fallback += u'/';
    目的文件夹 = settings::ReadText(m_settings, settings::CopyTargetFolder, fallback);
    folderText = 目的文件夹;
    policyIndex = settings::ReadInt16(m_settings, settings::CopyClashOption);
    // A value the program never writes selects the default rather than no option at all.
    if (policyIndex < 1 || policyIndex > 5)
        policyIndex = 4;
    emit changed();
}

void CopyFilesTool::执行(bool showMessage) {
    if (m_running) {
        // A stop is taken as it is: whatever the folder box holds now.
        m_stopRequested = true;
        emit changed();
        return;
    }
    QString folder =
        folderText.trimmed().isEmpty() ? QString() : EnsureFolderPath(folderText, m_messages);
    folderText = folder;
    if (folderText.isEmpty()) {
        emit changed();
        m_messages.showMessage(u"创建文件夹出错！"_qs, MessageIcon::Error);
        return;
    }
    if (!folderText.endsWith(u'/'))
        folderText += u'/';
    目的文件夹 = folderText;
    settings::Save(m_settings, settings::CopyTargetFolder, 目的文件夹);
    settings::Save(m_settings, settings::CopyClashOption, qint64(policyIndex));
    const QString trimmed = folderText.trimmed();
    const bool known = std::any_of(history.cbegin(), history.cend(), [&](const QString& entry) {
        return entry.compare(trimmed, Qt::CaseInsensitive) == 0;
    });
    if (!known)
        history.append(trimmed);
    SaveRecentFolders(history, recentFoldersPath());
    currentFile.clear();
    QStringList present;
    for (const QString& path : std::as_const(文件全路径集合))
        if (FileExists(path))
            present.append(path);
    文件全路径集合 = present;
    emit changed();
    if (present.isEmpty())
        return;
    m_running = true;
    m_stopRequested = false;
    m_scope.start([this, present, showMessage] { return pass(present, showMessage); });
}

QCoro::Task<> CopyFilesTool::pass(QStringList paths, bool showMessage) {
    progress = 0;
    progressMaximum = int(paths.size()) + 1;
    emit changed();
    for (int i = 0; i < paths.size() && !m_stopRequested; ++i) {
        progress = i + 1;
        const QString path = paths.at(i);
        const SplitName split = SplitFilePath(path);
        if (sameFolder(split.folder, 目的文件夹))
            continue;
        currentFile = split.fileName();
        emit changed();
        const bool turned = co_await m_scope.letEventsRun();
        if (!turned || m_stopRequested)
            break;
        copyOne(path, split.fileName());
    }
    progress = 0;
    currentFile.clear();
    m_running = false;
    m_stopRequested = false;
    const bool closed = m_scope.cancelled();
    emit changed();
    if (showMessage && !closed)
        m_messages.post(u"复制文件完成！"_qs, MessageIcon::Information);
}

void CopyFilesTool::copyOne(const QString& path, const QString& name) {
    const QString target = 目的文件夹 + name;
    if (!FileExists(target)) {
        CopyFileSafely(path, target, false);
        return;
    }
    const QFileInfo source(path);
    const QFileInfo existing(target);
    bool overwrite = false;
    switch (ClashOption(policyIndex)) {
    case ClashOption::Overwrite:
        overwrite = true;
        break;
    case ClashOption::Rename:
        break;
    case ClashOption::SizeAndTimeElseRename:
        overwrite =
            source.size() == existing.size() && source.lastModified() == existing.lastModified();
        break;
    case ClashOption::SizeElseRename:
        overwrite = source.size() == existing.size();
        break;
    case ClashOption::Skip:
    case ClashOption::None:
    default:
        return;
    }
    if (overwrite)
        CopyFileSafely(path, target, true);
    else
        复制相同文件自动重命名(path, 目的文件夹);
}

void CopyFilesTool::close() {
    m_scope.cancel();
    文件全路径集合.clear();
}

} // namespace quenlit
