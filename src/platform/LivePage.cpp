#include "LivePage.h"

#include "HtmlDocument.h"
#include "WorkScope.h"

namespace quenlit {

namespace {
constexpr int AnswerTimeoutMs = 10000;

// Waits for the browser's answer to one request; connect makes the connection that fires.
PendingWait answerOf(WorkScope& scope, PendingWait::Arm connect) {
    return PendingWait(scope, AnswerTimeoutMs, false, std::move(connect));
}
} // namespace

ElementLocator ElementLocator::of(const HtmlElement& element) {
    ElementLocator locator{element.tag(), {}, {}, 0};
    for (const QString& name : {u"href"_qs, u"title"_qs, u"id"_qs, u"name"_qs}) {
        if (element.hasAttribute(name))
            locator.attributes.append({name, element.attribute(name)});
    }
    if (locator.attributes.isEmpty())
        locator.text = element.innerText().simplified();
    locator.countOccurrence(element);
    return locator;
}

bool ElementLocator::matches(const HtmlElement& element) const {
    if (element.tag() != tag)
        return false;
    for (const auto& [name, value] : attributes) {
        if (!element.hasAttribute(name) || element.attribute(name) != value)
            return false;
    }
    return text.isEmpty() || element.innerText().simplified() == text;
}

void ElementLocator::countOccurrence(const HtmlElement& element) {
    occurrence = 0;
    for (const HtmlElement* other : element.document().getElementsByTagName(element.tag())) {
        if (other == &element)
            break;
        if (!other->insideNoscript() && matches(*other))
            ++occurrence;
    }
}

QCoro::Task<std::shared_ptr<const HtmlDocument>> readLivePage(Browser& browser, WorkScope& scope) {
    const quint64 ticket = browser.readPage();
    const bool read = co_await answerOf(scope, [&browser, ticket](std::function<void()> fire) {
        return QObject::connect(&browser, &Browser::pageRead, &browser,
                                [ticket, fire](quint64 answered) {
                                    if (answered == ticket)
                                        fire();
                                });
    });
    co_return read ? browser.Document() : nullptr;
}

QCoro::Task<bool> clickLiveElement(Browser& browser, WorkScope& scope,
                                   const ElementLocator& element) {
    bool found = false;
    const quint64 ticket = browser.click(element);
    const bool answered =
        co_await answerOf(scope, [&browser, ticket, &found](std::function<void()> fire) {
            return QObject::connect(&browser, &Browser::elementActed, &browser,
                                    [ticket, fire, &found](quint64 acted, bool there) {
                                        if (acted != ticket)
                                            return;
                                        found = there;
                                        fire();
                                    });
        });
    co_return answered&& found;
}

} // namespace quenlit
