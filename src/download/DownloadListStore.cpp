#include "DownloadListStore.h"

#include "DownloadListModel.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringEncoder>
#include <algorithm>
#include <optional>

namespace quenlit {

namespace {
const QString FormatName = QStringLiteral("quenlit-download-list");
// Rows go to the file in pieces of about this size, so a long list never sits in memory
// a second time.
constexpr qsizetype PieceBytes = 64 * 1024;

struct StateName {
    qint16 state;
    QLatin1StringView name;
};
constexpr StateName StateNames[] = {{DownloadRow::Waiting, QLatin1StringView("waiting")},
                                    {DownloadRow::Downloading, QLatin1StringView("downloading")},
                                    {DownloadRow::Finished, QLatin1StringView("finished")},
                                    {DownloadRow::Failed, QLatin1StringView("failed")}};

QLatin1StringView nameOfState(qint16 state) {
    for (const StateName& entry : StateNames) {
        if (entry.state == state)
            return entry.name;
    }
    return StateNames[0].name;
}

std::optional<qint16> stateNamed(const QString& name) {
    for (const StateName& entry : StateNames) {
        if (name == entry.name)
            return entry.state;
    }
    return std::nullopt;
}

bool needsEscape(char c) {
    return uchar(c) < 0x20 || c == '"' || c == '\\';
}

void appendEscaped(QByteArray& out, QByteArrayView utf8) {
    static constexpr char Hex[] = "0123456789abcdef";
    for (const char c : utf8) {
        if (!needsEscape(c)) {
            out += c;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += Hex[uchar(c) >> 4];
            out += Hex[uchar(c) & 0xf];
        }
    }
}

// A JSON string by hand, its UTF-8 written straight into the piece: QJsonDocument would
// build a tree for every row first.
void appendString(QByteArray& out, QStringEncoder& utf8, const QString& text) {
    out += '"';
    const qsizetype from = out.size();
    out.resize(from + utf8.requiredSpace(text.size()));
    out.resize(utf8.appendToBuffer(out.data() + from, text) - out.constData());
    // Quotes, backslashes and control characters are rare: only then are the bytes copied.
    if (std::any_of(out.cbegin() + from, out.cend(), needsEscape)) {
        const QByteArray plain = out.sliced(from);
        out.resize(from);
        appendEscaped(out, plain);
    }
    out += '"';
}

void appendRow(QByteArray& out, QStringEncoder& utf8, const DownloadRow& row) {
    out += "{\"key\":";
    appendString(out, utf8, row.key);
    out += ",\"name\":";
    appendString(out, utf8, row.name);
    out += ",\"type\":";
    appendString(out, utf8, row.type);
    out += ",\"size\":";
    appendString(out, utf8, row.size);
    out += ",\"downloaded\":";
    appendString(out, utf8, row.downloaded);
    out += ",\"percent\":";
    appendString(out, utf8, row.percent);
    out += ",\"saveFolder\":";
    appendString(out, utf8, row.saveFolder);
    out += ",\"tag\":";
    appendString(out, utf8, row.tag);
    out += ",\"state\":\"";
    out += nameOfState(row.state);
    out += "\"}\n";
}

std::optional<QJsonObject> objectOf(QByteArrayView line) {
    // No copy: the document keeps its own data.
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(line.data(), line.size()));
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

bool isHeader(const QJsonObject& object) {
    const QJsonValue version = object.value(QLatin1StringView("version"));
    return object.value(QLatin1StringView("format")).toString() == FormatName &&
           version.isDouble() && version.toDouble() == DownloadListStore::FormatVersion;
}

// A missing field leaves the text empty; anything but a string is refused.
bool readText(const QJsonObject& object, QLatin1StringView field, QString& text) {
    const QJsonValue value = object.value(field);
    if (value.isUndefined())
        return true;
    if (!value.isString())
        return false;
    text = value.toString();
    return true;
}

std::optional<DownloadRow> rowOf(const QJsonObject& object) {
    DownloadRow row;
    const QJsonValue key = object.value(QLatin1StringView("key"));
    const std::optional<qint16> state =
        stateNamed(object.value(QLatin1StringView("state")).toString());
    // A row without an address could never be downloaded.
    if (!key.isString() || key.toString().isEmpty() || !state)
        return std::nullopt;
    row.key = key.toString();
    row.state = *state;
    const bool texts = readText(object, QLatin1StringView("name"), row.name) &&
                       readText(object, QLatin1StringView("type"), row.type) &&
                       readText(object, QLatin1StringView("size"), row.size) &&
                       readText(object, QLatin1StringView("downloaded"), row.downloaded) &&
                       readText(object, QLatin1StringView("percent"), row.percent) &&
                       readText(object, QLatin1StringView("saveFolder"), row.saveFolder) &&
                       readText(object, QLatin1StringView("tag"), row.tag);
    if (!texts)
        return std::nullopt;
    return row;
}

std::optional<QList<DownloadRow>> decode(QByteArrayView text) {
    QList<DownloadRow> rows;
    bool headerSeen = false;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (line.trimmed().isEmpty())
            continue;
        const std::optional<QJsonObject> object = objectOf(line);
        if (!object)
            return std::nullopt;
        if (!headerSeen) {
            if (!isHeader(*object))
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        std::optional<DownloadRow> row = rowOf(*object);
        if (!row)
            return std::nullopt;
        rows.append(std::move(*row));
    }
    if (!headerSeen)
        return std::nullopt;
    return rows;
}
} // namespace

QString DownloadListStore::pathIn(const QString& dataFolder) {
    return dataFolder + u"/DownloadList.jsonl"_qs;
}

DownloadListStore::Loaded DownloadListStore::load() const {
    Loaded loaded;
    if (!QFileInfo::exists(m_path))
        return loaded;
    loaded.outcome = Loaded::Outcome::Damaged;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return loaded;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return loaded;
    std::optional<QList<DownloadRow>> rows = decode(text);
    if (!rows)
        return loaded;
    loaded.outcome = Loaded::Outcome::Loaded;
    loaded.rows = std::move(*rows);
    return loaded;
}

bool DownloadListStore::save(const DownloadListModel& list, QString& error) const {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // Stateless: each text on its own, a broken surrogate pair never joins the next text.
    QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    QByteArray piece;
    piece.reserve(PieceBytes + 4096);
    piece += "{\"format\":";
    appendString(piece, utf8, FormatName);
    piece += ",\"version\":" + QByteArray::number(FormatVersion) + "}\n";
    for (int position = 1; position <= list.count(); ++position) {
        appendRow(piece, utf8, list.row(position));
        if (piece.size() >= PieceBytes) {
            file.write(piece);
            piece.resize(0);
        }
    }
    file.write(piece);
    // A failed write is remembered: the commit then keeps the old file.
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QString DownloadListStore::setAside() const {
    for (int number = 1;; ++number) {
        const QString aside =
            m_path + (number == 1 ? u".damaged"_qs : u".damaged-"_qs + QString::number(number));
        if (QFileInfo::exists(aside))
            continue;
        return QFile::rename(m_path, aside) ? aside : QString();
    }
}

} // namespace quenlit
