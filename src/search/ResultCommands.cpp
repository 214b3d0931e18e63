#include "ResultCommands.h"

#include "ResultFilters.h"
#include "ResultListModel.h"
#include "WholeFile.h"

#include <QLocale>

namespace quenlit {

namespace {
template <typename Test> QList<int> positionsWhere(const ResultListModel& results, Test test) {
    QList<int> positions;
    for (int i = 1; i <= results.count(); ++i) {
        if (test(results.row(i).title))
            positions.append(i);
    }
    return positions;
}
} // namespace

int RemoveSelectedResults(ResultListModel& results, const QSet<int>& selected) {
    return results.removeIf(
        [&](const ResultRow&, int position) { return selected.contains(position); });
}

int RemoveSucceededResults(ResultListModel& results) {
    return results.removeIf([](const ResultRow& row, int) { return row.status == u"成功"; });
}

int RemoveResultsByTitle(ResultListModel& results, const QString& text, bool containing) {
    if (text.isEmpty())
        return 0;
    return results.removeIf([&](const ResultRow& row, int) {
        return row.title.contains(text, Qt::CaseInsensitive) == containing;
    });
}

int RemoveAllResults(ResultListModel& results) {
    return results.removeIf([](const ResultRow&, int) { return true; });
}

QList<int> ResultsWithKana(const ResultListModel& results) {
    return positionsWhere(results, ContainsKana);
}

QList<int> ResultsWithTraditional(const ResultListModel& results) {
    return positionsWhere(results, ContainsTraditional);
}

void ConvertResultsToSimplified(ResultListModel& results) {
    results.changeAll([&] {
        for (int i = 1; i <= results.count(); ++i)
            results.modify(i, [](ResultRow& row) { row.title = ToSimplified(row.title); });
    });
}

std::optional<qint64> ExportResults(const ResultListModel& results, const QString& path) {
    QByteArray text;
    for (int i = 1; i <= results.count(); ++i) {
        const ResultRow& row = results.row(i);
        text += (row.title + u"-【"_qs + row.type + u"】"_qs + row.status + u"\r\n"_qs).toUtf8();
    }
    if (!WriteWholeFile(path, text).isEmpty())
        return std::nullopt;
    return text.size();
}

QString ExportedMessage(qint64 bytes) {
    const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return u"保存文件完毕："_qs + grouped.toString(bytes / 1024.0, 'f', 1) + u"KB"_qs;
}

} // namespace quenlit
