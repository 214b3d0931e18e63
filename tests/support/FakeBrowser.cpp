#include "FakeBrowser.h"

#include "Clock.h"

#include <QPointer>
#include <algorithm>

namespace quenlit::testing {

FakeBrowser::FakeBrowser(Clock& clock, std::function<QString(const QString&)> pages)
    : m_clock(clock)
    , m_pages(std::move(pages)) {}

void FakeBrowser::Navigate(const QString& address) {
    navigations.append(address);
    m_busy = true;
    const quint64 generation = ++m_generation;
    if (hanging.contains(address))
        return;
    m_clock.callAfter(loadMs, [self = QPointer(this), address, generation] {
        if (!self || generation != self->m_generation)
            return;
        self->m_document = HtmlDocument::parse(self->m_pages(address), QUrl(address));
        self->m_busy = false;
        emit self->DocumentComplete(address);
    });
}

quint64 FakeBrowser::readPage() {
    const quint64 ticket = ++m_lastTicket;
    m_clock.callAfter(0, [self = QPointer(this), ticket] {
        if (!self)
            return;
        if (self->m_document && self->script) {
            self->m_document = HtmlDocument::parse(self->script(self->m_document->source()),
                                                   self->m_document->url());
        }
        emit self->pageRead(ticket);
    });
    return ticket;
}

const HtmlElement* FakeBrowser::liveElement(const ElementLocator& wanted) const {
    if (!m_document)
        return nullptr;
    int earlier = wanted.occurrence;
    for (const HtmlElement* element : m_document->getElementsByTagName(wanted.tag)) {
        if (!element->insideNoscript() && wanted.matches(*element) && earlier-- == 0)
            return element;
    }
    return nullptr;
}

quint64 FakeBrowser::answer(bool found) {
    const quint64 ticket = ++m_lastTicket;
    m_clock.callAfter(0, [self = QPointer(this), ticket, found] {
        if (self)
            emit self->elementActed(ticket, found);
    });
    return ticket;
}

quint64 FakeBrowser::click(const ElementLocator& element) {
    const HtmlElement* live = liveElement(element);
    const QString address = live ? live->href() : QString();
    clickTimes.append(m_clock.elapsedSeconds());
    clickedAddresses.append(address);
    const quint64 ticket = answer(live != nullptr);
    if (!address.isEmpty())
        Navigate(address);
    return ticket;
}

quint64 FakeBrowser::setValue(const ElementLocator& element, const QString& value) {
    const bool found = liveElement(element) != nullptr;
    if (found)
        valuesSet.append({element, value});
    return answer(found);
}

} // namespace quenlit::testing
