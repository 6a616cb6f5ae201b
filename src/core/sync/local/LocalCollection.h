#pragma once

#include "core/sync/SyncState.h"
#include "core/sync/plan/SyncPlanner.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class DailyBackup;

// One side of a sync: the items of this data folder that a collection on the server mirrors, read
// at the start of a pass, changed in memory as the plan says, and written back in one go (side
// files first, then the data file, each replaced atomically, after the day's copy). An item is
// known by its local key: a contact's identifier, an appointment's record.
class LocalCollection
{
public:
    // A server item merged into this side's: a field changed on one side only takes that side's
    // value; changed on both to different values, this side's stays (a conflict).
    struct Merged
    {
        bool readable = true;  // else left alone
        bool received = false; // this side changed
        bool conflict = false; // the server's copy is to be kept aside
        bool upload = false;   // this side's result is to be sent
        // Kept aside instead of the server's copy when the server's values stayed: this side's.
        QByteArray conflictText;
    };

    virtual ~LocalCollection() = default;

    [[nodiscard]] virtual bool load(QString *error) = 0;
    virtual bool exists(const QString &key) const = 0;
    // Of the content as it would be synced: equal hashes, nothing to send.
    virtual QByteArray hash(const QString &key) const = 0;
    // What an item is, whoever wrote it, for linking it to a server item met for the first time.
    virtual QList<QByteArray> identity(const QString &key) const = 0;
    virtual qsizetype count() const = 0;
    // An item dropped here for its age (an old appointment): left alone on the server.
    virtual bool isOld(const QString &) const { return false; }
    virtual SyncPlanner::LocalSnapshot snapshot(const SyncCollectionState &state) const = 0;
    // Deleted on the server: goes from here, kept aside for a while.
    virtual void removeDeleted(const QString &key) = 0;
    // Something to write.
    virtual bool changed() const = 0;
    // What goes from here for good, as it was: data-file lines of contacts and appointment records.
    virtual void deleted(QList<QByteArray> *lines, QStringList *records) const = 0;
    // Those are kept aside now: not again if the write is tried once more.
    virtual void deletedKept() {}
    // What is sent for key: the server's copy (item's text, when known) changed only where this
    // side differs from it, or a new item with uid. A smaller photo when asked for.
    virtual QByteArray textToSend(const QString &key,
                                  const SyncItem *item,
                                  const QString &uid,
                                  bool smallPhoto,
                                  const QDateTime &nowUtc) const = 0;
    // Writes the data file (and its side files) as changed; the changes are then forgotten.
    [[nodiscard]] virtual bool write(DailyBackup *backup, QString *error) = 0;

    // Whether the files changed since the state was saved.
    bool changedSince(const SyncCollectionState &state) const;
};
