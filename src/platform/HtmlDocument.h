#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <memory>
#include <vector>

namespace quenlit {

class HtmlDocument;

// One element of a parsed page. Read-only; lives as long as its document.
class HtmlElement {
public:
    // Lower case, "a", "div".
    const QString& tag() const { return m_tag; }
    QString attribute(const QString& name) const;
    bool hasAttribute(const QString& name) const;
    QString className() const { return attribute(QStringLiteral("class")); }
    QString title() const { return attribute(QStringLiteral("title")); }
    QString id() const { return attribute(QStringLiteral("id")); }
    // The anchor's address, absolute against the page address and any <base>, fully encoded
    // as the browser gives it.
    QString href() const;
    // The visible text: text of the descendants, white space folded, <br> as a line break.
    QString innerText() const;
    QString innerHTML() const;
    QString outerHTML() const;
    // Descendants with the tag (case ignored, "*" for all), in document order.
    QList<const HtmlElement*> getElementsByTagName(const QString& tag) const;
    // Position among the document's elements of the same tag, in document order.
    int tagIndex() const { return m_tagIndex; }
    // Inside a <noscript> block, which the live page with scripts on does not show.
    bool insideNoscript() const;
    const HtmlElement* parent() const { return m_parent; }
    const HtmlDocument& document() const { return *m_document; }

private:
    friend class HtmlDocument;
    friend struct HtmlBuilder;

    struct Child {
        const HtmlElement* element = nullptr; // else text
        QString text;
    };

    void appendText(QString& out, bool& pendingSpace) const;
    void appendChildrenText(QString& out, bool& pendingSpace) const;
    void appendHtml(QString& out) const;

    const HtmlDocument* m_document = nullptr;
    const HtmlElement* m_parent = nullptr;
    QString m_tag;
    QList<std::pair<QString, QString>> m_attributes; // lower-case names
    std::vector<Child> m_children;
    int m_order = 0;      // pre-order position in the document
    int m_lastInside = 0; // pre-order position of the last descendant
    int m_tagIndex = 0;
};

// A page parsed with an HTML5 parser into a read-only document model.
class HtmlDocument {
public:
    static std::unique_ptr<HtmlDocument> parse(const QString& source, const QUrl& url);
    ~HtmlDocument();

    // As the browser gives it: fully encoded.
    QString URL() const { return m_url.toString(QUrl::FullyEncoded); }
    const QUrl& url() const { return m_url; }
    const QUrl& baseUrl() const { return m_base; }
    // The page source as it was read: the document element's outer HTML.
    const QString& source() const { return m_source; }
    const HtmlElement* documentElement() const;
    QList<const HtmlElement*> getElementsByTagName(const QString& tag) const;
    const HtmlElement* getElementById(const QString& id) const;

private:
    friend class HtmlElement;
    friend struct HtmlBuilder;
    HtmlDocument() = default;

    QList<const HtmlElement*> elementsBetween(int first, int last, const QString& tag) const;

    QString m_source;
    QUrl m_url;
    QUrl m_base;
    std::vector<std::unique_ptr<HtmlElement>> m_elements; // in document order
};

} // namespace quenlit
