#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace quenlit {

// The document types in the order a batch visits them.
enum class DocumentType { Pdf, Doc, Ppt, Xls, Rtf };
inline constexpr std::array<DocumentType, 5> AllDocumentTypes{
    DocumentType::Pdf, DocumentType::Doc, DocumentType::Ppt, DocumentType::Xls, DocumentType::Rtf};

// "+filetype%3Apdf"
QString QuerySuffix(DocumentType type);
// "(pdf)", as the batch's progress box writes it.
QString ProgressLabel(DocumentType type);

// Option1 to Option5: all time, one year, one month, one week, one day.
enum class TimeRange { AllTime, Year, Month, Week, Day };
QString TimeFilter(TimeRange range);

enum class SearchScope { China = 0, Global = 1 };

// The search engine's hosts. A host may carry its own scheme and port
// ("http://127.0.0.1:8080"); a bare host takes the scheme each address calls for.
struct SearchHosts {
    QString china;
    QString global;
};

// The keyword lines of the keyword box: split at CR LF, trimmed of spaces, empty ones
// dropped.
QStringList SplitKeywordLines(const QString& text);

QString BuildSearchAddress(const QString& line, DocumentType type, bool wholePhrase,
                           TimeRange range, SearchScope scope, const SearchHosts& hosts);
QString BuildStartPageAddress(SearchScope scope, const SearchHosts& hosts);

// The result offset of a result page address ("&first=21&" gives 21), 0 when none.
qint32 从网址提取页码数(const QString& address);

} // namespace quenlit
