#include "DailyBackup.h"

#include "FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

using namespace Qt::StringLiterals;

DailyBackup::DailyBackup(const Clock &clock, std::function<void(const QString &)> report)
    : m_clock(clock)
    , m_report(std::move(report))
{}

QString DailyBackup::copyPath(const QString &path, const QDate &day)
{
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1String(folderName) + u'/' + info.completeBaseName() + u'-'
                               + day.toString(u"yyyy-MM-dd"_s) + u'.' + info.suffix());
}

void DailyBackup::beforeWrite(const QString &path, const QStringList &folders)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return;
    }
    const QString copy = copyPath(path, m_clock.today());
    if (QFileInfo::exists(copy)) {
        return;
    }
    if (!info.dir().mkpath(QLatin1String(folderName))) {
        const QString folder = info.dir().filePath(QLatin1String(folderName));
        fail(path,
             FileError::describe(FileError::CreateFolder,
                                 folder,
                                 QFileInfo::exists(folder) ? u"pod tą ścieżką jest plik"_s : QString()));
        return;
    }
    // The folders first: a copy of the file is what says that the day's copy is complete.
    for (const QString &name : folders) {
        const QString from = info.dir().filePath(name);
        const QString to = QFileInfo(copy).dir().filePath(QFileInfo(copy).completeBaseName() + u'.' + name);
        if (QString error; QFileInfo(from).isDir() && !copyFolder(from, to, &error)) {
            fail(path, error);
            return;
        }
    }
    QFile source(path);
    if (!source.copy(copy)) {
        fail(path, FileError::describe(FileError::Write, copy, source.errorString()));
        return;
    }
    prune(path, folders);
}

bool DailyBackup::copyFolder(const QString &from, const QString &to, QString *error) const
{
    QDir(to).removeRecursively(); // a copy cut off before
    if (!QDir().mkpath(to)) {
        *error = FileError::describe(FileError::CreateFolder, to, {});
        return false;
    }
    const QDir source(from);
    for (const QString &name : source.entryList(QDir::Files)) {
        const std::filesystem::path a = source.filePath(name).toStdString();
        const std::filesystem::path b = QDir(to).filePath(name).toStdString();
        std::error_code linkError;
        std::filesystem::create_hard_link(a, b, linkError);
        if (linkError && !QFile::copy(source.filePath(name), QDir(to).filePath(name))) {
            *error = FileError::describe(FileError::Write, QDir(to).filePath(name), {});
            return false;
        }
    }
    return true;
}

// Copies are named by their day, so the name order is the date order.
void DailyBackup::prune(const QString &path, const QStringList &folders) const
{
    const QFileInfo info(path);
    QDir folder(info.dir().filePath(QLatin1String(folderName)));
    const QString pattern = info.completeBaseName() + u"-\?\?\?\?-\?\?-\?\?."_s + info.suffix();
    const QStringList copies = folder.entryList({pattern}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kept < copies.size(); ++i) {
        (void)folder.remove(copies[i]);
    }
    for (const QString &name : folders) {
        const QString folderPattern = info.completeBaseName() + u"-\?\?\?\?-\?\?-\?\?."_s + name;
        const QStringList copied = folder.entryList({folderPattern}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (qsizetype i = 0; i + kept < copied.size(); ++i) {
            QDir(folder.filePath(copied[i])).removeRecursively();
        }
    }
}

void DailyBackup::fail(const QString &path, const QString &reason)
{
    const QDate today = m_clock.today();
    if (m_reportedDay != today) {
        m_reportedDay = today;
        m_reported.clear();
    }
    if (m_reported.contains(path)) {
        return;
    }
    m_reported.insert(path);
    if (m_report) {
        m_report(u"Nie udało się zrobić dziennej kopii pliku %1. %2 Dane zostaną zapisane bez kopii."_s.arg(
            QFileInfo(path).fileName(), reason));
    }
}
