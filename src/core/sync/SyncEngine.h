#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

// Where and as whom to sync. The password is never written to the settings file.
struct SyncAccount
{
    QString address; // any address on the server: its root, the user's principal or a collection
    QString user;
    QString password;
    bool allowPlainHttp = false; // plain http to a host that is not a loopback address, confirmed by the user
    // What a sync does when it would delete many items here (more than a handful and more than a
    // quarter of the collection), or any at all when the server's collection lost everything it
    // had: stop before changing anything (Ask), delete them here, or keep them and send them back.
    enum class Deletions
    {
        Ask,
        DeleteHere,
        SendBack
    };
    Deletions contactDeletions = Deletions::Ask;
    Deletions appointmentDeletions = Deletions::Ask;
    // A sync that would copy the book into another collection that already holds items stops
    // before changing anything unless the user allowed it.
    bool allowCopy = false;
    // discover() makes an address book or a calendar the user's home lacks only when allowed to.
    bool createMissing = false;
    QString addressBookUrl; // found by discover(); both must be set for synchronize()
    QString calendarUrl;
};

// One address book or calendar found on the server.
struct DavCollection
{
    enum Kind
    {
        AddressBook,
        Calendar
    };
    Kind kind = AddressBook;
    QString url;
    QString displayName;
};

// What one sync did to one collection.
struct CollectionSummary
{
    int sent = 0;
    int received = 0;
    int deletedHere = 0;
    int deletedOnServer = 0;
    int conflicts = 0; // the server's copies kept in the folder "konflikty"
    int skipped = 0;   // items left alone (recurring events)
};

struct SyncOutcome
{
    bool ok = false;
    QString error;        // a Polish sentence for the user; empty when ok
    QStringList warnings; // items left for the next sync, conflict files not written (Polish)
    // Set when the sync stopped before deleting this many of the collection's items here, or before
    // sending them into another collection that holds items already; nothing was changed, and
    // synchronize() with the collection's Deletions answer or allowCopy goes on.
    struct Held
    {
        enum What
        {
            Nothing,
            Deletions,
            Copy
        };
        What what = Nothing;
        int count = 0;
        int of = 0; // items of the collection: here for deletions, on the server for a copy
        bool calendar = false;
        bool emptied = false; // deletions: the server's collection lost every item it had
    } held;
    CollectionSummary contacts;
    CollectionSummary appointments;
    QDateTime finishedAt;
};

// Two-way sync of the contacts and appointments files of one data folder with a CardDAV address book
// and a CalDAV calendar. Works through the caller's event loop and never blocks it; one job at a time.
// The data files are replaced atomically, and only between requests, so an interrupted job leaves
// every file whole and the next job finishes it.
class SyncEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Finds the user's address books and calendars (creating one of each when there is none) and
    // answers with discovered().
    virtual void discover(const SyncAccount &account) = 0;
    // One two-way sync of both collections; answers with finished().
    virtual void synchronize(const SyncAccount &account) = 0;
    // Ends the running job at the next safe point; finished() still follows, with an error.
    virtual void cancel() = 0;
    virtual bool busy() const = 0;
    // After a discovery that stopped at a redirect to another server: where it led, for the user to
    // accept as the new address or not; empty otherwise.
    virtual QUrl redirectedTo() const { return {}; }

signals:
    void discovered(const QList<DavCollection> &collections, const QString &error);
    void progress(int done, int total);
    void finished(const SyncOutcome &outcome);
};
