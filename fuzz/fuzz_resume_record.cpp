// Arbitrary bytes as the record kept beside an interrupted download and as the headers of
// the answer to its range request: reading and judging never crash, an offer only continues
// a file that has bytes still missing, and only a 206 that starts where the file ends is
// appended.
#include "FuzzSupport.h"
#include "RangeResume.h"

using namespace quenlit;

namespace {} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString target = fuzz::ScratchFolder() + u"/doc.pdf"_qs;
    static const QString address = u"http://127.0.0.1/doc.pdf"_qs;
    // Fields split by 0x1e: record, status, part length, Content-Length, Content-Range,
    // ETag, Last-Modified.
    const QList<QByteArray> parts = fuzz::Bytes(data, size).split('\x1e');
    const auto part = [&](int i) { return QString::fromUtf8(parts.value(i)); };
    fuzz::WriteFixture(PartialFile::recordPathFor(target), parts.value(0));
    fuzz::WriteFixture(PartialFile::tempPathFor(target), QByteArray(part(2).toInt() % 4096, 'x'));

    (void)PartialFile::readRecord(target);
    const ResumeOffer offer = FindResumeOffer(target, address);
    if (offer.valid()) {
        fuzz::Require(offer.record.address == address, "an offer is for its address");
        fuzz::Require(!offer.record.validator().isEmpty(), "an offer has a validator");
        fuzz::Require(offer.record.total < 0 || offer.offset < offer.record.total,
                      "an offer has bytes missing");
        (void)offer.requestLines();
    }
    const ResponseFacts response{part(1).toInt(), part(3), part(4), part(5), part(6)};
    const ResumeAnswer answer = JudgeResponse(offer, address, response);
    if (answer.kind == ResumeAnswer::Append) {
        fuzz::Require(offer.valid() && response.status == 206, "only a 206 to an offer appends");
        fuzz::Require(answer.whole < 0 || answer.whole > offer.offset,
                      "an appended file grows past what was there");
    }
    return 0;
}
