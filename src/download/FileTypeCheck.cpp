#include "FileTypeCheck.h"

#include "DownloadListModel.h"
#include "FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <optional>
#include <vector>

namespace quenlit {

namespace {
constexpr qint64 SampleLimit = 10240;

struct Segment {
    qsizetype offset;
    QByteArrayView bytes;
};

// none: a segment lies beyond the sample, which stops detection.
std::optional<bool> matches(const QByteArray& sample, const std::vector<Segment>& segments) {
    for (const Segment& segment : segments) {
        if (segment.offset + segment.bytes.size() > sample.size())
            return std::nullopt;
    }
    for (const Segment& segment : segments) {
        if (QByteArrayView(sample).sliced(segment.offset, segment.bytes.size()) != segment.bytes)
            return false;
    }
    return true;
}

// Office Open XML packages carry their part names in the local headers near the start;
// without a word/, xl/ or ppt/ part the package keeps the type its signature gave.
QString officePackageType(const QByteArray& sample, const QString& signatureType) {
    for (qsizetype at = sample.indexOf("PK\x03\x04"); at >= 0 && at + 30 <= sample.size();
         at = sample.indexOf("PK\x03\x04", at + 4)) {
        const int nameLength = uchar(sample[at + 26]) | (uchar(sample[at + 27]) << 8);
        const QByteArray name = sample.mid(at + 30, nameLength);
        if (name.startsWith("word/"))
            return QStringLiteral("docx");
        if (name.startsWith("xl/"))
            return QStringLiteral("xlsx");
        if (name.startsWith("ppt/"))
            return QStringLiteral("pptx");
    }
    return signatureType;
}

// Packages of one application whose contents cannot tell them apart: macro-enabled,
// template and show variants keep their own extension.
const QHash<QString, QString>& officeFamilies() {
    static const QHash<QString, QString> families{
        {u"docx"_qs, u"docx"_qs}, {u"docm"_qs, u"docx"_qs}, {u"dotx"_qs, u"docx"_qs},
        {u"dotm"_qs, u"docx"_qs}, {u"xlsx"_qs, u"xlsx"_qs}, {u"xlsm"_qs, u"xlsx"_qs},
        {u"xltx"_qs, u"xlsx"_qs}, {u"xltm"_qs, u"xlsx"_qs}, {u"xlsb"_qs, u"xlsx"_qs},
        {u"xlam"_qs, u"xlsx"_qs}, {u"pptx"_qs, u"pptx"_qs}, {u"pptm"_qs, u"pptx"_qs},
        {u"ppsx"_qs, u"pptx"_qs}, {u"ppsm"_qs, u"pptx"_qs}, {u"potx"_qs, u"pptx"_qs},
        {u"potm"_qs, u"pptx"_qs}, {u"ppam"_qs, u"pptx"_qs},
    };
    return families;
}

// True when the row's type already fits what the contents show.
bool typeFits(const QString& detected, const QString& rowType) {
    const QString lower = rowType.toLower();
    if (detected == lower)
        return true;
    const auto family = officeFamilies().constFind(lower);
    if (family == officeFamilies().constEnd())
        return false;
    // Every package is a zip; its parts may lie beyond the sample.
    return detected == u"zip" || detected == *family;
}

struct Signature {
    std::vector<Segment> segments;
    const char* type;
};

// In the order they are tried.
const std::vector<Signature>& leadingSignatures() {
    static const std::vector<Signature> signatures{
        {{{0, "%PDF"}}, "pdf"},
        {{{0, QByteArrayView("\xC8\x00\x00\x00", 4)}}, "caj"},
        {{{0, QByteArrayView("CAJ\x00", 4)}}, "kdh"},
        {{{0, "KDH "}}, "kdh"},
        {{{0, QByteArrayView("HN\x00\x00", 4)}}, "nh"},
        {{{0, QByteArrayView("II*\x00", 4)}}, "tif"},
        {{{0, "{\\rtf"}}, "rtf"},
        {{{0, "MZ"}}, "exe"},
        {{{0, "Rar!"}}, "rar"},
        {{{0, QByteArrayView("PK\x03\x04\x14\x00\x00\x00\x08", 9)}}, "zip"},
        {{{0, QByteArrayView("PK\x03\x04\x14\x00\x06\x00\x08\x00", 10)}}, "docx"},
        {{{0, "CWS\x06"}}, "swf"},
        {{{0, ".RMF"}}, "rm"},
        {{{0, "\x30\x26\xB2\x75\x8E"}}, "wma"},
        {{{0, "ID3\x03"}}, "mp3"},
        {{{0, "\x89PNG\r\n\x1A\n"}}, "png"},
        {{{0, "GIF89a"}}, "gif"},
        {{{0, "\xFF\xD8\xFF\xE1"}, {6, "Exif"}, {12, QByteArrayView("MM\x00*", 4)}}, "jpg"},
        {{{0, QByteArrayView("\xFF\xD8\xFF\xE0\x00\x10", 6)}, {6, "JFIF"}}, "jpg"},
    };
    return signatures;
}

bool containsNoCase(const QByteArray& lowerText, const char* marker) {
    return lowerText.contains(marker);
}

// none: detection stopped on a short sample.
std::optional<QString> typeFromSignatures(const QByteArray& sample) {
    for (const Signature& signature : leadingSignatures()) {
        const auto matched = matches(sample, signature.segments);
        if (!matched)
            return std::nullopt;
        if (*matched) {
            const QString type = QString::fromLatin1(signature.type);
            return type == u"zip" || type == u"docx" ? officePackageType(sample, type) : type;
        }
    }
    const auto compound = matches(sample, {{0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"}});
    if (!compound)
        return std::nullopt;
    if (*compound) {
        const auto doc = matches(sample, {{512, QByteArrayView("\xEC\xA5\xC1\x00", 4)}});
        if (!doc)
            return std::nullopt;
        if (*doc)
            return QStringLiteral("doc");
        if (*matches(sample, {{512, QByteArrayView("\x09\x08\x10\x00", 4)}}))
            return QStringLiteral("xls");
        return sample.at(515) == '\xF0' ? QStringLiteral("ppt") : QString();
    }
    return QString();
}
} // namespace

QString 打开文件判断文件类型(const QString& path) {
    if (!FileExists(path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 length = file.size();
    // Offsets 0 to N; a byte past the end reads as zero.
    QByteArray sample = file.read(qMin(length, SampleLimit) + 1);
    sample.resize(qMin(length, SampleLimit) + 1, '\0');

    const auto fromSignatures = typeFromSignatures(sample);
    if (!fromSignatures)
        return {};
    if (!fromSignatures->isEmpty())
        return *fromSignatures;

    if (length > 128 && file.seek(length - 128) && file.read(3) == "TAG")
        return QStringLiteral("mp3");
    if (length / 1024 < 200) {
        const QByteArray text = sample.toLower();
        if ((containsNoCase(text, "<html ") || containsNoCase(text, "html>")) &&
            (containsNoCase(text, "<title>") || containsNoCase(text, "<head>") ||
             containsNoCase(text, "<body>")))
            return QStringLiteral("htm");
    }
    if (length / 1024 < 3 && file.seek(0)) {
        const QByteArray whole = file.readAll().toLower();
        bool all = true;
        for (const char* marker :
             {"a1=", "[target]", "a2=", "b1=", "b2=", "c1=", "c2=", "d1=", "d2=", "doctype="})
            all = all && whole.contains(marker);
        if (all)
            return QStringLiteral("caa");
    }
    return {};
}

SplitName SplitFileName(const QString& path) {
    QString part = path.trimmed();
    part = part.mid(part.lastIndexOf(u'/') + 1);
    const qsizetype dot = part.lastIndexOf(u'.');
    if (dot < 0 || part.size() - dot - 1 >= 7)
        return {part.trimmed(), {}};
    return {part.left(dot).trimmed(), part.mid(dot + 1).trimmed()};
}

bool CorrectRowFileType(DownloadListModel& list, int position) {
    if (position < 1 || position > list.count())
        return false;
    const DownloadRow& row = list.row(position);
    const QString path = row.targetPath();
    if (!FileExists(path))
        return false;
    const QString detected = 打开文件判断文件类型(path);
    if (detected.isEmpty() || typeFits(detected, row.type))
        return false;
    const QString newPath =
        UniqueNumberedPath(WithTrailingSeparator(row.saveFolder) + row.name + u'.' + detected);
    if (!QFile::rename(path, newPath) || !FileExists(newPath))
        return false;
    // The name as it stands on disk, spaces at its ends included.
    const QString newName = newPath.mid(newPath.lastIndexOf(u'/') + 1).chopped(detected.size() + 1);
    list.modify(position, [&](DownloadRow& changed) {
        changed.type = detected;
        changed.name = newName;
    });
    return true;
}

} // namespace quenlit
