#pragma once

#include "PartialFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace quenlit {

// A kept temporary file that a new request for the same address may continue.
struct ResumeOffer {
    QString target;
    PartialRecord record;
    qint64 offset = 0; // bytes already there; 0: nothing to resume

    bool valid() const { return offset > 0; }
    // "Range: bytes=<offset>-" and "If-Range: <validator>"; none when there is nothing to
    // resume.
    QList<std::pair<QByteArray, QByteArray>> requestHeaders() const;
    // The same as header lines, each ended by CR LF.
    QString requestLines() const;
};

// The offer of the temporary file of targetPath: only with our record, for the same
// address, with a validator, and with bytes still missing.
ResumeOffer FindResumeOffer(const QString& targetPath, const QString& address);

// The headers of a response that decide how its body is taken.
struct ResponseFacts {
    int status = 0;
    QString contentLength;
    QString contentRange;
    QString etag;
    QString lastModified;
};

struct ResumeAnswer {
    enum Kind {
        Fresh,   // the body is the file from its first byte
        Append,  // the body is the rest of the offered temporary file
        Refetch, // the body is neither: ask again without a range
    };
    Kind kind = Fresh;
    qint64 whole = -1; // the length of the whole file, -1 when unknown
    // What to keep beside the temporary file; without a validator the body is not resumable.
    PartialRecord record;

    bool resumable() const { return !record.validator().isEmpty(); }
};

// How to take a response to a request for address that carried offer (an invalid offer: a
// plain request). A 206 is the rest only when its range starts where the file ends, its
// total agrees with the recorded one and its validators are the recorded ones; a 416 or any
// other 206 means asking again; every other answer is a whole new body.
ResumeAnswer JudgeResponse(const ResumeOffer& offer, const QString& address,
                           const ResponseFacts& response);

} // namespace quenlit
