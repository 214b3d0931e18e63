// Arbitrary text as a name: what the name helpers make of it is one safe name on disk, and
// a folder path made from it stays inside the folder it starts from.
#include "FileNames.h"
#include "FuzzSupport.h"
#include "HeaderDecoding.h"
#include "MessageSink.h"

#include <QDir>

using namespace quenlit;

namespace {
struct SilentSink final : MessageSink {
    void showMessage(const QString&, MessageIcon) override {}
    bool ask(const QString&) override { return false; }
    void post(const QString&, MessageIcon, std::function<void()>) override {}
};

void RequireFits(const QString& name, qint64 limit, const char* what) {
    fuzz::Require(name.toUtf8().size() <= limit, what, name);
    fuzz::Require(CodePageByteCount(name) <= limit, what, name);
}

// The levels of text under a scratch folder: every level made is a clean name inside it.
void CheckFolderPath(const QString& text) {
    static const QString base = fuzz::ScratchFolder() + u"/folders"_qs;
    QDir().mkpath(base);
    SilentSink messages;
    const QString made = EnsureFolderPath(base + u'/' + text.left(300), messages);
    if (!made.isEmpty()) {
        fuzz::Require(made == base || made.startsWith(base + u'/'), "a folder stays inside", made);
        for (const QString& level : made.mid(base.size() + 1).split(u'/', Qt::SkipEmptyParts)) {
            fuzz::Require(fuzz::SafeInAName(level), "a folder level is a safe name", level);
            RequireFits(level, 200, "a folder level fits 200 bytes");
        }
    }
    QDir(base).removeRecursively();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size));

    const QString cleaned = CleanFileName(text);
    fuzz::Require(fuzz::SafeInAName(cleaned), "a cleaned name is safe", cleaned);
    RequireFits(cleaned, 200, "a cleaned name fits 200 bytes");

    // The tail of the input is the suffix: a numbering and an extension.
    const qsizetype split = text.size() / 2;
    const QString suffix = text.mid(split).left(40);
    const QString fitted = FitFileName(cleaned, suffix);
    fuzz::Require(cleaned.startsWith(fitted), "fitting only cuts", fitted);
    RequireFits(fitted, 200, "a fitted name fits 200 bytes");
    RequireFits(fitted + suffix, qMax<qint64>(255, suffix.toUtf8().size()),
                "a fitted name and its suffix fit 255 bytes");

    const QString fromAddress = NameFromAddress(text, size % 2 == 0);
    fuzz::Require(!fromAddress.contains(u'/') && !fromAddress.contains(u'\\'),
                  "a name from an address has no separator", fromAddress);

    CheckFolderPath(text);
    return 0;
}
