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
// Addresses in `hanging` never finish loading. A click follows the anchor's address.
class FakeBrowser final : public Browser {
    Q_OBJECT
public:
    FakeBrowser(Clock& clock, std::function<QString(const QString& address)> pages);

    void Navigate(const QString& address) override;
    bool Busy() const override { return m_busy; }
    const HtmlDocument* Document() const override { return m_document.get(); }
    void setSilent(bool silent) override { m_silent = silent; }
    bool Silent() const override { return m_silent; }
    void GoBack() override {}
    void GoForward() override {}
    void click(const HtmlElement& element) override;
    void setValue(const HtmlElement&, const QString&) override {}

    int loadMs = 200;
    QSet<QString> hanging;
    QStringList navigations;  // every address loaded, clicks included
    QList<double> clickTimes; // elapsed seconds of each click

private:
    Clock& m_clock;
    std::function<QString(const QString&)> m_pages;
    std::unique_ptr<HtmlDocument> m_document;
    bool m_busy = false;
    bool m_silent = false;
    quint64 m_generation = 0;
};

} // namespace quenlit::testing
