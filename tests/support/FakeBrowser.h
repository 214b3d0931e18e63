#pragma once

#include "Browser.h"
#include "HtmlDocument.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>

namespace quenlit {
class Clock;
}

namespace quenlit::testing {

// A browser that serves pages made by a function, each load taking loadMs on the clock.
// Addresses in `hanging` never finish loading. A click finds its element on the live page
// as a browser with scripts on would (nothing inside <noscript>) and follows its address.
// `script`, when set, changes the live page's source before every later read, as a page's
// scripts would.
class FakeBrowser final : public Browser {
    Q_OBJECT
public:
    FakeBrowser(Clock& clock, std::function<QString(const QString& address)> pages);

    void Navigate(const QString& address) override;
    bool Busy() const override { return m_busy; }
    std::shared_ptr<const HtmlDocument> Document() const override { return m_document; }
    quint64 readPage() override;
    void setSilent(bool silent) override { m_silent = silent; }
    bool Silent() const override { return m_silent; }
    void GoBack() override {}
    void GoForward() override {}
    quint64 click(const ElementLocator& element) override;
    quint64 setValue(const ElementLocator& element, const QString& value) override;

    int loadMs = 200;
    QSet<QString> hanging;
    QStringList navigations;  // every address loaded, clicks included
    QList<double> clickTimes; // elapsed seconds of each click
    QStringList clickedAddresses;
    QList<std::pair<ElementLocator, QString>> valuesSet;
    std::function<QString(const QString& source)> script;

private:
    Clock& m_clock;
    std::function<QString(const QString&)> m_pages;
    const HtmlElement* liveElement(const ElementLocator& element) const;
    quint64 answer(bool found);

    std::shared_ptr<const HtmlDocument> m_document;
    quint64 m_lastTicket = 0;
    bool m_busy = false;
    bool m_silent = false;
    quint64 m_generation = 0;
};

} // namespace quenlit::testing
