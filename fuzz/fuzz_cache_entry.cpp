// Arbitrary bytes as the head of a browser cache entry file: the key reader never reads past
// what it was given, and taking the address and extension from a key never crashes.
#include "BrowserCache.h"
#include "FuzzSupport.h"

using namespace quenlit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray head = fuzz::Bytes(data, size);
    const std::optional<QByteArray> key = ReadCacheEntryKey(head);
    if (key) {
        fuzz::Require(!key->isEmpty() && key->size() <= head.size(), "a key lies inside the head");
        (void)CacheExtension(AddressFromCacheKey(*key));
    }
    (void)CacheExtension(QString::fromUtf8(head));
    return 0;
}
