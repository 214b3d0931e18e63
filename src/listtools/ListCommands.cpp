#include "ListCommands.h"

#include "DownloadList.h"
#include "DownloadListModel.h"
#include "FileNames.h"
#include "FileTypeCheck.h"
#include "MessageSink.h"
#include "Shell.h"

#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QSet>
#include <vector>

namespace quenlit {

namespace {
const QString NotIdle = QStringLiteral("停止下载以后，才能执行此操作！");

bool isWebType(const QString& type, bool withXml) {
    const QString lower = type.toLower();
    return lower == u"htm" || lower == u"html" || (withXml && lower == u"xml");
}

bool finishedOrFailed(const DownloadRow& row) {
    return row.state == DownloadRow::Finished || row.state == DownloadRow::Failed;
}

void clearProgress(DownloadRow& row) {
    row.size.clear();
    row.downloaded.clear();
    row.percent.clear();
}

std::optional<float> number(QString text) {
    bool ok = false;
    const float value = text.trimmed().toFloat(&ok);
    return ok ? std::optional<float>(value) : std::nullopt;
}

// A cell as twelve digits for sorting; nothing when it is not a whole number.
std::optional<qlonglong> wholeNumber(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    return ok && value >= 0 ? std::optional<qlonglong>(value) : std::nullopt;
}
} // namespace

void OpenWithAssociatedProgram(Shell& shell, MessageSink& messages, const QString& path) {
    if (!FileExists(path)) {
        messages.showMessage(QStringLiteral("文件不存在！"), MessageIcon::Error);
        return;
    }
    // One more try through the generic opener; its outcome is not known here.
    if (!shell.openFile(path))
        shell.startProgram(QStringLiteral("xdg-open"), {path});
}

bool LocateFileInFolder(Shell& shell, const QString& path) {
    const QString trimmed = path.trimmed();
    return FileExists(trimmed) && shell.showInFolder(trimmed);
}

ListCommands::ListCommands(ListToolsEnvironment environment)
    : m_env(std::move(environment)) {}

int ListCommands::currentRow() const {
    const QModelIndex current = m_env.selection.currentIndex();
    if (!current.isValid() || current.row() >= m_env.list.count())
        return 0;
    return current.row() + 1;
}

bool ListCommands::rowSelected(int position) const {
    return m_env.selection.isRowSelected(position - 1, {});
}

bool ListCommands::idleChecked() {
    if (m_env.activity().idle())
        return true;
    m_env.messages.showMessage(NotIdle, MessageIcon::Information);
    return false;
}

void ListCommands::selectAll() {
    if (m_env.list.count() == 0)
        return;
    const QItemSelection all(
        m_env.list.index(0, 0),
        m_env.list.index(m_env.list.count() - 1, m_env.list.columnCount() - 1));
    m_env.selection.select(all, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListCommands::selectNone() {
    m_env.selection.clearSelection();
}

void ListCommands::shuffle() {
    if (!idleChecked())
        return;
    DownloadListModel& list = m_env.list;
    // Each pick takes one of the rows not yet moved and puts it at the end; after 10000
    // picks the rows left keep their order at the top.
    std::vector<int> unmoved(size_t(list.count()));
    for (int i = 0; i < list.count(); ++i)
        unmoved[size_t(i)] = i + 1;
    std::vector<int> picked;
    QRandomGenerator& random = *QRandomGenerator::global();
    for (int steps = 1; !unmoved.empty() && steps <= 10000; ++steps) {
        const size_t k = size_t(random.bounded(int(unmoved.size())));
        picked.push_back(unmoved[k]);
        unmoved.erase(unmoved.begin() + qsizetype(k));
    }
    std::vector<DownloadRow> order;
    order.reserve(size_t(list.count()));
    for (const int position : unmoved)
        order.push_back(list.row(position));
    for (const int position : picked)
        order.push_back(list.row(position));
    list.changeAll([&] {
        list.removeIf([](const DownloadRow&, int) { return true; });
        for (const DownloadRow& row : order)
            list.KeyedTableModel<DownloadRow>::append(row.key,
                                                      [&](DownloadRow& copy) { copy = row; });
    });
    m_env.messages.showMessage(QStringLiteral("随机排序完成！"), MessageIcon::Information);
}

void ListCommands::requeueSelected() {
    for (int i = 1; i <= m_env.list.count(); ++i) {
        if (rowSelected(i) && finishedOrFailed(m_env.list.row(i)))
            RequeueRow(m_env.list, i);
    }
}

void ListCommands::requeueFailed() {
    RequeueFailedRows(m_env.list);
}

void ListCommands::requeueWeb() {
    RequeueWebRows(m_env.list);
}

void ListCommands::requeueFailedAndWeb() {
    DownloadListModel& list = m_env.list;
    list.changeAll([&] {
        for (int i = 1; i <= list.count(); ++i) {
            const DownloadRow& row = list.row(i);
            if (row.state == DownloadRow::Failed ||
                (row.state == DownloadRow::Finished && isWebType(row.type, false)))
                RequeueRow(list, i);
        }
    });
}

void ListCommands::requeueSmallerThan() {
    const std::optional<QString> answer = m_env.prompts.askText(QStringLiteral("请输入数字："), {});
    if (!answer)
        return;
    const std::optional<float> limit = number(*answer);
    if (!limit)
        return;
    DownloadListModel& list = m_env.list;
    for (int i = 1; i <= list.count(); ++i) {
        const DownloadRow& row = list.row(i);
        const std::optional<float> size = number(QString(row.size).remove(u','));
        const std::optional<float> downloaded = number(QString(row.downloaded).remove(u','));
        if (size && downloaded && *limit > *size && *downloaded == *size && finishedOrFailed(row))
            RequeueRow(list, i);
    }
}

void ListCommands::removeWhere(const std::function<bool(int position)>& picked) {
    if (!idleChecked())
        return;
    m_env.list.removeIf([&](const DownloadRow&, int position) { return picked(position); });
}

void ListCommands::removeSelected() {
    // The selection is gone once the list is reset: read it first.
    QSet<int> selected;
    for (int i = 1; i <= m_env.list.count(); ++i) {
        if (rowSelected(i))
            selected.insert(i);
    }
    removeWhere([&](int position) { return selected.contains(position); });
}

void ListCommands::removeFinished() {
    removeWhere([&](int i) { return m_env.list.row(i).state == DownloadRow::Finished; });
}

void ListCommands::removeUnfinished() {
    removeWhere([&](int i) { return m_env.list.row(i).state != DownloadRow::Finished; });
}

void ListCommands::removeFailed() {
    removeWhere([&](int i) { return m_env.list.row(i).state == DownloadRow::Failed; });
}

void ListCommands::clearAll() {
    if (!idleChecked())
        return;
    if (!m_env.messages.ask(QStringLiteral("您确定要清空列表的所有信息吗？")))
        return;
    m_env.list.removeIf([](const DownloadRow&, int) { return true; });
}

void ListCommands::deleteWebFiles() {
    DownloadListModel& list = m_env.list;
    for (int i = 1; i <= list.count(); ++i) {
        const DownloadRow& row = list.row(i);
        if (isWebType(row.type, true) && finishedOrFailed(row)) {
            list.modify(i, clearProgress);
            DeleteRowFile(list, i);
        }
    }
}

void ListCommands::deleteFailedFiles() {
    DownloadListModel& list = m_env.list;
    for (int i = 1; i <= list.count(); ++i) {
        if (list.row(i).state == DownloadRow::Failed) {
            list.modify(i, clearProgress);
            DeleteRowFile(list, i);
        }
    }
}

void ListCommands::deleteSelectedFiles() {
    DownloadListModel& list = m_env.list;
    for (int i = 1; i <= list.count(); ++i) {
        // A row being downloaded keeps its transfer; resetting it would start it twice.
        if (!rowSelected(i) || list.row(i).state == DownloadRow::Downloading)
            continue;
        list.modify(i, clearProgress);
        DeleteRowFile(list, i);
        list.modify(i, [](DownloadRow& row) { row.state = DownloadRow::Waiting; });
    }
}

void ListCommands::deleteSmallerThan() {
    const std::optional<QString> answer = m_env.prompts.askText(
        QStringLiteral("请输入文件大小（KB），小于这个数的文件将会被全部删除！"),
        QStringLiteral("删除文件大小小于指定数的全部文件"));
    if (!answer)
        return;
    const std::optional<float> limit = number(*answer);
    if (!limit) {
        m_env.messages.showMessage(QStringLiteral("文件大小无效！"), MessageIcon::Error);
        return;
    }
    DownloadListModel& list = m_env.list;
    for (int i = 1; i <= list.count(); ++i) {
        const std::optional<float> size = number(list.row(i).size);
        if (!size || !(*limit > *size / 1024.0f) || list.row(i).state == DownloadRow::Downloading)
            continue;
        list.modify(i, clearProgress);
        DeleteRowFile(list, i);
        list.modify(i, [](DownloadRow& row) { row.state = DownloadRow::Waiting; });
    }
}

void ListCommands::cancelSelected() {
    if (m_env.activity().busy) {
        m_env.messages.showMessage(QStringLiteral("停止下载后方可设置！"), MessageIcon::Error);
        return;
    }
    for (int i = 1; i <= m_env.list.count(); ++i) {
        if (rowSelected(i) && m_env.list.row(i).state == DownloadRow::Waiting)
            m_env.list.modify(i, [](DownloadRow& row) { row.state = DownloadRow::Failed; });
    }
}

void ListCommands::sortByColumn(int column) {
    // The parallel slots remember rows by position: no sort while one still downloads.
    if (m_env.activity().running() || !m_env.activity().idle()) {
        m_env.messages.showMessage(QStringLiteral("停止下载后方可排序！"),
                                   MessageIcon::Information);
        return;
    }
    m_descending = !m_descending;
    const Qt::SortOrder order = m_descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    DownloadListModel& list = m_env.list;
    const bool numbers =
        column == DownloadListModel::SizeColumn || column == DownloadListModel::DownloadedColumn;
    const bool percent = column == DownloadListModel::PercentColumn;
    if (!numbers && !percent) {
        list.sortByColumn(column, order);
        return;
    }
    const auto cellOf = [column](DownloadRow& row) -> QString& {
        return column == DownloadListModel::SizeColumn         ? row.size
               : column == DownloadListModel::DownloadedColumn ? row.downloaded
                                                               : row.percent;
    };
    // Numbers sort as twelve-digit texts; status texts stay as they are and sort as text.
    list.changeAll([&] {
        for (int i = 1; i <= list.count(); ++i) {
            list.modify(i, [&](DownloadRow& row) {
                QString& cell = cellOf(row);
                const std::optional<qlonglong> value =
                    wholeNumber(percent ? QString(cell).remove(u'%') : cell);
                if (value && !cell.isEmpty())
                    cell = QStringLiteral("%1").arg(*value, 12, 10, QChar(u'0'));
            });
        }
    });
    list.sortByColumn(column, order);
    list.changeAll([&] {
        for (int i = 1; i <= list.count(); ++i) {
            list.modify(i, [&](DownloadRow& row) {
                QString& cell = cellOf(row);
                const std::optional<qlonglong> value =
                    cell.size() == 12 ? wholeNumber(cell) : std::nullopt;
                if (value)
                    cell = QString::number(*value) + (percent ? QStringLiteral("%") : QString());
            });
        }
    });
}

void ListCommands::activateRow(int position) {
    DownloadListModel& list = m_env.list;
    if (position < 1 || position > list.count())
        return;
    const DownloadRow& row = list.row(position);
    if (row.state == DownloadRow::Finished) {
        if (FileExists(row.targetPath()))
            OpenWithAssociatedProgram(m_env.shell, m_env.messages, row.targetPath());
        else
            m_env.messages.showMessage(QStringLiteral("文件不存在！"), MessageIcon::Error);
    } else if (row.state == DownloadRow::Failed) {
        DeleteRowFile(list, position);
        list.modify(position, [](DownloadRow& changed) {
            changed.state = DownloadRow::Waiting;
            clearProgress(changed);
        });
    }
}

void ListCommands::correctFileTypes() {
    if (!idleChecked() || m_env.list.count() == 0)
        return;
    int corrected = 0;
    for (int i = 1; i <= m_env.list.count(); ++i)
        corrected += CorrectRowFileType(m_env.list, i) ? 1 : 0;
    m_env.messages.showMessage(QStringLiteral("纠正文件类型：%1个.").arg(corrected),
                               MessageIcon::Information);
}

void ListCommands::detectFileType() {
    const QString path = m_env.prompts.askOpenFile(QStringLiteral("*"));
    if (path.isEmpty())
        return;
    const QString type = 打开文件判断文件类型(path);
    m_env.messages.showMessage(QStringLiteral("文件类型为：") +
                                   (type.isEmpty() ? QStringLiteral("目前还无法判断。") : type),
                               MessageIcon::Information);
}

void ListCommands::checkFilesExist() {
    for (int i = 1; i <= m_env.list.count(); ++i) {
        if (!FileExists(m_env.list.row(i).targetPath()))
            m_env.list.modify(i, [](DownloadRow& row) { row.percent = QStringLiteral("不存在"); });
    }
}

} // namespace quenlit
