// Arbitrary contents and lengths as a downloaded file: the type check never crashes and
// names only types it knows. The first four bytes stretch the file with a hole, so long
// files (the tail tag, the size rules) are reached without writing them.
#include "FileTypeCheck.h"
#include "FuzzSupport.h"

#include <QFile>
#include <QSet>

using namespace quenlit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = fuzz::ScratchFolder() + u"/sample.bin"_qs;
    static const QSet<QString> known{
        u"pdf"_qs, u"caj"_qs,  u"kdh"_qs,  u"nh"_qs,   u"tif"_qs, u"rtf"_qs, u"exe"_qs, u"rar"_qs,
        u"zip"_qs, u"docx"_qs, u"xlsx"_qs, u"pptx"_qs, u"swf"_qs, u"rm"_qs,  u"wma"_qs, u"mp3"_qs,
        u"png"_qs, u"gif"_qs,  u"jpg"_qs,  u"doc"_qs,  u"xls"_qs, u"ppt"_qs, u"htm"_qs, u"caa"_qs};
    QByteArray contents = fuzz::Bytes(data, size);
    qint64 hole = 0;
    if (contents.size() >= 4) {
        hole = (quint32(uchar(contents[0])) | quint32(uchar(contents[1])) << 8 |
                quint32(uchar(contents[2])) << 16) %
               (600 * 1024);
        contents.remove(0, 4);
    }
    {
        QFile file(path);
        fuzz::Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "sample written");
        file.write(contents.left(contents.size() / 2));
        if (hole > 0) {
            file.resize(file.size() + hole);
            file.seek(file.size());
        }
        file.write(contents.mid(contents.size() / 2));
    }
    const QString type = 打开文件判断文件类型(path);
    fuzz::Require(type.isEmpty() || known.contains(type), "a known type", type);
    return 0;
}
