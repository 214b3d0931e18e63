#pragma once

#include "WorkScope.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace quenlit {

class Clock;
class MessageSink;
class SettingsStore;

// What to do when the destination name exists (the window's option index).
enum class ClashOption {
    None = 0,
    Skip = 1,
    Overwrite = 2,
    Rename = 3,
    SizeAndTimeElseRename = 4,
    SizeElseRename = 5,
};

// The copy window's logic: copies a set of files into one folder with a clash policy,
// remembering the folder, the policy and the recent folders.
class CopyFilesTool : public QObject {
    Q_OBJECT
public:
    // dataFolder holds "SaveList.dat" and is the destination before one was chosen.
    CopyFilesTool(Clock& clock, SettingsStore& settings, MessageSink& messages, QString dataFolder,
                  QObject* parent = nullptr);
    ~CopyFilesTool() override;

    // The window's load: the folder history, the stored folder and policy.
    void load();
    // "开始" starts a pass, "停止" ends the running one before its next file.
    void 执行(bool showMessage);
    // The window closes: a running pass ends, the collection is emptied.
    void close();

    bool running() const { return m_running; }
    QString buttonCaption() const;
    QString recentFoldersPath() const;

    QStringList 文件全路径集合;
    QString 目的文件夹;
    QString folderText;  // what the destination box shows
    QStringList history; // the destination box's list
    int policyIndex = 4;
    QString currentFile;
    int progress = 0;
    int progressMaximum = 0;

signals:
    // Something shown by the window has changed.
    void changed();

private:
    QCoro::Task<> pass(QStringList paths, bool showMessage);
    void copyOne(const QString& path, const QString& name);

    SettingsStore& m_settings;
    MessageSink& m_messages;
    QString m_dataFolder;
    WorkScope m_scope;
    bool m_running = false;
    bool m_stopRequested = false;
};

} // namespace quenlit
