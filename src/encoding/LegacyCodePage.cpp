#include "LegacyCodePage.h"

#include <unicode/ucnv.h>

#include <memory>

namespace quenlit::gbk {

namespace {
struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A fresh converter that reports unmappable and illegal input instead of substituting.
Converter openStrict() {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("GBK", &status));
    if (U_FAILURE(status))
        return nullptr;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}
} // namespace

std::optional<QByteArray> encodeCharacter(QStringView character) {
    if (character.size() == 1 && character[0].unicode() < 0x80)
        return QByteArray(1, char(character[0].unicode()));
    // Names are measured a character at a time: keep one converter for the thread.
    thread_local Converter converter = openStrict();
    if (!converter)
        return std::nullopt;
    ucnv_resetFromUnicode(converter.get());
    char buffer[16];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter.get(), buffer, sizeof buffer,
                                           reinterpret_cast<const UChar*>(character.utf16()),
                                           int32_t(character.size()), &status);
    if (U_FAILURE(status) || length <= 0)
        return std::nullopt;
    return QByteArray(buffer, length);
}

std::optional<QString> decode(const QByteArray& bytes) {
    Converter converter = openStrict();
    if (!converter)
        return std::nullopt;
    QString text(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                      bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.truncate(length);
    return text;
}

} // namespace quenlit::gbk
