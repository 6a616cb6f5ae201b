#include "FileError.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>

namespace FileError {

namespace {

// The nearest folder on the path that exists; empty when there is none.
QString existingAncestor(const QString &path)
{
    QString dir = QFileInfo(path).absolutePath();
    while (!dir.isEmpty() && !QFileInfo(dir).isDir()) {
        const QString up = QFileInfo(dir).absolutePath();
        if (up == dir) {
            return {};
        }
        dir = up;
    }
    return dir;
}

Reason fromErrno(int errorNumber)
{
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return NoPermission;
    case EROFS:
        return ReadOnlyFileSystem;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return DiskFull;
    case EISDIR:
        return IsFolder;
    default:
        return Other;
    }
}

} // namespace

Reason reasonOf(Operation operation, const QString &path, int errorNumber)
{
    const QFileInfo file(path);
    const QString parent = file.absolutePath();
    if (file.isSymLink() && !file.exists()) {
        return BrokenLink;
    }
    if (operation != CreateFolder && file.isDir()) {
        return IsFolder;
    }
    if (operation != CreateFolder && !QFileInfo(parent).isDir()) {
        return MissingFolder;
    }
    if (const Reason known = fromErrno(errorNumber); known != Other) {
        return known;
    }
    if (operation == Read) {
        return file.exists() && !file.isReadable() ? NoPermission : Other;
    }
    const QStorageInfo storage(existingAncestor(path));
    if (storage.isValid() && storage.isReadOnly()) {
        return ReadOnlyFileSystem;
    }
    const QFileInfo folder(parent);
    if (!folder.isWritable() || (operation == Write && file.exists() && !file.isWritable())) {
        return NoPermission;
    }
    if (operation != Remove && storage.isValid() && storage.bytesAvailable() == 0) {
        return DiskFull;
    }
    return Other;
}

QString describe(Operation operation, const QString &path, const QString &systemText, int errorNumber)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QString sentence;
    switch (operation) {
    case Read:
        sentence = QStringLiteral("Nie można odczytać pliku „%1”: %2.");
        break;
    case Write:
        sentence = QStringLiteral("Nie można zapisać pliku „%1”: %2.");
        break;
    case Remove:
        sentence = QStringLiteral("Nie można usunąć pliku „%1”: %2.");
        break;
    case CreateFolder:
        sentence = QStringLiteral("Nie można utworzyć folderu „%1”: %2.");
        break;
    }
    QString reason;
    switch (reasonOf(operation, path, errorNumber)) {
    case NoPermission:
        reason = QStringLiteral("brak uprawnień");
        break;
    case ReadOnlyFileSystem:
        reason = QStringLiteral("system plików jest tylko do odczytu");
        break;
    case DiskFull:
        reason = QStringLiteral("brak miejsca na dysku");
        break;
    case MissingFolder:
        reason =
            QStringLiteral("folder „%1” nie istnieje").arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
        break;
    case IsFolder:
        reason = QStringLiteral("pod tą ścieżką jest folder");
        break;
    case BrokenLink:
        reason = QStringLiteral("to dowiązanie symboliczne do „%1”, które nie istnieje")
                     .arg(QDir::toNativeSeparators(QFileInfo(path).symLinkTarget()));
        break;
    case Other:
        reason = systemText.isEmpty() ? QStringLiteral("nieznany błąd") : systemText;
        break;
    }
    return sentence.arg(shown, reason);
}

} // namespace FileError
