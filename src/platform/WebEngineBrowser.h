#pragma once

#include "Browser.h"

#include <QPointer>
#include <QWebEngineView>
#include <memory>

class QWebEngineProfile;
class QWidget;

namespace quenlit {

class BrowserPage;

// The real browser: a QWebEngineView on the program's shared profile.
class WebEngineBrowser final : public Browser {
    Q_OBJECT
public:
    WebEngineBrowser(QWebEngineProfile& profile, QWidget* viewParent);
    ~WebEngineBrowser() override;

    QWebEngineView* view() const { return m_view; }

    void Navigate(const QString& address) override;
    bool Busy() const override { return m_loading || m_snapshotPending || m_clickPending; }
    std::shared_ptr<const HtmlDocument> Document() const override { return m_document; }
    quint64 readPage() override;
    void setSilent(bool silent) override;
    bool Silent() const override;
    void GoBack() override;
    void GoForward() override;
    quint64 click(const ElementLocator& element) override;
    quint64 setValue(const ElementLocator& element, const QString& value) override;

private:
    void takeSnapshot();
    quint64 runOnElement(const ElementLocator& element, const QString& action);

    QPointer<QWebEngineView> m_view;
    QPointer<BrowserPage> m_page;
    std::shared_ptr<const HtmlDocument> m_document;
    bool m_loading = false;
    bool m_snapshotPending = false;
    bool m_clickPending = false;
    quint64 m_loadGeneration = 0;
    quint64 m_lastTicket = 0;
};

} // namespace quenlit
