#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class DailyBackup;

// Contacts and appointments that a sync deleted here because they were gone from the server, kept
// for 30 days in "kopie/usuniete/<time>/" so that nothing is lost to a server or phone that lost
// them: the contacts' lines of "Morwinek.data" with their notes and photos, the appointments' lines
// of "Morwinek.term". "morwinek --restore-deleted" and the sync window's "Przywróć" bring them back.
namespace DeletedItems {
inline constexpr char folderName[] = "usuniete";
inline constexpr int keptDays = 30;

struct Kept
{
    int contacts = 0;
    int appointments = 0;
    bool isEmpty() const { return contacts == 0 && appointments == 0; }
};

// Keeps the contacts (their lines; their notes and photos are copied from the data folder) and
// the appointment records before a sync deletes them; copies older than 30 days go. False with the
// reason when they cannot be kept: the sync then deletes nothing.
[[nodiscard]] bool keep(const QString &dataDir,
                        const QDateTime &now,
                        const QList<QByteArray> &contactLines,
                        const QStringList &records,
                        QString *error);

// What waits to be restored.
Kept kept(const QString &dataDir);

// Brings every kept contact back with a new identifier (but those the book holds again, by name
// and number or address) with notes and photo, and every kept appointment the file does not hold;
// then the kept copies go. The next sync sends them to the server.
[[nodiscard]] bool restore(const QString &dataDir, DailyBackup *backup, Kept *restored, QString *error);
} // namespace DeletedItems
