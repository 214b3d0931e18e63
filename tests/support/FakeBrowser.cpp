#include "FakeBrowser.h"

#include "Clock.h"

#include <QPointer>

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

void FakeBrowser::click(const HtmlElement& element) {
    clickTimes.append(m_clock.elapsedSeconds());
    if (!element.href().isEmpty())
        Navigate(element.href());
}

} // namespace quenlit::testing
