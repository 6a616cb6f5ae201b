#include "DailyBackup.h"

#include "FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

void DailyBackup::beforeWrite(const QString &path)
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
    QFile source(path);
    if (!source.copy(copy)) {
        fail(path, FileError::describe(FileError::Write, copy, source.errorString()));
        return;
    }
    prune(path);
}

// Copies are named by their day, so the name order is the date order.
void DailyBackup::prune(const QString &path) const
{
    const QFileInfo info(path);
    QDir folder(info.dir().filePath(QLatin1String(folderName)));
    const QString pattern = info.completeBaseName() + u"-\?\?\?\?-\?\?-\?\?."_s + info.suffix();
    const QStringList copies = folder.entryList({pattern}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kept < copies.size(); ++i) {
        (void)folder.remove(copies[i]);
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
