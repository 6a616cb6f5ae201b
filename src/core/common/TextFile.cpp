#include "TextFile.h"

#include "FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Files are read and written in blocks of this size.
constexpr qsizetype blockSize = qsizetype(1) << 20;

// Hands sink the lines of bytes from *startAt, looking for line ends from *scanAt. Unless final,
// it stops at a line end whose next two bytes are not there yet, as they may belong to that end,
// and *startAt and *scanAt tell where to go on when more bytes have come.
void splitFrom(QByteArrayView bytes, qsizetype *startAt, qsizetype *scanAt, bool final, const TextFile::LineSink &sink)
{
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype start = *startAt;
    qsizetype i = *scanAt;
    // The next CR and LF at or after i: memchr finds them fast, and each is searched for again
    // only once passed, so the text is scanned once. -1: none left; -2: not searched yet.
    qsizetype nextCr = -2;
    qsizetype nextLf = -2;
    const auto find = [&](char ch, qsizetype &cached) {
        if (cached == -1 || cached >= i) {
            return cached;
        }
        const void *found = i < size ? std::memchr(data + i, ch, size_t(size - i)) : nullptr;
        cached = found ? static_cast<const char *>(found) - data : -1;
        return cached;
    };
    while (true) {
        const qsizetype cr = find('\r', nextCr);
        const qsizetype lf = find('\n', nextLf);
        qsizetype end = cr < 0 ? lf : (lf < 0 ? cr : std::min(cr, lf));
        if (end < 0) {
            i = size;
            break;
        }
        if (!final && end + 2 >= size) {
            i = end;
            break;
        }
        sink(bytes.sliced(start, end - start));
        // CR LF, and the doubled ends a second conversion leaves (CR CR LF, LF CR), end one line.
        const char c = data[end];
        const auto next = [&](qsizetype k, char expected) {
            return end + k < size && data[end + k] == expected;
        };
        if (c == '\r' && next(1, '\r') && next(2, '\n')) {
            end += 2;
        } else if ((c == '\r' && next(1, '\n')) || (c == '\n' && next(1, '\r'))) {
            ++end;
        }
        start = end + 1;
        i = start;
    }
    if (final && start < size) {
        sink(bytes.sliced(start));
        start = size;
    }
    *startAt = start;
    *scanAt = i;
}

QString writeError(const QString &path, const QSaveFile &file)
{
    // A short write without an error of its own is a full disk.
    const bool silent = file.errorString().isEmpty() || file.error() == QFileDevice::NoError;
    return FileError::describe(FileError::Write, path, file.errorString(), silent ? ENOSPC : errno);
}

} // namespace

namespace TextFile {

namespace {

enum class Opened
{
    Yes,
    Missing, // not there: no error, nothing to read
    Failed
};

// Opens the file for reading. Follows a symbolic link: one whose target is not there yet is a
// missing file, and the first save creates the target.
Opened openForReading(QFile &file, bool *exists, QString *error)
{
    const bool there = QFileInfo::exists(file.fileName());
    if (exists) {
        *exists = there;
    }
    if (!there) {
        return Opened::Missing;
    }
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = FileError::describe(FileError::Read, file.fileName(), file.errorString(), errno);
        }
        return Opened::Failed;
    }
    return Opened::Yes;
}

} // namespace

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
    qsizetype scan = 0;
    splitFrom(bytes, &start, &scan, true, [&lines](QByteArrayView line) {
        lines.append(line.toByteArray());
    });
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
    if (const Opened opened = openForReading(file, exists, error); opened != Opened::Yes) {
        return opened == Opened::Missing;
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
    QList<QByteArray> read;
    if (!forEachLine(
            path,
            [&read](QByteArrayView line) {
                read.append(line.toByteArray());
            },
            exists,
            error)) {
        return false;
    }
    *lines = std::move(read);
    return true;
}

bool forEachLine(const QString &path, const LineSink &sink, bool *exists, QString *error)
{
    QFile file(path);
    if (const Opened opened = openForReading(file, exists, error); opened != Opened::Yes) {
        return opened == Opened::Missing;
    }
    // The bytes not yet handed on: the start of a line whose end has not been read yet.
    QByteArray pending;
    qsizetype start = 0;
    qsizetype scan = 0;
    while (true) {
        const qsizetype kept = pending.size();
        pending.resize(kept + blockSize);
        const qint64 got = file.read(pending.data() + kept, blockSize);
        if (got < 0) {
            if (error) {
                *error = FileError::describe(FileError::Read, path, file.errorString(), errno);
            }
            return false;
        }
        pending.resize(kept + got);
        char *added = pending.data() + kept;
        if (std::memchr(added, '\0', size_t(got))) {
            std::replace(added, added + got, '\0', ' '); // a NUL reads as a blank, as in splitLines
        }
        const bool final = got == 0;
        splitFrom(pending, &start, &scan, final, sink);
        if (final) {
            return true;
        }
        pending.remove(0, start);
        scan -= start;
        start = 0;
    }
}

bool writeAtomically(const QString &path, QByteArrayView bytes, QString *error)
{
    AtomicWriter file(path);
    if (!file.open(error)) {
        return false;
    }
    file.write(bytes);
    return file.commit(error);
}

bool writeLines(const QString &path, const QList<QByteArray> &lines, QString *error)
{
    // Written as it goes rather than joined first, so a big file is not held twice.
    AtomicWriter file(path);
    if (!file.open(error)) {
        return false;
    }
    for (const QByteArray &line : lines) {
        file.write(line);
        file.write("\r\n");
    }
    return file.commit(error);
}

AtomicWriter::AtomicWriter(const QString &path)
    : m_path(path)
{}

AtomicWriter::~AtomicWriter()
{
    close(); // QSaveFile drops the temporary file unless committed
}

void AtomicWriter::close()
{
    delete m_file;
    m_file = nullptr;
}

bool AtomicWriter::open(QString *error)
{
    close();
    m_file = new QSaveFile(m_path);
    errno = 0;
    if (!m_file->open(QIODevice::WriteOnly)) {
        if (error) {
            *error = FileError::describe(FileError::Write, m_path, m_file->errorString(), errno);
        }
        close();
        return false;
    }
    m_buffer.reserve(blockSize);
    return true;
}

void AtomicWriter::write(QByteArrayView bytes)
{
    if (m_buffer.size() + bytes.size() > blockSize) {
        writeOut(m_buffer);
        m_buffer.truncate(0); // keeps its room
    }
    if (bytes.size() > blockSize) {
        writeOut(bytes);
    } else {
        m_buffer.append(bytes);
    }
}

void AtomicWriter::writeOut(QByteArrayView bytes)
{
    if (!m_file || !m_error.isEmpty() || bytes.isEmpty()) {
        return;
    }
    // QSaveFile may report success after a short write on a full disk, so the count is checked here.
    errno = 0;
    if (m_file->write(bytes.data(), bytes.size()) != bytes.size()) {
        m_error = writeError(m_path, *m_file);
    }
}

bool AtomicWriter::commit(QString *error)
{
    if (!m_file) {
        return false;
    }
    writeOut(m_buffer);
    m_buffer.clear();
    if (m_error.isEmpty()) {
        errno = 0;
        if (!m_file->flush()) {
            m_error = writeError(m_path, *m_file);
        }
    }
    if (!m_error.isEmpty()) {
        if (error) {
            *error = m_error;
        }
        m_file->cancelWriting();
        close();
        return false;
    }
    errno = 0;
    const bool committed = m_file->commit();
    if (!committed && error) {
        *error = FileError::describe(FileError::Write, m_path, m_file->errorString(), errno);
    }
    close();
    return committed;
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
