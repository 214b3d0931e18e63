#include "FakeBrowser.h"

#include "Clock.h"

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
    m_clock.callAfter(loadMs, [this, address, generation] {
        if (generation != m_generation)
            return;
        m_document = HtmlDocument::parse(m_pages(address), QUrl(address));
        m_busy = false;
        emit DocumentComplete(address);
    });
}

void FakeBrowser::click(const HtmlElement& element) {
    clickTimes.append(m_clock.elapsedSeconds());
    if (!element.href().isEmpty())
        Navigate(element.href());
}

} // namespace quenlit::testing
