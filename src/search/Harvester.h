#pragma once

#include "ResultFilters.h"

#include <QList>
#include <QString>

namespace quenlit {

class HtmlDocument;
class HtmlElement;
class ResultListModel;

// Descendants with the tag whose whole class attribute, trimmed, equals className (case
// ignored), in document order.
QList<const HtmlElement*> FindElementsByClass(const HtmlDocument& document, const QString& tag,
                                              const QString& className);

// Harvests result pages into the results list.
class Harvester {
public:
    Harvester(ResultListModel& results, bool& haltFlag)
        : m_results(results)
        , m_haltFlag(haltFlag) {}

    // Links handed to the list from the page (duplicates the list refused included);
    // the verification page sets the halt flag and yields 0.
    int ExtractPageLinks(const HtmlDocument* document, const QString& saveFolder,
                         const TitleOptions& options);
    // 1 when the anchor became a row (or was a duplicate), 0 when refused.
    int 提取链接A(const HtmlElement* anchor, const QString& pageAddress, bool imageLink,
                  const QString& saveFolder, const TitleOptions& options);
    void 加入LV1(const QString& title, const QString& address, const QString& pageAddress,
                 const QString& type, const QString& saveFolder, const QString& status);

private:
    ResultListModel& m_results;
    bool& m_haltFlag;
};

// The text of the search engine's page that asks to prove the visitor is a person.
inline const QString VerificationPageText =
    QStringLiteral("您的访问过于频繁，为确认本次访问为正常用户行为，需要您协助验证");

} // namespace quenlit
