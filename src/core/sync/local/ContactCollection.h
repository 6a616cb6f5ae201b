#pragma once

#include "core/contacts/ContactList.h"
#include "core/exchange/ExchangeContact.h"
#include "core/sync/local/LocalCollection.h"

#include <QHash>
#include <QSet>

// The contacts of a data folder as the sync sees them: each named contact with its notes and
// photo, by identifier. New contacts from the server get their identifiers when written.
class ContactCollection final : public LocalCollection
{
public:
    explicit ContactCollection(QString dataDir)
        : m_dataDir(std::move(dataDir))
    {}

    [[nodiscard]] bool load(QString *error) override;
    bool exists(const QString &key) const override { return m_contacts.contains(key); }
    QByteArray hash(const QString &key) const override { return m_hashes.value(key); }
    QList<QByteArray> identity(const QString &key) const override;
    qsizetype count() const override { return m_contacts.size(); }
    SyncPlanner::LocalSnapshot snapshot(const SyncCollectionState &state) const override;
    void removeDeleted(const QString &key) override;
    bool changed() const override { return !m_changed.isEmpty() || !m_removed.isEmpty() || !m_new.isEmpty(); }
    void deleted(QList<QByteArray> *lines, QStringList *records) const override;
    [[nodiscard]] bool write(DailyBackup *backup, QString *error) override;
    QByteArray textToSend(const QString &key,
                          const SyncItem *item,
                          const QString &uid,
                          bool smallPhoto,
                          const QDateTime &nowUtc) const override;

    ExchangeContact value(const QString &key) const { return m_contacts.value(key); }
    QByteArray photo(const QString &key) const { return m_contacts.value(key).photo; }
    // The contact key as the server's copy says (changed here when its hash differs).
    void put(const QString &key, ExchangeContact contact);
    void put(const QString &key, ExchangeContact contact, const QByteArray &hash);
    // A contact met on the server for the first time: added when written, in this order.
    void addNew(ExchangeContact contact) { m_new.append(std::move(contact)); }
    enum class Taken
    {
        Unreadable,
        Group, // a list of other cards: known, never brought here, never deleted from here
        Updated,
        New // its identifier is given when written
    };
    // The server's card replaces key's contact (or comes as a new one); entry gets its UID and hashes.
    // A photo kept here against the card (see keepsPhoto) leaves entry's hash empty: to be sent.
    Taken take(const QString &key, SyncItem &entry, const QByteArray &remote, bool newItem, const SyncItem *known);
    // The server's card merged into key's contact, against what was last synced (known).
    Merged merge(const QString &key, const SyncItem *known, SyncItem &entry, const QByteArray &remote);

    // Gives each new contact its identifier, in the pending entries with no key, and reserves
    // those of entries and retired ones.
    [[nodiscard]] bool giveIdentifiers(QList<SyncItem> &items, const QSet<QString> &retired, QString *error);

    // A 4.0 card's photo goes as base64 (the server cuts data: URIs).
    void setPhotoAsBase64(bool on) { m_photoAsBase64 = on; }
    // The names of contacts whose photo stayed here against a server's copy without it, since the
    // last call; damaged: some copy had a cut photo in a vCard 4.0.
    QStringList takeKeptPhotos(bool *damaged);

private:
    // Whether mine's photo stays against the server's card (theirs, read from remote), which has
    // none or a damaged one: the photo is unchanged here since the last sync, and the server's copy
    // then lacked it already or was what this side sent. A photo removed on the phone from a card
    // the phone had whole still goes.
    bool keepsPhoto(const SyncItem *known,
                    const ExchangeContact &mine,
                    const ExchangeContact &theirs,
                    const QByteArray &remote);

    QString m_dataDir;
    bool m_photoAsBase64 = false;
    QStringList m_keptPhotos;
    bool m_damagedPhotos = false;
    ContactList m_book; // the data file's lines
    QHash<QString, ExchangeContact> m_contacts;
    QHash<QString, QByteArray> m_hashes;
    QSet<QString> m_changed;
    QSet<QString> m_removed;
    QList<ExchangeContact> m_new;
    QStringList m_newIds;
};
