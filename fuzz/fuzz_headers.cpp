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
    fuzz::Require(type.size() <= 5, "a type has at most five letters", type);
    for (const QChar c : type)
        fuzz::Require(c.isLetter() && c.unicode() < 128, "a type is ASCII letters", type);
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
    fuzz::Require(info.fileName == SafeFileNameFromHeaders(block), "one name for one block");

    const QString disposition = 从网络文件Header获取ContentDisposition(block);
    const DispositionName fromDisposition = 从下载头信息ContentDisposition获取文件名(disposition);
    RequireSafeName(fromDisposition.fileName);
    (void)ExtensionFromMimeType(HeaderValue(block, u"Content-Type"));

    (void)DecodePercentRuns(block);
    (void)DecodePercentAuto(block);
    (void)StripUnsafeCharacters(block);
    const QString cut = TruncateToUtf8Bytes(block, qint32(size % 300));
    fuzz::Require(cut.toUtf8().size() <= qsizetype(size % 300), "a UTF-8 cut fits");
    return 0;
}
