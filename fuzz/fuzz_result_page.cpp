// Arbitrary bytes as a result page: the document model and the harvest never crash, every
// harvested row has an address, and no page yields more rows than it has links
// nor more links than it has blocks.
#include "FuzzSupport.h"
#include "Harvester.h"
#include "HtmlDocument.h"
#include "ResultListModel.h"

using namespace quenlit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Application();
    const QString source = QString::fromUtf8(fuzz::Bytes(data, size));
    const auto document = HtmlDocument::parse(source, QUrl(u"https://search.example/s?q=x"_qs));
    fuzz::Require(document != nullptr, "a page always parses");

    qsizetype anchors = 0;
    qsizetype blocks = 0; // each result block or heading gives at most one link
    for (const HtmlElement* element : document->getElementsByTagName(u"*"_qs)) {
        (void)element->innerText();
        (void)element->outerHTML();
        (void)element->insideNoscript();
        if (element->tag() == u"div"_qs || element->tag() == u"h2"_qs)
            ++blocks;
        if (element->tag() == u"a"_qs) {
            ++anchors;
            (void)element->href();
        }
    }

    ResultListModel results;
    bool halted = false;
    Harvester harvester(results, halted);
    TitleOptions options;
    options.skipUnknownType = size > 0 && data[0] % 2 == 0;
    const int taken = harvester.ExtractPageLinks(document.get(), u"/tmp/docs/"_qs, options);
    // A link found twice (result blocks inside result blocks) counts twice but is one row.
    fuzz::Require(taken >= 0 && taken <= blocks, "at most one link a block");
    fuzz::Require(results.rowCount() <= anchors, "no more rows than links");
    for (int position = 1; position <= results.rowCount(); ++position) {
        const ResultRow& row = results.row(position);
        // A title may clean to nothing ("- site.com"); the download then names it by address.
        fuzz::Require(!row.key.isEmpty(), "a row has an address", row.title);
    }
    return 0;
}
