#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace quenlit {

class ResultListModel;

// The removal commands of the results list; each returns how many rows went.
int RemoveSelectedResults(ResultListModel& results, const QSet<int>& selected);
int RemoveSucceededResults(ResultListModel& results);
// Rows whose title contains (or, with containing false, lacks) the text, case ignored;
// an empty text removes nothing.
int RemoveResultsByTitle(ResultListModel& results, const QString& text, bool containing);
int RemoveAllResults(ResultListModel& results);

// Positions of the rows whose titles hold kana, or traditional characters.
QList<int> ResultsWithKana(const ResultListModel& results);
QList<int> ResultsWithTraditional(const ResultListModel& results);
void ConvertResultsToSimplified(ResultListModel& results);

// Writes "title-【type】status" lines in UTF-8; none when the file cannot be written,
// else its size in bytes.
std::optional<qint64> ExportResults(const ResultListModel& results, const QString& path);
// "保存文件完毕：1,234.5KB"
QString ExportedMessage(qint64 bytes);

} // namespace quenlit
