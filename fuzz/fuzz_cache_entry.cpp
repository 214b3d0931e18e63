// Arbitrary bytes as the head of a browser cache entry file: the key reader never reads past
// what it was given, and the address and extension taken from a key never crash.
#include "BrowserCache.h"
#include "FuzzSupport.h"

using namespace quenlit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray head = fuzz::Bytes(data, size);
    const std::optional<QByteArray> key = ReadCacheEntryKey(head);
    if (key) {
        fuzz::Require(!key->isEmpty() && key->size() <= head.size(), "a key lies inside the head");
        const QString address = AddressFromCacheKey(*key);
        const QString extension = CacheExtension(address);
        fuzz::Require(extension.size() < 7, "an extension is shorter than seven", extension);
    }
    fuzz::Require(CacheExtension(QString::fromUtf8(head)).size() < 7,
                  "an extension is shorter than seven");
    return 0;
}
