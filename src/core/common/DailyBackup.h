#pragma once

#include "Clock.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// The day's copy of a data file: before the first write of a day the file as it stood is copied
// into the folder "kopie" beside it as "<name>-yyyy-MM-dd.<suffix>" ("Morwinek-2026-12-07.data"),
// and only the newest copies of each file are kept. A copy that cannot be made is reported once a
// day per file through the given callback and never stops the write that follows.
class DailyBackup
{
public:
    static constexpr char folderName[] = "kopie";
    static constexpr int kept = 14;

    DailyBackup(const Clock &clock, std::function<void(const QString &message)> report);

    // Takes today's copy of the file unless there is one; a file not written yet has nothing to copy.
    // With it go the named folders beside the file (a contact's notes and photos), each as
    // "<name>-yyyy-MM-dd.<folder>" in "kopie": their files are linked where the file system can,
    // as data files are only ever replaced, never written over, so a link keeps the day's content.
    void beforeWrite(const QString &path, const QStringList &folders = {});

    // The copy of path for the day.
    static QString copyPath(const QString &path, const QDate &day);

private:
    void prune(const QString &path, const QStringList &folders) const;
    [[nodiscard]] bool copyFolder(const QString &from, const QString &to, QString *error) const;
    void fail(const QString &path, const QString &reason);

    const Clock &m_clock;
    std::function<void(const QString &)> m_report;
    QDate m_reportedDay;
    QSet<QString> m_reported; // files whose failure was reported on m_reportedDay
};
