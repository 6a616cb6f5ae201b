#include "TextFile.h"

#include "FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace TextFile {

QList<QByteArray> splitLines(QByteArrayView input)
{
    // A NUL byte reads as a blank. Ending the text there would hide every later line and drop it
    // at the next save; the search first keeps the common case free of a copy.
    QByteArray cleaned;
    QByteArrayView bytes = input;
    if (input.contains('\0')) {
        cleaned = input.toByteArray();
        cleaned.replace('\0', ' ');
        bytes = cleaned;
    }
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(bytes.sliced(start, i - start).toByteArray());
            // CR LF, and the doubled ends a second conversion leaves (CR CR LF, LF CR), end one line.
            const auto next = [&](qsizetype k, char expected) {
                return i + k < size && bytes[i + k] == expected;
            };
            if (c == '\r' && next(1, '\r') && next(2, '\n')) {
                i += 2;
            } else if ((c == '\r' && next(1, '\n')) || (c == '\n' && next(1, '\r'))) {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < size) {
        lines.append(bytes.sliced(start).toByteArray());
    }
    return lines;
}

QByteArray joinLines(const QList<QByteArray> &lines)
{
    qsizetype total = 0;
    for (const QByteArray &line : lines) {
        total += line.size() + 2;
    }
    QByteArray bytes;
    bytes.reserve(total);
    for (const QByteArray &line : lines) {
        bytes.append(line);
        bytes.append("\r\n", 2);
    }
    return bytes;
}

bool readBytes(const QString &path, QByteArray *bytes, bool *exists, QString *error)
{
    bytes->clear();
    QFile file(path);
    // Follows a symbolic link: one whose target is not there yet is a missing file, and the first
    // save creates the target.
    if (!QFileInfo::exists(path)) {
        if (exists) {
            *exists = false;
        }
        return true;
    }
    if (exists) {
        *exists = true;
    }
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = FileError::describe(FileError::Read, path, file.errorString(), errno);
        }
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error) {
            *error = FileError::describe(FileError::Read, path, file.errorString(), errno);
        }
        return false;
    }
    return true;
}

bool readLines(const QString &path, QList<QByteArray> *lines, bool *exists, QString *error)
{
    QByteArray bytes;
    if (!readBytes(path, &bytes, exists, error)) {
        return false;
    }
    *lines = splitLines(bytes);
    return true;
}

bool writeAtomically(const QString &path, QByteArrayView bytes, QString *error)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = FileError::describe(FileError::Write, path, file.errorString(), errno);
        }
        return false;
    }
    // QSaveFile may report success after a short write on a full disk, so the count is checked here.
    const qint64 written = file.write(bytes.data(), bytes.size());
    if (written != bytes.size() || !file.flush()) {
        if (error) {
            // A short write without an error of its own is a full disk.
            const bool silent = file.errorString().isEmpty() || file.error() == QFileDevice::NoError;
            *error = FileError::describe(FileError::Write, path, file.errorString(), silent ? ENOSPC : errno);
        }
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) {
            *error = FileError::describe(FileError::Write, path, file.errorString(), errno);
        }
        return false;
    }
    return true;
}

bool writeLines(const QString &path, const QList<QByteArray> &lines, QString *error)
{
    return writeAtomically(path, joinLines(lines), error);
}

bool removeIfExists(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    errno = 0;
    if (!file.remove()) {
        if (error) {
            *error = FileError::describe(FileError::Remove, path, file.errorString(), errno);
        }
        return false;
    }
    return true;
}

} // namespace TextFile
