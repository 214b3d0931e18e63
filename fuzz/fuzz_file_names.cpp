// Arbitrary text as a name: what the name helpers make of it is one safe name on disk.
#include "FileNames.h"
#include "FuzzSupport.h"
#include "HeaderDecoding.h"

using namespace quenlit;

namespace {
void RequireFits(const QString& name, qint64 limit, const char* what) {
    fuzz::Require(name.toUtf8().size() <= limit, what, name);
    fuzz::Require(CodePageByteCount(name) <= limit, what, name);
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
    return 0;
}
