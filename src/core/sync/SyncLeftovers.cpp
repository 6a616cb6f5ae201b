#include "SyncLeftovers.h"

#include "DeletedItems.h"
#include "SyncConflicts.h"
#include "SyncState.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/appointments/AppointmentList.h"
#include "core/appointments/AppointmentTimes.h"
#include "core/common/Clock.h"
#include "core/common/DailyBackup.h"
#include "core/contacts/ContactFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SyncLeftovers {

namespace {

using namespace Qt::StringLiterals;

// The name a committed file would have had, when name is that of a temporary copy of it (the six
// letters a save adds after a dot), else empty.
QString committedName(const QString &name)
{
    const qsizetype dot = name.size() - 7;
    if (dot <= 0 || name[dot] != u'.') {
        return {};
    }
    for (qsizetype i = dot + 1; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            return {};
        }
    }
    return name.left(dot);
}

int removeIn(const QDir &folder, bool (*committed)(const QString &name), const QDateTime &before, bool alone)
{
    int removed = 0;
    for (const QFileInfo &file : folder.entryInfoList(QDir::Files | QDir::Hidden)) {
        const QString name = committedName(file.fileName());
        if (name.isEmpty() || !committed(name) || (!alone && file.lastModified().toUTC() > before)) {
            continue;
        }
        removed += QFile::remove(file.filePath()) ? 1 : 0;
    }
    return removed;
}

bool isDataFile(const QString &name)
{
    return name == QLatin1String(ContactFile::fileName) || name == QLatin1String(AppointmentList::fileName)
           || name == QLatin1String(SyncState::fileName) || name == QLatin1String(AppointmentTimes::fileName)
           || name == QLatin1String(AppointmentEdits::fileName) || name == u"Morwinek.ini";
}

bool isNotes(const QString &name)
{
    return name.endsWith(u".txt");
}

bool isPhoto(const QString &name)
{
    return name.endsWith(u".jpg");
}

bool isConflict(const QString &name)
{
    return name.endsWith(u".vcf") || name.endsWith(u".ics") || name.endsWith(u".lst");
}

bool isCopy(const QString &name)
{
    return name == u"qt_temp" || isDataFile(name) || isNotes(name) || isPhoto(name);
}

} // namespace

int remove(const QString &dataDir, const Clock &clock, bool alone)
{
    const QDir dir(dataDir);
    const QDateTime before = clock.now().toUTC().addSecs(-60);
    const QString notes = QLatin1String(ContactFile::notesFolder);
    const QString photos = QLatin1String(ContactFile::photoFolder);
    int removed = removeIn(dir, isDataFile, before, alone);
    removed += removeIn(QDir(dir.filePath(notes)), isNotes, before, alone);
    removed += removeIn(QDir(dir.filePath(photos)), isPhoto, before, alone);
    removed += removeIn(QDir(dir.filePath(QLatin1String(SyncConflicts::folder))), isConflict, before, alone);
    // The day's copies (and their notes and photos), and the deleted items kept, laid out as the
    // data folder is.
    const QDir copies(dir.filePath(QLatin1String(DailyBackup::folderName)));
    removed += removeIn(copies, isCopy, before, alone);
    for (const QString &sub : copies.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        removed += removeIn(QDir(copies.filePath(sub)), isCopy, before, alone);
    }
    const QDir kept(copies.filePath(QLatin1String(DeletedItems::folderName)));
    for (const QString &sub : kept.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir one(kept.filePath(sub));
        removed += removeIn(one, isDataFile, before, alone);
        removed += removeIn(QDir(one.filePath(notes)), isNotes, before, alone);
        removed += removeIn(QDir(one.filePath(photos)), isPhoto, before, alone);
    }
    return removed;
}

} // namespace SyncLeftovers
