// Arbitrary bytes as a response header block, status line first. What the engines take from
// it — the type, the file name from Content-Disposition, the decoders — never crashes, and
// the name and type that come out are safe to put on disk.
#include "FuzzSupport.h"
#include "HeaderDecoding.h"
#include "HeaderTypes.h"
#include "HttpStatusText.h"

using namespace quenlit;

namespace {

void RequireSafeName(const QString& name) {
    fuzz::Require(fuzz::SafeInAName(name), "a header file name is safe", name);
    fuzz::Require(name.toUtf8().size() <= 200, "a header file name fits 200 UTF-8 bytes", name);
    fuzz::Require(CodePageByteCount(name) <= 200, "a header file name fits 200 GBK bytes", name);
}

void RequireType(const QString& type) {
    fuzz::Require(type.size() <= 5, "a type has at most five characters", type);
    for (const QChar c : type)
        fuzz::Require(c.unicode() < 128 && c.isLetterOrNumber(),
                      "a type is ASCII letters and digits", type);
}

QString HeaderValue(const QString& block, QStringView name) {
    for (const QString& line : block.split(u"\r\n"_qs)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 &&
            QStringView(line).left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString block = QString::fromUtf8(fuzz::Bytes(data, size));

    const QString statusLine = block.section(u"\r\n"_qs, 0, 0);
    (void)HttpStatusText(statusLine.section(u' ', 1, 1).toInt());

    const HeaderFileInfo info = TypeFromHeaders(block, HeaderValue(block, u"Content-Type"));
    RequireType(info.type);
    RequireSafeName(info.fileName);

    const QString disposition = 从网络文件Header获取ContentDisposition(block);
    const DispositionName fromDisposition = 从下载头信息ContentDisposition获取文件名(disposition);
    RequireSafeName(fromDisposition.fileName);
    (void)ExtensionFromMimeType(HeaderValue(block, u"Content-Type"));

    (void)DecodePercentRuns(block);
    (void)DecodePercentAuto(block);
    const QString safe = StripUnsafeCharacters(block);
    for (qsizetype i = 0; i < safe.size(); ++i) {
        if (safe[i].isHighSurrogate() && i + 1 < safe.size() && safe[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const QChar c = safe[i];
        fuzz::Require(c.category() != QChar::Other_Control && !c.isSurrogate() &&
                          c != QChar(0x200E) && c != QChar(0x202E) && c != QChar(0x2066),
                      "no control, direction mark or lone surrogate is left");
    }
    const QString cut = TruncateToUtf8Bytes(block, qint32(size % 300));
    fuzz::Require(cut.toUtf8().size() <= qsizetype(size % 300), "a UTF-8 cut fits");
    return 0;
}
