#include "SyncLeftovers.h"

#include "SyncState.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Clock.h"
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

} // namespace

int remove(const QString &dataDir, const Clock &clock)
{
    const QDir dir(dataDir);
    const QDateTime before = clock.now().toUTC().addSecs(-60);
    // Each folder with what its committed files are called.
    const struct
    {
        QString folder;
        bool (*committed)(const QString &name);
    } places[] = {
        {QString(),
         [](const QString &name) {
             return name == QLatin1String(ContactFile::fileName) || name == QLatin1String(AppointmentList::fileName)
                    || name == QLatin1String(SyncState::fileName) || name == u"Morwinek.ini";
         }},
        {QLatin1String(ContactFile::notesFolder),
         [](const QString &name) {
             return name.endsWith(u".txt");
         }},
        {QLatin1String(ContactFile::photoFolder),
         [](const QString &name) {
             return name.endsWith(u".jpg");
         }},
        {u"konflikty"_s,
         [](const QString &name) {
             return name.endsWith(u".vcf") || name.endsWith(u".ics") || name.endsWith(u".lst");
         }},
    };
    int removed = 0;
    for (const auto &place : places) {
        const QDir folder(place.folder.isEmpty() ? dataDir : dir.filePath(place.folder));
        const QFileInfoList files = folder.entryInfoList(QDir::Files | QDir::Hidden);
        for (const QFileInfo &file : files) {
            const QString committed = committedName(file.fileName());
            if (committed.isEmpty() || !place.committed(committed) || file.lastModified().toUTC() > before) {
                continue;
            }
            removed += QFile::remove(file.filePath()) ? 1 : 0;
        }
    }
    return removed;
}

} // namespace SyncLeftovers
