#pragma once

#include "DownloadListModel.h"
#include "ListCommands.h"
#include "RecordingMessageSink.h"
#include "RecordingShell.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QStringList>
#include <QTemporaryDir>

namespace quenlit::testing {

// Answers the input boxes and file dialogs from prepared texts and records the questions.
class PreparedPrompts final : public ListPrompts {
public:
    std::optional<QString> askText(const QString& prompt, const QString& title) override {
        asked.append(prompt + u'|' + title);
        return answer;
    }
    QString askOpenFile(const QString& filter) override {
        asked.append(filter);
        return fileAnswer;
    }
    QString askSaveFile(const QString& filter) override {
        asked.append(filter);
        return fileAnswer;
    }

    std::optional<QString> answer;
    QString fileAnswer;
    QStringList asked;
};

// A download list in a temporary folder with everything the list tools work with.
struct ListFixture {
    QTemporaryDir dir;
    DownloadListModel list;
    QItemSelectionModel selection{&list};
    RecordingMessageSink messages;
    RecordingShell shell;
    PreparedPrompts prompts;
    ListActivity activity;

    ListToolsEnvironment environment() {
        return {list, selection, messages, prompts, shell, [this] { return activity; }};
    }
    QString folder() const { return dir.path() + u'/'; }

    // Appends a row; size and downloaded as given, in the temporary folder.
    void add(const QString& key, const QString& name, const QString& type, qint16 state,
             const QString& size = {}, const QString& downloaded = {},
             const QString& percent = {}) {
        list.append(key, name);
        list.modify(list.count(), [&](DownloadRow& row) {
            row.type = type;
            row.state = state;
            row.size = size;
            row.downloaded = downloaded;
            row.percent = percent;
            row.saveFolder = folder();
            row.tag = u"http://ref/"_qs + name;
        });
    }
    void write(const QString& fileName, const QByteArray& bytes) {
        QFile file(dir.filePath(fileName));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    bool exists(const QString& fileName) const { return QFile::exists(dir.filePath(fileName)); }
    void select(std::initializer_list<int> positions) {
        for (int position : positions)
            selection.select(list.index(position - 1, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void setCurrent(int position) {
        selection.setCurrentIndex(list.index(position - 1, 0), QItemSelectionModel::NoUpdate);
    }
    // Every row as "key name type size downloaded percent state".
    QStringList snapshot() const {
        QStringList rows;
        for (int i = 1; i <= list.count(); ++i) {
            const DownloadRow& row = list.row(i);
            rows << QStringList{row.key,
                                row.name,
                                row.type,
                                row.size,
                                row.downloaded,
                                row.percent,
                                QString::number(row.state)}
                        .join(u' ');
        }
        return rows;
    }
    QStringList column(int column) const {
        QStringList cells;
        for (int i = 0; i < list.count(); ++i)
            cells << list.data(list.index(i, column), Qt::DisplayRole).toString();
        return cells;
    }
};

} // namespace quenlit::testing
