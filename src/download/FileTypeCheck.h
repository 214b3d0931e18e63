#pragma once

#include <QByteArray>
#include <QString>

namespace quenlit {

class DownloadListModel;

// What a file really is by its first bytes: pdf, caj, kdh, nh, tif, rtf, exe, rar, zip,
// docx, xlsx, pptx, swf, rm, wma, mp3, png, gif, jpg, doc, xls, ppt, htm, caa; or empty.
// Reads at most 10240 bytes, the last 128, and a whole file only under 3 KB.
QString 打开文件判断文件类型(const QString& path);

struct SplitName {
    QString base;
    QString extension;
};
SplitName SplitFileName(const QString& path);

// Gives the row's file the extension its contents call for, never over an existing file;
// true when it was renamed and the row follows. A package typed as a variant of its
// application (docm, xlsm, pptm, ppsx, ...) or as any Office package while its contents
// only show a zip is left alone.
bool CorrectRowFileType(DownloadListModel& list, int position);

} // namespace quenlit
