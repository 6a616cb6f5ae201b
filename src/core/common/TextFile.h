#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class QSaveFile;

// Plain text files as the organiser keeps them: code page 1250 bytes, CR LF when written.
// Reading accepts CR, LF or CR LF line ends, and CR CR LF or LF CR (a file converted twice) as one
// end; a NUL byte (damage) reads as a blank.
namespace TextFile {
// The raw lines of a file's bytes, without their line ends. A last line without an end counts;
// text after a final line end does not make an extra empty line.
QList<QByteArray> splitLines(QByteArrayView bytes);
// Each line followed by CR LF.
QByteArray joinLines(const QList<QByteArray> &lines);

// False with the system's error text when the file exists but cannot be read.
// A missing file (or a symbolic link to one) gives true, no lines and *exists = false.
[[nodiscard]] bool readBytes(const QString &path, QByteArray *bytes, bool *exists, QString *error);
[[nodiscard]] bool readLines(const QString &path, QList<QByteArray> *lines, bool *exists, QString *error);
// The lines readLines gives, handed to sink one at a time while the file is read in blocks, so
// memory holds a block and the longest line rather than the whole file.
using LineSink = std::function<void(QByteArrayView line)>;
[[nodiscard]] bool forEachLine(const QString &path, const LineSink &sink, bool *exists, QString *error);

// Replaces the file whole or not at all: a temporary file is written and renamed over it.
// A short write (a full disk) is a failure, and the old file then stays as it was.
[[nodiscard]] bool writeAtomically(const QString &path, QByteArrayView bytes, QString *error);
[[nodiscard]] bool writeLines(const QString &path, const QList<QByteArray> &lines, QString *error);

// The same whole-or-nothing write for a file made piece by piece: the pieces go to the temporary
// file in blocks as they come, and commit() puts it in place. Destroyed without a commit, the
// temporary file goes and the old file stays.
class AtomicWriter
{
public:
    explicit AtomicWriter(const QString &path);
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter &) = delete;
    AtomicWriter &operator=(const AtomicWriter &) = delete;

    [[nodiscard]] bool open(QString *error);
    void write(QByteArrayView bytes);
    [[nodiscard]] bool commit(QString *error);

private:
    void writeOut(QByteArrayView bytes);

    QString m_path;
    void close();

    QSaveFile *m_file = nullptr; // owned; a plain pointer keeps this header light
    QByteArray m_buffer;
    QString m_error; // the first failed write, told by commit()
};
// Removes a file if it is there; false with the system's text when it is there and stays.
[[nodiscard]] bool removeIfExists(const QString &path, QString *error);
} // namespace TextFile
