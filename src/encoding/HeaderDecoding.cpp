#include "HeaderDecoding.h"

#include "LegacyCodePage.h"
#include "TextRules.h"

#include <QStringDecoder>

namespace quenlit {

namespace {
int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The value of count hex digits at from, or -1 when any is missing or not a digit.
int hexAt(const QString& text, qsizetype from, int count) {
    if (from + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const int digit = hexValue(text[from + i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

qsizetype characterLength(const QString& text, qsizetype at) {
    return text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2
                                                                                               : 1;
}

template <typename ByteCount>
QString truncateToBytes(const QString& text, qint32 limit, ByteCount bytesOf) {
    qint64 used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = characterLength(text, i);
        used += bytesOf(QStringView(text).mid(i, length));
        if (used > limit)
            return text.left(i);
        i += length;
    }
    return text;
}

enum class Fallback { Utf8Replacement, Gbk };

QString decodeRun(const QByteArray& run, Fallback fallback) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(run);
    if (!utf8.hasError() || fallback == Fallback::Utf8Replacement)
        return text;
    return gbk::decode(run).value_or(text);
}

QString decodePercent(const QString& text, bool upperCaseU, Fallback fallback) {
    QString output;
    output.reserve(text.size());
    QByteArray run;
    const auto flush = [&] {
        if (!run.isEmpty()) {
            output += decodeRun(run, fallback);
            run.clear();
        }
    };
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c == u'%') {
            const bool unicodeEscape =
                i + 1 < text.size() && (text[i + 1] == u'u' || (upperCaseU && text[i + 1] == u'U'));
            if (unicodeEscape) {
                const int unit = hexAt(text, i + 2, 4);
                if (unit >= 0) {
                    flush();
                    output += QChar(char16_t(unit));
                    i += 6;
                    continue;
                }
            } else if (const int byte = hexAt(text, i + 1, 2); byte >= 0) {
                run += char(byte);
                i += 3;
                continue;
            }
            // A "%" without its digits stays as it stands.
        }
        flush();
        output += c == u'+' ? QChar(u' ') : c;
        ++i;
    }
    flush();
    return output;
}

qsizetype codePageBytes(QStringView character) {
    return gbk::encodeCharacter(character).value_or(QByteArray(1, '?')).size();
}
} // namespace

QString StripControlChars(const QString& text) {
    QString stripped = text;
    stripped.remove(u"\r\n"_qs);
    for (const QChar c : {QChar(0), QChar(u'\n'), QChar(u'\r'), QChar(u'\t')})
        stripped.remove(c);
    return TrimSpaces(stripped);
}

QString StripUnsafeCharacters(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe += text[i];
            safe += text[++i];
            continue;
        }
        const bool unsafe = u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x061C || u == 0x200E ||
                            u == 0x200F || (u >= 0x2028 && u <= 0x202E) ||
                            (u >= 0x2066 && u <= 0x2069) || QChar::isSurrogate(u);
        if (!unsafe)
            safe += text[i];
    }
    return safe;
}

qint64 CodePageByteCount(const QString& text) {
    qint64 count = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = characterLength(text, i);
        count += codePageBytes(QStringView(text).mid(i, length));
        i += length;
    }
    return count;
}

QString TruncateToCodePageBytes(const QString& text, qint32 limit) {
    return truncateToBytes(text, limit, codePageBytes);
}

QString TruncateToUtf8Bytes(const QString& text, qint32 limit) {
    return truncateToBytes(text, limit,
                           [](QStringView character) { return character.toUtf8().size(); });
}

QString DecodePercentRuns(const QString& text) {
    return decodePercent(text, false, Fallback::Utf8Replacement);
}

QString DecodePercentAuto(const QString& text) {
    return decodePercent(text, true, Fallback::Gbk);
}

} // namespace quenlit
