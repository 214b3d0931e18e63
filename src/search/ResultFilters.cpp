#include "ResultFilters.h"

#include "TextRules.h"

#include <QFile>
#include <QHash>
#include <bitset>
#include <memory>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace quenlit {

namespace {
constexpr char16_t CjkFirst = 0x4E00;
constexpr char16_t CjkLast = 0x9FA5;

// The traditional-character list, as a bitmap over the CJK range.
const std::bitset<CjkLast - CjkFirst + 1>& traditionalCharacters() {
    static const auto characters = [] {
        std::bitset<CjkLast - CjkFirst + 1> bits;
        QFile file(u":/search/traditional-characters.txt"_qs);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QChar c : QString::fromUtf8(file.readAll())) {
                if (c.unicode() >= CjkFirst && c.unicode() <= CjkLast)
                    bits.set(c.unicode() - CjkFirst);
            }
        }
        return bits;
    }();
    return characters;
}

// ICU's Traditional-Simplified transform, applied one character at a time so that the
// mapping stays one to one; results are remembered.
char16_t simplifiedOf(char16_t c) {
    static std::unique_ptr<icu::Transliterator> transform = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(
            icu::Transliterator::createInstance("Traditional-Simplified", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(t) : nullptr;
    }();
    // Variants of the traditional list that the transform leaves alone.
    static QHash<char16_t, char16_t> cache{
        {u'巹', u'卺'}, {u'崳', u'嵛'}, {u'胇', u'巯'}, {u'朮', u'术'},
        {u'汆', u'氽'}, {u'灩', u'滟'}, {u'玨', u'珏'}, {u'畬', u'畲'},
        {u'痺', u'痹'}, {u'檷', u'祢'}, {u'冑', u'胄'}, {u'蠷', u'蠼'},
        {u'襉', u'裥'}, {u'鱍', u'鲅'}, {u'鯗', u'鲞'}, {u'鷴', u'鹇'},
    };
    const auto cached = cache.constFind(c);
    if (cached != cache.constEnd())
        return *cached;
    if (!transform)
        return c;
    icu::UnicodeString text(c);
    transform->transliterate(text);
    const char16_t result = text.length() == 1 ? char16_t(text.charAt(0)) : c;
    cache.insert(c, result);
    return result;
}

bool lastCharactersAre(const QString& title, QStringView ending, bool lowerCase = false) {
    const QString tail = title.right(ending.size());
    return tail.size() == ending.size() && (lowerCase ? tail.toLower() == ending : tail == ending);
}
} // namespace

bool ContainsKana(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3041 && u <= 0x3093) || (u >= 0x30A1 && u <= 0x30F6))
            return true;
    }
    return false;
}

bool ContainsTraditional(const QString& text) {
    const auto& list = traditionalCharacters();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= CjkFirst && u <= CjkLast && list.test(u - CjkFirst))
            return true;
    }
    return false;
}

QString ToSimplified(const QString& text) {
    QString simplified = text;
    for (QChar& c : simplified) {
        if (!c.isSurrogate() && c.unicode() >= 0x3400)
            c = QChar(simplifiedOf(c.unicode()));
    }
    return simplified;
}

QString NormalizeSpaces(const QString& text) {
    QString normalized = text;
    normalized.replace(u'\t', u' ');
    while (normalized.contains(u"  "_qs))
        normalized.replace(u"  "_qs, u" "_qs);
    return TrimSpaces(normalized);
}

bool IsPortalTitle(const QString& title, const QString& portalDomain) {
    const QString compact = QString(title).remove(u' ');
    return compact.contains(u"_百度"_qs) || compact.contains(u"-百度"_qs) ||
           lastCharactersAre(title, QString(portalDomain.toLower() + u"豆丁网"_qs), true) ||
           lastCharactersAre(title, u"-豆丁网") || lastCharactersAre(title, u"_360百科") ||
           compact.contains(u"-搜狗百科—"_qs) || lastCharactersAre(title, u"-道客巴巴");
}

std::optional<QString> AcceptAndCleanTitle(const QString& title, const QString& typeLabel,
                                           bool imageLink, const TitleOptions& options) {
    if (options.skipUnknownType && typeLabel.isEmpty() && !imageLink)
        return std::nullopt;
    QString cleaned = title;
    cleaned.remove(QChar(0x2026));
    cleaned.remove(u"&hellip;"_qs, Qt::CaseInsensitive);
    cleaned = NormalizeSpaces(cleaned);
    if (options.removeSpaces)
        cleaned.remove(u' ');
    const bool refused = (options.skipJapanese && ContainsKana(cleaned)) ||
                         (options.skipTraditional && ContainsTraditional(cleaned));
    if (options.convertTraditional)
        cleaned = ToSimplified(cleaned);
    if (refused || IsPortalTitle(cleaned, options.portalDomain))
        return std::nullopt;
    return cleaned;
}

} // namespace quenlit
