#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// A check of the fuzz targets: a broken invariant is a crash, so libFuzzer keeps the input.
#define FUZZ_ASSERT(condition)                                                                                         \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace FuzzSupport {

// One data folder for the whole run, emptied for each input.
inline QString freshDataDir()
{
    static QTemporaryDir dir;
    FUZZ_ASSERT(dir.isValid());
    QDir d(dir.path());
    for (const QString &entry : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        QFileInfo info(d.filePath(entry));
        if (info.isDir() && !info.isSymLink()) {
            QDir(info.filePath()).removeRecursively();
        } else {
            QFile::remove(info.filePath());
        }
    }
    return dir.path();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    FUZZ_ASSERT(f.open(QIODevice::WriteOnly));
    FUZZ_ASSERT(f.write(bytes) == bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace FuzzSupport
