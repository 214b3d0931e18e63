#include "RangeResume.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quenlit {

namespace {

constexpr int PartialContent = 206;
constexpr int RangeNotSatisfiable = 416;

// A length of digits only, -1 otherwise.
qint64 Length(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    return ok && value >= 0 && !trimmed.startsWith(u'+') ? value : -1;
}

struct ContentRange {
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1; // -1 for "*"
};

std::optional<ContentRange> ParseContentRange(const QString& value) {
    static const QRegularExpression form(u"^bytes\\s+(\\d+)-(\\d+)/(\\d+|\\*)$"_qs,
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(value.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    ContentRange range{Length(match.captured(1)), Length(match.captured(2)),
                       match.captured(3) == u"*"_qs ? -1 : Length(match.captured(3))};
    if (range.first < 0 || range.last < range.first ||
        (range.total >= 0 && range.last >= range.total))
        return std::nullopt;
    return range;
}

// Only answers that are the document itself are worth continuing.
PartialRecord RecordOf(const QString& address, const ResponseFacts& response, qint64 whole) {
    return {address, response.etag.trimmed(), response.lastModified.trimmed(), whole};
}

// A validator the response names that is not the recorded one.
bool Changed(const QString& recorded, const QString& answered) {
    return !recorded.isEmpty() && !answered.trimmed().isEmpty() && answered.trimmed() != recorded;
}

} // namespace

QList<std::pair<QByteArray, QByteArray>> ResumeOffer::requestHeaders() const {
    if (!valid())
        return {};
    return {{"Range", "bytes=" + QByteArray::number(offset) + '-'},
            {"If-Range", record.validator().toUtf8()}};
}

QString ResumeOffer::requestLines() const {
    QString lines;
    for (const auto& [name, value] : requestHeaders())
        lines += QString::fromLatin1(name) + u": "_qs + QString::fromUtf8(value) + u"\r\n"_qs;
    return lines;
}

ResumeOffer FindResumeOffer(const QString& targetPath, const QString& address) {
    const std::optional<PartialRecord> record = PartialFile::readRecord(targetPath);
    if (!record || record->address != address || record->validator().isEmpty())
        return {};
    const QFileInfo part(PartialFile::tempPathFor(targetPath));
    const qint64 size = part.isFile() ? part.size() : 0;
    if (size <= 0 || (record->total >= 0 && size >= record->total))
        return {};
    return {targetPath, *record, size};
}

ResumeAnswer JudgeResponse(const ResumeOffer& offer, const QString& address,
                           const ResponseFacts& response) {
    const qint64 length = Length(response.contentLength);
    if (offer.valid() && response.status == RangeNotSatisfiable)
        return {ResumeAnswer::Refetch, -1, {}};
    if (offer.valid() && response.status == PartialContent) {
        const std::optional<ContentRange> range = ParseContentRange(response.contentRange);
        const PartialRecord& kept = offer.record;
        // The rest, to the end of the file, and a body as long as the range says.
        const bool rest = range && range->first == offer.offset &&
                          (range->total < 0 || range->last == range->total - 1) &&
                          (length < 0 || length == range->last - range->first + 1);
        if (!rest || (range->total >= 0 && kept.total >= 0 && range->total != kept.total) ||
            Changed(kept.etag, response.etag) || Changed(kept.lastModified, response.lastModified))
            return {ResumeAnswer::Refetch, -1, {}};
        qint64 whole = range->total >= 0 ? range->total : kept.total;
        if (whole < 0 && length >= 0)
            whole = offer.offset + length;
        PartialRecord record = RecordOf(address, response, whole);
        if (record.etag.isEmpty())
            record.etag = kept.etag;
        if (record.lastModified.isEmpty())
            record.lastModified = kept.lastModified;
        return {ResumeAnswer::Append, whole, record};
    }
    ResumeAnswer answer{ResumeAnswer::Fresh, length, {}};
    if (response.status == 200)
        answer.record = RecordOf(address, response, length);
    return answer;
}

} // namespace quenlit
