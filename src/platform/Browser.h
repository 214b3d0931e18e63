#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace quenlit {

class HtmlDocument;
class HtmlElement;

// Finds an element on the live page again by what identifies it: its tag and the raw
// values of some of its attributes (href, title, id, name), never by its position, which
// scripts and <noscript> blocks shift.
struct ElementLocator {
    QString tag;
    QList<std::pair<QString, QString>> attributes;
    // For an element without identifying attributes: its text, spaces folded; otherwise
    // the first element of its tag would do.
    QString text;
    // Which of the elements the above matches (outside <noscript>, in document order):
    // two fields named alike are two elements.
    int occurrence = 0;

    // The identifying attributes the element carries, and its occurrence.
    static ElementLocator of(const HtmlElement& element);
    // Tag, attributes and text agree (the occurrence is not compared).
    bool matches(const HtmlElement& element) const;
    // Sets the occurrence: how many earlier elements of its document the locator matches.
    void countOccurrence(const HtmlElement& element);
};

// The embedded web browser as the program drives it. Document() is a parsed snapshot of
// the page, taken when a top-level load completes and whenever readPage() reads the live
// page afresh. Actions reach the live element through its locator and report whether it
// was there.
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void Navigate(const QString& address) = 0;
    // True while a load is in progress.
    virtual bool Busy() const = 0;
    // The page as last read, or none.
    virtual std::shared_ptr<const HtmlDocument> Document() const = 0;
    // Reads the live page; pageRead(ticket) follows once Document() holds it.
    virtual quint64 readPage() = 0;
    // When silent, script dialogs are swallowed.
    virtual void setSilent(bool silent) = 0;
    virtual bool Silent() const = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    // Act on the first live element the locator matches; elementActed(ticket, found) follows.
    virtual quint64 click(const ElementLocator& element) = 0;
    virtual quint64 setValue(const ElementLocator& element, const QString& value) = 0;

signals:
    // The top-level document has loaded (frames do not count).
    void DocumentComplete(const QString& address);
    void StatusTextChange(const QString& text);
    void BeforeNavigate2(const QString& address);
    void TitleChange(const QString& title);
    void pageRead(quint64 ticket);
    void elementActed(quint64 ticket, bool found);
};

} // namespace quenlit
