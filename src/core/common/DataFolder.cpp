#include "DataFolder.h"

#include "FileError.h"

#include <QDir>
#include <QFileInfo>

namespace DataFolder {

bool isWritable(const QString &folder)
{
    // Asks the system (not the mode bits), so a read-only file system answers "no" even for root.
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

QString choose(const QString &given, const QString &executableDir, const std::function<bool(const QString &)> &writable)
{
    if (!given.isEmpty()) {
        return QDir::cleanPath(QDir(given).absolutePath());
    }
    const QDir exe(executableDir);
    if (exe.exists(QStringLiteral("Morwinek.ini")) || exe.exists(QStringLiteral("Morwinek.data"))
        || writable(executableDir)) {
        return QDir::cleanPath(exe.absolutePath());
    }
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(base + QStringLiteral("/Morwinek"));
}

bool ensure(const QString &folder, QString *error)
{
    const QFileInfo info(folder);
    if (info.isDir()) {
        return true;
    }
    if (!info.exists() && QDir().mkpath(folder)) {
        return true;
    }
    if (error) {
        *error = FileError::describe(
            FileError::CreateFolder, folder, info.exists() ? QStringLiteral("pod tą ścieżką jest plik") : QString());
    }
    return false;
}

} // namespace DataFolder
