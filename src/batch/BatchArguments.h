#pragma once

#include "QueryBuilder.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quenlit {

class SettingsStore;

// What the command line of a batch run asks for; what it leaves out comes from the
// user's settings.
struct BatchRequest {
    QString keywordFile;
    std::optional<QList<DocumentType>> types;
    std::optional<TimeRange> range;
    bool wholePhrase = false;
    std::optional<SearchScope> scope;
    std::optional<QString> saveFolder;
    // "跳过", "覆盖" or "重命名".
    std::optional<QString> clashPolicy;
    std::optional<int> method;
    std::optional<int> threads;
    std::optional<int> pause;
    bool json = false;
};

struct ParsedArguments {
    enum class Outcome {
        Window, // none of the batch options: the program starts with its windows
        Batch,
        Help,
        Bad,
    };
    Outcome outcome = Outcome::Window;
    BatchRequest request;
    // For a bad command line: what is wrong, naming the option.
    QString error;
};

// arguments: the command line after the program name.
ParsedArguments ParseBatchArguments(const QStringList& arguments);

// A batch run with every value settled.
struct BatchSettings {
    QString keywordFile;
    QList<DocumentType> types;
    TimeRange range = TimeRange::AllTime;
    bool wholePhrase = false;
    SearchScope scope = SearchScope::China;
    QString saveFolder;
    QString clashPolicy;
    int method = 2;
    int threads = 3;
    int pause = 0;
    bool json = false;
};

// Fills in what the request leaves out from the settings, as the windows read them.
BatchSettings ResolveBatchSettings(const BatchRequest& request, const SettingsStore& store);

// The text of --help: every option with the default that applies now.
QString BatchHelpText(const BatchSettings& defaults);

// The keyword lines of a keyword file in the windows' sense (one search per non-empty
// line); an error text when the file cannot be read or holds no keyword.
struct KeywordFile {
    QStringList lines;
    QString error;
};
KeywordFile ReadKeywordFile(const QString& path);

// Names used on the command line and in summaries.
QString TypeName(DocumentType type);
QString RangeName(TimeRange range);
QString ScopeName(SearchScope scope);

} // namespace quenlit
