#pragma once

#include <QObject>
#include <QString>

namespace quenlit {

class HtmlDocument;
class HtmlElement;

// The embedded web browser as the program drives it. The document is a parsed snapshot
// of the page taken when its top-level load completes; actions reach the live page's
// element by its tag and document-order index.
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void Navigate(const QString& address) = 0;
    // True while a load is in progress.
    virtual bool Busy() const = 0;
    // The current top-level document, or none.
    virtual const HtmlDocument* Document() const = 0;
    // When silent, script dialogs are swallowed.
    virtual void setSilent(bool silent) = 0;
    virtual bool Silent() const = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void click(const HtmlElement& element) = 0;
    virtual void setValue(const HtmlElement& element, const QString& value) = 0;

signals:
    // The top-level document has loaded (frames do not count).
    void DocumentComplete(const QString& address);
    void StatusTextChange(const QString& text);
    void BeforeNavigate2(const QString& address);
};

} // namespace quenlit
