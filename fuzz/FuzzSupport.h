#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every target shares: an application object (some Qt classes want one), a scratch
// folder on the fastest disk, and a check that stays on in optimised builds.
namespace quenlit::fuzz {

inline void Require(bool holds, const char* what, const QString& detail = {}) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n%s\n", what, qPrintable(detail));
    std::abort();
}

inline QCoreApplication& Application() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A folder that lives as long as the process; /dev/shm keeps file round trips in memory.
inline const QString& ScratchFolder() {
    static QTemporaryDir dir(qEnvironmentVariable("QUENLIT_FUZZ_TMP", u"/dev/shm"_qs) +
                             u"/quenlit-fuzz-XXXXXX"_qs);
    static const QString path = [] {
        Require(dir.isValid(), "scratch folder", dir.errorString());
        return dir.path();
    }();
    return path;
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Puts the input where the code under test reads it.
inline void WriteFixture(const QString& path, const QByteArray& contents) {
    QFile file(path);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "fixture written");
    file.write(contents);
}

// No control character (C0, DEL, C1) but the tab, which names keep, and no path separator.
inline bool SafeInAName(const QString& name) {
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || (c.category() == QChar::Other_Control && c != u'\t'))
            return false;
    }
    return name != u"."_qs && name != u".."_qs;
}

} // namespace quenlit::fuzz
