#include "Harvester.h"

#include "HtmlDocument.h"
#include "ResultListModel.h"
#include "ResultRowText.h"

namespace quenlit {

QList<const HtmlElement*> FindElementsByClass(const HtmlDocument& document, const QString& tag,
                                              const QString& className) {
    QList<const HtmlElement*> found;
    for (const HtmlElement* element : document.getElementsByTagName(tag)) {
        if (element->className().trimmed().compare(className, Qt::CaseInsensitive) == 0)
            found.append(element);
    }
    return found;
}

int Harvester::ExtractPageLinks(const HtmlDocument* document, const QString& saveFolder,
                                const TitleOptions& options) {
    if (!document)
        return 0;
    if (document->source().contains(VerificationPageText)) {
        m_haltFlag = true;
        return 0;
    }
    int count = 0;
    for (const HtmlElement* block : FindElementsByClass(*document, u"div"_qs, u"b_title"_qs)) {
        const QList<const HtmlElement*> anchors = block->getElementsByTagName(u"a"_qs);
        if (anchors.isEmpty())
            continue;
        const HtmlElement* anchor = anchors.first();
        bool imageLink = false;
        if (anchor->innerHTML().contains(u"<img "_qs, Qt::CaseInsensitive) && anchors.size() >= 2) {
            anchor = anchors.at(1);
            imageLink = true;
        }
        count += 提取链接A(anchor, document->URL(), imageLink, saveFolder, options);
    }
    if (count == 0) {
        for (const HtmlElement* heading : document->getElementsByTagName(u"h2"_qs)) {
            const QList<const HtmlElement*> anchors = heading->getElementsByTagName(u"a"_qs);
            if (!anchors.isEmpty())
                count += 提取链接A(anchors.first(), document->URL(), false, saveFolder, options);
        }
    }
    return count;
}

int Harvester::提取链接A(const HtmlElement* anchor, const QString& pageAddress, bool imageLink,
                         const QString& saveFolder, const TitleOptions& options) {
    if (!anchor)
        return 0;
    QString address = anchor->href().trimmed();
    const QString title = anchor->innerText().trimmed();
    if (address.isEmpty() || title.isEmpty())
        return 0;
    address.replace(u"&amp;"_qs, u"&"_qs, Qt::CaseInsensitive);
    const QString type = TypeLabelFromAddress(address);
    const auto cleaned = AcceptAndCleanTitle(title, type, imageLink, options);
    if (!cleaned || cleaned->isEmpty())
        return 0;
    加入LV1(*cleaned, address, pageAddress, type, saveFolder, {});
    return 1;
}

void Harvester::加入LV1(const QString& title, const QString& address, const QString& pageAddress,
                        const QString& type, const QString& saveFolder, const QString& status) {
    m_results.append(address, [&](ResultRow& row) {
        row.title = RowTextForTitle(title);
        row.type = type;
        row.status = status;
        row.saveFolder = saveFolder;
        row.tag = pageAddress;
    });
}

} // namespace quenlit
