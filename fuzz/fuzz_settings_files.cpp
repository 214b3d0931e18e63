// Arbitrary bytes as the program's own files: the settings file, "SaveList.dat" and the
// registry file. Reading never crashes; a value saved reads back as written and leaves the
// other values as they read; the folder list keeps its limits and survives a round trip.
#include "FileRegistryStore.h"
#include "FuzzSupport.h"
#include "IniSettingsStore.h"
#include "RecentFolders.h"
#include "SettingKeys.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

using namespace quenlit;

namespace {

// Text in UTF-8 with no control character but line breaks and tabs.
bool HandWritten(const QByteArray& contents) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(contents);
    if (utf8.hasError())
        return false;
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control && c != u'\n' && c != u'\r' && c != u'\t';
    });
}

void CheckSettings(const QByteArray& contents) {
    // Each input and each reading under a name of its own: QSettings answers a name it has
    // read before from memory when the size and time look the same.
    static int files = 0;
    const QString path = fuzz::ScratchFolder() + u"/in%1.ini"_qs.arg(++files);
    fuzz::WriteFixture(path, contents);
    const settings::Key kept[] = {settings::DownloadMethod, settings::DownloadFolder,
                                  settings::ThreadCount, settings::DuplicateNamePolicy};
    const settings::Key changed = settings::MaxFileSizeMB;
    QStringList before;
    // A value with the characters an INI file treats specially, as a person types them: line
    // breaks and tabs but no other control character, and no U+FEFF, which the file's reader
    // takes for a byte order mark at the start of the value or after a line break.
    QString value = QString::fromUtf8(contents.left(24));
    value.removeIf([](QChar c) {
        return c.category() == QChar::Other_Control && c != u'\n' && c != u'\r' && c != u'\t';
    });
    value.remove(QChar(0xFEFF));
    {
        IniSettingsStore store(path);
        for (const settings::Key& key : kept)
            before << store.GetSetting(key.section.toString(), key.name.toString(), u"-"_qs);
        store.SaveSetting(changed.section.toString(), changed.name.toString(), value);
    }
    {
        const QString copy = fuzz::ScratchFolder() + u"/out%1.ini"_qs.arg(files);
        fuzz::Require(QFile::copy(path, copy), "the saved file copies");
        IniSettingsStore reread(copy);
        fuzz::Require(reread.GetSetting(changed.section.toString(), changed.name.toString(), {}) ==
                          value,
                      "a saved value reads back", value);
        // Kept as read for files a person could have written; bytes that are no text at all
        // may read differently once the file is rewritten.
        for (qsizetype i = 0; HandWritten(contents) && i < qsizetype(std::size(kept)); ++i) {
            const QString after =
                reread.GetSetting(kept[i].section.toString(), kept[i].name.toString(), u"-"_qs);
            fuzz::Require(after == before[i], "saving one value keeps the others",
                          before[i] + u" → "_qs + after);
        }
        QFile::remove(copy);
    }
    QFile::remove(path);
}

void CheckRecentFolders(const QByteArray& contents) {
    static const QString path = fuzz::ScratchFolder() + u"/SaveList.dat"_qs;
    fuzz::WriteFixture(path, contents);
    QStringList folders;
    LoadRecentFolders(folders, path);
    fuzz::Require(folders.size() <= 100, "at most 100 folders");
    QSet<QString> seen;
    for (const QString& folder : folders) {
        fuzz::Require(!folder.isEmpty(), "no empty folder line");
        fuzz::Require(!seen.contains(folder.toCaseFolded()), "each folder once", folder);
        seen.insert(folder.toCaseFolded());
    }
    SaveRecentFolders(folders, path);
    QStringList again;
    LoadRecentFolders(again, path);
    fuzz::Require(again == folders, "the folder list survives a round trip",
                  folders.join(u'|') + u" → "_qs + again.join(u'|'));
}

void CheckRegistry(const QByteArray& contents) {
    static const QString path = fuzz::ScratchFolder() + u"/registry.json"_qs;
    fuzz::WriteFixture(path, contents);
    FileRegistryStore store(path);
    const RegistryKey key{RegistryRoot::CurrentUser, u"Software\\Quenlit"_qs, RegistryView::Bits64};
    (void)store.keyExists(key);
    (void)store.value(key, u"Version"_qs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Application();
    const QByteArray contents = fuzz::Bytes(data, size);
    CheckSettings(contents);
    CheckRecentFolders(contents);
    CheckRegistry(contents);
    return 0;
}
