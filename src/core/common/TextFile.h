#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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

// Replaces the file whole or not at all: a temporary file is written and renamed over it.
// A short write (a full disk) is a failure, and the old file then stays as it was.
[[nodiscard]] bool writeAtomically(const QString &path, QByteArrayView bytes, QString *error);
[[nodiscard]] bool writeLines(const QString &path, const QList<QByteArray> &lines, QString *error);
// Removes a file if it is there; false with the system's text when it is there and stays.
[[nodiscard]] bool removeIfExists(const QString &path, QString *error);
} // namespace TextFile
