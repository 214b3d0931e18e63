#include "FileTools.h"

#include "DownloadList.h"
#include "DownloadListModel.h"
#include "FileNames.h"
#include "MessageSink.h"
#include "Shell.h"
#include "WholeFile.h"

#include <QFileInfo>

namespace quenlit {

namespace {
const QString Missing = QStringLiteral("该文件不存在！");
}

FileTools::FileTools(ListToolsEnvironment environment)
    : m_env(environment)
    , m_rows(std::move(environment)) {}

QString FileTools::CommandTarget(const QString& saveFolder, const QString& name,
                                 const QString& type) {
    return saveFolder + name + u'.' + type;
}

QString FileTools::currentRowFile() {
    const int position = m_rows.currentRow();
    if (position == 0)
        return {};
    const DownloadRow& row = m_env.list.row(position);
    const QString path = CommandTarget(row.saveFolder, row.name, row.type);
    if (!FileExists(path)) {
        m_env.messages.showMessage(Missing, MessageIcon::Error);
        return {};
    }
    return path;
}

void FileTools::openDownloadedFile() {
    const QString path = currentRowFile();
    if (!path.isEmpty())
        OpenWithAssociatedProgram(m_env.shell, m_env.messages, path);
}

void FileTools::openContainingFolder() {
    const int position = m_rows.currentRow();
    if (position == 0)
        return;
    const DownloadRow& row = m_env.list.row(position);
    if (!FolderExists(row.saveFolder)) {
        m_env.messages.showMessage(QStringLiteral("文件夹不存在！"), MessageIcon::Error);
        return;
    }
    const QString path = CommandTarget(row.saveFolder, row.name, row.type);
    if (FileExists(path)) {
        if (!LocateFileInFolder(m_env.shell, path))
            m_env.messages.showMessage(QStringLiteral("打开失败！"), MessageIcon::Error);
        return;
    }
    m_env.shell.openFile(row.saveFolder);
}

void FileTools::openInTextEditor() {
    const QString path = currentRowFile();
    if (path.isEmpty())
        return;
    if (double(QFileInfo(path).size()) / 1024.0 > 2048.0) {
        m_env.messages.showMessage(QStringLiteral("该文件太大，超过了2M，不便于用记事本打开！"),
                                   MessageIcon::Error);
        return;
    }
    m_env.shell.openInTextEditor(path);
}

QString FileTools::selectedName() const {
    const int position = m_rows.currentRow();
    return position == 0 ? QString() : m_env.list.row(position).name;
}

QString FileTools::selectedAddress() const {
    const int position = m_rows.currentRow();
    return position == 0 ? QString() : 选择url(m_env.list.row(position).key);
}

ReplaceOutcome FileTools::replaceAddresses(const QString& from, const QString& to) {
    ReplaceOutcome outcome;
    DownloadListModel& list = m_env.list;
    for (int i = 1; i <= list.count(); ++i) {
        const DownloadRow& row = list.row(i);
        const QString key = QString(row.key).replace(from, to, Qt::CaseInsensitive);
        const QString tag = QString(row.tag).replace(from, to, Qt::CaseInsensitive);
        if (key == row.key && tag == row.tag)
            continue;
        // The model keeps keys unique: a clashing key is put back.
        list.modify(i, [&](DownloadRow& changed) {
            changed.key = key;
            changed.tag = tag;
        });
        if (list.row(i).key != key)
            ++outcome.clashes;
        else
            ++outcome.changed;
    }
    return outcome;
}

void FileTools::exportNames(bool unfinishedOnly) {
    DownloadListModel& list = m_env.list;
    if (list.count() == 0)
        return;
    const QString path = m_env.prompts.askSaveFile(QStringLiteral("*.txt"));
    if (path.isEmpty())
        return;
    QString text;
    for (int i = 1; i <= list.count(); ++i) {
        const DownloadRow& row = list.row(i);
        if (!unfinishedOnly || row.state != DownloadRow::Finished)
            text += row.name + QStringLiteral("\r\n");
    }
    // Text files are written in UTF-8 here; the old file stays whole when writing fails.
    if (const QString error = WriteWholeFile(path, text.toUtf8()); !error.isEmpty())
        m_env.messages.showMessage(error, MessageIcon::Error);
}

QString FileTools::clickedRowText(int position) const {
    if (position < 1 || position > m_env.list.count())
        return {};
    const DownloadRow& row = m_env.list.row(position);
    const QString path = row.targetPath();
    return FileExists(path) ? path : row.key;
}

} // namespace quenlit
