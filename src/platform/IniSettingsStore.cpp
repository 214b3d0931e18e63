#include "IniSettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

namespace quenlit {

namespace {
QString pathOf(const QString& section, const QString& key) {
    return section + u'/' + key;
}

// QSettings reads an unquoted comma as a list separator and drops the spaces around it,
// so a hand-edited "key=a, b" comes back as a list. The program only stores texts, so a
// list always means such a value; it is read again from the file as the text it is.
bool isList(const QVariant& value) {
    const int type = value.metaType().id();
    return type == QMetaType::QStringList || type == QMetaType::QVariantList;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The logical lines of an INI file as QSettings splits them: a line break inside quotes
// or after a backslash continues the line, an unquoted ";" ends it, a line that starts
// with ";" is a comment. equals: the first "=" outside quotes, or -1.
struct IniLine {
    QByteArrayView text;
    qsizetype equals;
};

QList<IniLine> iniLines(QByteArrayView data) {
    QList<IniLine> lines;
    qsizetype i = 0;
    while (i < data.size()) {
        while (i < data.size() && isSpace(data[i]))
            ++i;
        const qsizetype start = i;
        if (i < data.size() && data[i] == ';') {
            while (i < data.size() && data[i] != '\n' && data[i] != '\r')
                ++i;
            continue;
        }
        qsizetype equals = -1;
        bool inQuotes = false;
        for (; i < data.size(); ++i) {
            const char c = data[i];
            if (c == '=' && !inQuotes && equals < 0) {
                equals = i - start;
            } else if ((c == '\n' || c == '\r' || c == ';') && !inQuotes) {
                break;
            } else if (c == '\\' && i + 1 < data.size()) {
                ++i;
                const char next = i + 1 < data.size() ? data[i + 1] : 0;
                if ((data[i] == '\n' && next == '\r') || (data[i] == '\r' && next == '\n'))
                    ++i;
            } else if (c == '"') {
                inQuotes = !inQuotes;
            }
        }
        if (i > start)
            lines.append({data.sliced(start, i - start), equals});
        if (i < data.size() && data[i] == ';') // the rest of the line is a comment
            while (i < data.size() && data[i] != '\n' && data[i] != '\r')
                ++i;
    }
    return lines;
}

// Section and key names: "\" stands for "/", %XX and %UXXXX for characters.
QString unescapedName(QByteArrayView name) {
    const QString text = QString::fromUtf8(name);
    QString result;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == u'\\') {
            result += u'/';
            ++i;
            continue;
        }
        if (text[i] == u'%' && i + 1 < text.size()) {
            const int digits = text[i + 1] == u'U' ? 4 : 2;
            const qsizetype first = i + 1 + (digits == 4 ? 1 : 0);
            bool ok = false;
            const ushort unit =
                first + digits <= text.size() ? text.mid(first, digits).toUShort(&ok, 16) : 0;
            if (ok) {
                result += QChar(unit);
                i = first + digits;
                continue;
            }
        }
        result += text[i++];
    }
    return result;
}

// The raw value of every key of the file, by its full path; a later line wins.
QHash<QString, QByteArray> rawValues(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.readAll();
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QHash<QString, QByteArray> values;
    QString section;
    for (const IniLine& line : iniLines(data)) {
        if (line.text.startsWith('[')) {
            qsizetype close = line.text.indexOf(']');
            if (close < 0)
                close = line.text.size();
            const QByteArrayView name = line.text.sliced(1, close - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (name.compare("%general", Qt::CaseInsensitive) == 0)
                section = QString::fromLatin1(name.sliced(1)) + u'/';
            else
                section = unescapedName(name) + u'/';
        } else if (line.equals >= 0) {
            const QString key = section + unescapedName(line.text.first(line.equals).trimmed());
            values.insert(key, line.text.sliced(line.equals + 1).toByteArray());
        }
    }
    return values;
}

// The value as QSettings reads a single text (escapes, quotes, spaces at the ends
// dropped), except that a comma outside quotes stays as written, with the spaces around it.
QString valueAsWritten(QByteArrayView raw) {
    QString result;
    QByteArray pending; // UTF-8 bytes not yet decoded
    qsizetype chopLimit = 0;
    bool inQuotes = false;
    bool quoted = false; // the part since the last comma had quotes
    qsizetype i = 0;
    const auto flush = [&] {
        result += QString::fromUtf8(pending);
        pending.clear();
    };
    const auto skipSpaces = [&] {
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
    };
    skipSpaces();
    while (i < raw.size()) {
        const char c = raw[i++];
        if (c == '\\') {
            flush();
            if (i >= raw.size())
                break;
            const char e = raw[i++];
            static const char codes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                            {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                            {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
            bool known = false;
            for (const auto& code : codes) {
                if (e == code[0]) {
                    result += QLatin1Char(code[1]);
                    known = true;
                }
            }
            if (!known && e == 'x' && i < raw.size() && hexDigit(raw[i]) >= 0) {
                char16_t value = 0;
                while (i < raw.size() && hexDigit(raw[i]) >= 0)
                    value = char16_t(value * 16 + hexDigit(raw[i++]));
                result += QChar(value);
            } else if (!known && e >= '0' && e <= '7') {
                char16_t value = char16_t(e - '0');
                while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7')
                    value = char16_t(value * 8 + (raw[i++] - '0'));
                result += QChar(value);
            } else if (!known && (e == '\n' || e == '\r')) {
                if (i < raw.size() && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != e)
                    ++i;
            }
            chopLimit = result.size();
        } else if (c == '"') {
            flush();
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = result.size();
            }
        } else if (c == ',' && !inQuotes) {
            flush();
            result += u',';
            quoted = false;
            chopLimit = result.size();
        } else {
            pending += c;
        }
    }
    flush();
    if (!quoted) {
        while (result.size() > chopLimit && (result.back() == u' ' || result.back() == u'\t'))
            result.chop(1);
    }
    return result;
}

// A program killed while it wrote the first line of the file's lock leaves a lock that
// names no owner, and QSettings waits 30 s for such a lock to age before each read and
// write. Take it over at once; a lock that names its owner is left to QSettings, which
// takes it over when that owner is gone and waits while it lives.
const QString& TakeOverAbandonedLock(const QString& settingsPath) {
    const QString lockPath = settingsPath + u".lock"_qs;
    if (!QFileInfo::exists(lockPath))
        return settingsPath;
    QLockFile lock(lockPath);
    qint64 pid = 0;
    QString host, application;
    if (!lock.getLockInfo(&pid, &host, &application)) {
        lock.setStaleLockTime(250);
        if (lock.tryLock(500))
            lock.unlock();
    }
    return settingsPath;
}

QString DefaultSettingsPath() {
    // Where QSettings keeps the user's "Quenlit/Quenlit.ini".
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Quenlit/Quenlit.ini"_qs;
}
} // namespace

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(DefaultSettingsPath()) {}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_settings(TakeOverAbandonedLock(filePath), QSettings::IniFormat) {}

QString IniSettingsStore::GetSetting(const QString& section, const QString& key,
                                     const QString& defaultValue) const {
    const QString path = pathOf(section, key);
    const QVariant value = m_settings.value(path);
    if (!value.isValid())
        return defaultValue;
    if (isList(value)) {
        const QHash<QString, QByteArray> raw = rawValues(m_settings.fileName());
        if (const auto found = raw.constFind(path); found != raw.constEnd())
            return valueAsWritten(*found);
        return value.toStringList().join(u", "_qs); // as QSettings would write it
    }
    return value.toString();
}

void IniSettingsStore::SaveSetting(const QString& section, const QString& key,
                                   const QString& value) {
    // Saving rewrites the whole file, and QSettings would write a hand-edited "a,b" back as
    // the list "a, b": keep such values as the texts they were.
    const QStringList keys = m_settings.allKeys();
    QHash<QString, QByteArray> raw;
    for (const QString& existing : keys) {
        if (!isList(m_settings.value(existing)))
            continue;
        if (raw.isEmpty())
            raw = rawValues(m_settings.fileName());
        if (const auto found = raw.constFind(existing); found != raw.constEnd())
            m_settings.setValue(existing, valueAsWritten(*found));
    }
    m_settings.setValue(pathOf(section, key), value);
    TakeOverAbandonedLock(m_settings.fileName());
    m_settings.sync();
}

} // namespace quenlit
