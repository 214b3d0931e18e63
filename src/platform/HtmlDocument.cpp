#include "HtmlDocument.h"

#include <QHash>
#include <algorithm>
#include <gumbo.h>

namespace quenlit {

namespace {
bool isVoid(const QString& tag) {
    static const QStringList voids{u"area"_qs,   u"base"_qs,  u"br"_qs,    u"col"_qs,  u"embed"_qs,
                                   u"hr"_qs,     u"img"_qs,   u"input"_qs, u"link"_qs, u"meta"_qs,
                                   u"source"_qs, u"track"_qs, u"wbr"_qs};
    return voids.contains(tag);
}

bool isBlock(const QString& tag) {
    static const QStringList blocks{u"p"_qs,  u"div"_qs, u"li"_qs,    u"tr"_qs,      u"h1"_qs,
                                    u"h2"_qs, u"h3"_qs,  u"h4"_qs,    u"h5"_qs,      u"h6"_qs,
                                    u"ul"_qs, u"ol"_qs,  u"table"_qs, u"section"_qs, u"article"_qs};
    return blocks.contains(tag);
}

QString escaped(const QString& text, bool attribute) {
    QString out = text;
    out.replace(u'&', u"&amp;"_qs);
    if (attribute)
        return out.replace(u'"', u"&quot;"_qs);
    return out.replace(u'<', u"&lt;"_qs).replace(u'>', u"&gt;"_qs);
}

QString tagName(const GumboElement& element) {
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromUtf8(gumbo_normalized_tagname(element.tag));
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    return QString::fromUtf8(piece.data, qsizetype(piece.length)).toLower();
}
} // namespace

struct HtmlBuilder {
    HtmlDocument& document;
    QHash<QString, int> tagCounts;

    HtmlElement* build(const GumboNode* node, const HtmlElement* parent) {
        const GumboElement& source = node->v.element;
        auto owned = std::make_unique<HtmlElement>();
        HtmlElement* element = owned.get();
        element->m_document = &document;
        element->m_parent = parent;
        element->m_tag = tagName(source);
        element->m_order = int(document.m_elements.size());
        element->m_tagIndex = tagCounts[element->m_tag]++;
        for (unsigned i = 0; i < source.attributes.length; ++i) {
            const auto* attribute = static_cast<const GumboAttribute*>(source.attributes.data[i]);
            element->m_attributes.append({QString::fromUtf8(attribute->name).toLower(),
                                          QString::fromUtf8(attribute->value)});
        }
        document.m_elements.push_back(std::move(owned));
        for (unsigned i = 0; i < source.children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(source.children.data[i]);
            switch (child->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                element->m_children.push_back({build(child, element), {}});
                break;
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                element->m_children.push_back({nullptr, QString::fromUtf8(child->v.text.text)});
                break;
            default:
                break;
            }
        }
        element->m_lastInside = int(document.m_elements.size()) - 1;
        return element;
    }
};

HtmlDocument::~HtmlDocument() = default;

std::unique_ptr<HtmlDocument> HtmlDocument::parse(const QString& source, const QUrl& url) {
    std::unique_ptr<HtmlDocument> document(new HtmlDocument);
    document->m_source = source;
    document->m_url = url;
    document->m_base = url;
    const QByteArray utf8 = source.toUtf8();
    GumboOutput* output =
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
    if (output && output->root && output->root->type == GUMBO_NODE_ELEMENT) {
        HtmlBuilder builder{*document, {}};
        builder.build(output->root, nullptr);
    }
    if (output)
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    for (const HtmlElement* base : document->getElementsByTagName(u"base"_qs)) {
        if (base->hasAttribute(u"href"_qs)) {
            document->m_base = url.resolved(QUrl(base->attribute(u"href"_qs).trimmed()));
            break;
        }
    }
    return document;
}

const HtmlElement* HtmlDocument::documentElement() const {
    return m_elements.empty() ? nullptr : m_elements.front().get();
}

QList<const HtmlElement*> HtmlDocument::elementsBetween(int first, int last,
                                                        const QString& tag) const {
    const QString wanted = tag.toLower();
    QList<const HtmlElement*> found;
    for (int i = qMax(0, first); i <= last && i < int(m_elements.size()); ++i) {
        if (wanted == u"*" || m_elements[i]->m_tag == wanted)
            found.append(m_elements[i].get());
    }
    return found;
}

QList<const HtmlElement*> HtmlDocument::getElementsByTagName(const QString& tag) const {
    return elementsBetween(0, int(m_elements.size()) - 1, tag);
}

const HtmlElement* HtmlDocument::getElementById(const QString& id) const {
    for (const auto& element : m_elements) {
        if (element->id() == id)
            return element.get();
    }
    return nullptr;
}

QString HtmlElement::attribute(const QString& name) const {
    const QString wanted = name.toLower();
    for (const auto& [key, value] : m_attributes) {
        if (key == wanted)
            return value;
    }
    return {};
}

bool HtmlElement::hasAttribute(const QString& name) const {
    const QString wanted = name.toLower();
    return std::any_of(m_attributes.begin(), m_attributes.end(),
                       [&](const auto& attribute) { return attribute.first == wanted; });
}

bool HtmlElement::insideNoscript() const {
    for (const HtmlElement* above = m_parent; above; above = above->m_parent) {
        if (above->m_tag == u"noscript")
            return true;
    }
    return false;
}

QString HtmlElement::href() const {
    if (!hasAttribute(u"href"_qs))
        return {};
    const QString raw = attribute(u"href"_qs).trimmed();
    const QUrl resolved = m_document->baseUrl().resolved(QUrl(raw));
    return resolved.isValid() ? resolved.toString(QUrl::FullyEncoded) : raw;
}

QList<const HtmlElement*> HtmlElement::getElementsByTagName(const QString& tag) const {
    return m_document->elementsBetween(m_order + 1, m_lastInside, tag);
}

void HtmlElement::appendText(QString& out, bool& pendingSpace) const {
    if (m_tag == u"script" || m_tag == u"style" || m_tag == u"template")
        return;
    if (m_tag == u"br") {
        out += u'\n';
        pendingSpace = false;
        return;
    }
    const bool block = isBlock(m_tag);
    const auto breakLine = [&] {
        if (block && !out.isEmpty() && !out.endsWith(u'\n')) {
            out += u'\n';
            pendingSpace = false;
        }
    };
    breakLine();
    appendChildrenText(out, pendingSpace);
    breakLine();
}

void HtmlElement::appendChildrenText(QString& out, bool& pendingSpace) const {
    for (const Child& child : m_children) {
        if (child.element) {
            child.element->appendText(out, pendingSpace);
            continue;
        }
        for (const QChar c : child.text) {
            if (c.isSpace()) {
                pendingSpace = true;
                continue;
            }
            if (pendingSpace && !out.isEmpty() && !out.endsWith(u'\n'))
                out += u' ';
            pendingSpace = false;
            out += c;
        }
    }
}

QString HtmlElement::innerText() const {
    QString text;
    bool pendingSpace = false;
    appendChildrenText(text, pendingSpace);
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

void HtmlElement::appendHtml(QString& out) const {
    out += u'<' + m_tag;
    for (const auto& [name, value] : m_attributes)
        out += u' ' + name + u"=\""_qs + escaped(value, true) + u'"';
    out += u'>';
    if (isVoid(m_tag))
        return;
    const bool raw = m_tag == u"script" || m_tag == u"style";
    for (const Child& child : m_children) {
        if (child.element)
            child.element->appendHtml(out);
        else
            out += raw ? child.text : escaped(child.text, false);
    }
    out += u"</"_qs + m_tag + u'>';
}

QString HtmlElement::innerHTML() const {
    QString html;
    for (const Child& child : m_children) {
        if (child.element)
            child.element->appendHtml(html);
        else
            html += escaped(child.text, false);
    }
    return html;
}

QString HtmlElement::outerHTML() const {
    QString html;
    appendHtml(html);
    return html;
}

} // namespace quenlit
