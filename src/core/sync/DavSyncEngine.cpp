#include "DavSyncEngine.h"

#include "DeletedItems.h"
#include "ItemTags.h"
#include "SyncConflicts.h"
#include "SyncLeftovers.h"

#include "core/appointments/AppointmentList.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContentLines.h"
#include "core/sync/plan/SyncRules.h"

#include <QDir>
#include <QTimer>

using namespace Qt::StringLiterals;

DavSyncEngine::DavSyncEngine(QString dataDir, QObject *parent)
    : SyncEngine(parent)
    , m_dataDir(std::move(dataDir))
{}

DavSyncEngine::~DavSyncEngine()
{
    m_job.cancel();
    m_job.end();
}

// ---------------------------------------------------------------- running a job

void DavSyncEngine::beginJob(const SyncAccount &account, bool discovering)
{
    m_busy = true;
    ++m_jobNumber;
    m_discovering = discovering;
    m_job.begin(account, m_jobTimeout, [this](const QString &error) {
        fail(error);
    });
    if (!discovering) {
        SyncLeftovers::remove(m_dataDir, *m_clock, m_folderAlone && m_folderAlone());
    }
}

void DavSyncEngine::fail(const QString &error)
{
    if (!m_busy) {
        return;
    }
    m_client.abortAll();
    if (m_discovering) {
        m_discovery.finish(error);
        return;
    }
    // The state in memory matches the files between requests; keep what was confirmed.
    if (!m_localDirty) {
        (void)m_state.save(m_dataDir, nullptr);
    }
    m_busy = false;
    m_job.end();
    m_uploads.clear();
    SyncOutcome outcome = m_outcome;
    outcome.ok = false;
    outcome.error = error;
    outcome.finishedAt = m_clock->now();
    emit finished(outcome);
}

void DavSyncEngine::stage(const char *name)
{
    if (stageHook) {
        stageHook(QLatin1String(name), m_calendar);
    }
}

void DavSyncEngine::cancel()
{
    if (!m_busy) {
        return;
    }
    m_job.cancel();
    const bool waiting = m_client.running() > 0; // an aborted request ends the job itself
    m_client.abortAll();
    if (!waiting) {
        // Between requests: ended from the event loop, unless this job ended meanwhile (a next
        // job started at once must not be ended by this).
        QTimer::singleShot(0, this, [this, job = m_jobNumber] {
            if (job == m_jobNumber) {
                fail(u"Przerwano synchronizację."_s);
            }
        });
    }
}

// ---------------------------------------------------------------- discovery

void DavSyncEngine::discover(const SyncAccount &account)
{
    if (m_busy) {
        return;
    }
    beginJob(account, true);
    const QUrl url = QUrl::fromUserInput(account.address.trimmed());
    if (QString error; !m_job.checkAddress(url, &error)) {
        QTimer::singleShot(0, this, [this, error] {
            finishDiscovery({}, error);
        });
        return;
    }
    m_discovery.start(url, [this](const QList<DavCollection> &found, const QString &error) {
        finishDiscovery(found, error);
    });
}

void DavSyncEngine::finishDiscovery(const QList<DavCollection> &found, const QString &error)
{
    if (!m_busy) {
        return;
    }
    m_busy = false;
    m_discovering = false;
    m_job.end();
    emit discovered(found, error);
}

// ---------------------------------------------------------------- sync

void DavSyncEngine::synchronize(const SyncAccount &account)
{
    if (m_busy) {
        return;
    }
    beginJob(account, false);
    m_localDirty = false;
    m_outcome = SyncOutcome();
    m_appointments.setRange(m_today.isValid() ? m_today : m_clock->today(), m_range);
    QString error;
    if (account.addressBookUrl.isEmpty() || account.calendarUrl.isEmpty()) {
        error = u"Nie wybrano książki adresowej i kalendarza na serwerze. Użyj przycisku \"Połącz\"."_s;
    } else if (!m_state.load(m_dataDir, &error)) {
        error = QDir(m_dataDir).filePath(QLatin1String(SyncState::fileName)) + u": "_s + error;
    }
    if (!error.isEmpty()) {
        QTimer::singleShot(0, this, [this, error] {
            fail(error);
        });
        return;
    }
    m_state.ensureFolderId();
    startCollection(false);
}

SyncCollectionState &DavSyncEngine::collection()
{
    return m_calendar ? m_state.appointments : m_state.contacts;
}

CollectionSummary &DavSyncEngine::summary()
{
    return m_calendar ? m_outcome.appointments : m_outcome.contacts;
}

LocalCollection &DavSyncEngine::local()
{
    return m_calendar ? static_cast<LocalCollection &>(m_appointments) : m_contacts;
}

void DavSyncEngine::startCollection(bool calendar)
{
    m_calendar = calendar;
    const QUrl url = Dav::withSlash(QUrl(calendar ? m_job.account().calendarUrl : m_job.account().addressBookUrl));
    m_job.setCollection(url);
    m_unchanged = false;
    m_uploads.reset(calendar);
    m_switchedFrom.reset();
    if (collection().url != url.toString()) {
        // Another collection than last time: everything is met anew and matched by UID or content.
        if (!collection().url.isEmpty()) {
            m_switchedFrom = collection();
        }
        collection() = SyncCollectionState();
        collection().url = url.toString();
    }
    m_index.attach(&collection());
    m_contacts.setPhotoAsBase64(collection().photoAsBase64);
    QString error;
    if (!local().load(&error)) {
        fail(error);
        return;
    }
    if (m_calendar) {
        m_appointments.followEdits(m_index);
        m_appointments.adoptStoredTimes(collection());
    }
    CollectionReader::Pass pass;
    pass.calendar = calendar;
    pass.state = &collection();
    pass.summary = &summary();
    pass.warnings = &m_outcome.warnings;
    pass.stage = [this](const char *name) {
        stage(name);
    };
    pass.changedHere = [this](const QString &key, const QByteArray &hash) {
        return local().hash(key) != hash;
    };
    pass.localChanged = [this] {
        return local().changed() || local().changedSince(collection());
    };
    pass.unchanged = [this] {
        m_unchanged = true;
        finishCollection();
    };
    pass.read = [this] {
        decide();
    };
    m_reader.start(std::move(pass));
}

QString DavSyncEngine::localUid(const QString &key) const
{
    return m_calendar ? SyncRules::appointmentUid(key) : m_state.contactUid(key);
}

QString DavSyncEngine::hrefFor(const QString &uid) const
{
    QString name;
    for (const QChar ch : uid) {
        name.append(ch.isLetterOrNumber() && ch.unicode() < 128 ? ch : QChar(u'-'));
    }
    return m_job.collection().path() + name + (m_calendar ? u".ics"_s : u".vcf"_s);
}

void DavSyncEngine::decide()
{
    stage("decyzje");
    SyncCollectionState &c = collection();
    CollectionReader::Listing &listing = m_reader.listing();
    m_stateBefore = m_state;
    SyncPlanner::RemoteSnapshot remote;
    remote.fullListing = listing.full;
    remote.listed = listing.etags;
    remote.gone = listing.gone;
    // Items written here before an interruption: those that never reached the file are met anew.
    for (qsizetype i = c.items.size() - 1; i >= 0; --i) {
        SyncItem &item = c.items[i];
        if (!item.pending) {
            continue;
        }
        if (local().exists(item.key)) {
            item.pending = false;
            continue;
        }
        if (remote.exists(item.href) && !listing.fetched.contains(item.href)) {
            listing.fetched.insert(item.href, {item.etag, item.serverText});
        }
        c.items.removeAt(i);
    }
    // Entries of older versions that name no member of this collection: never written to or deleted
    // through; their items are met anew.
    const qsizetype entries = c.items.size();
    c.items.removeIf([this](const SyncItem &item) {
        QString path;
        return !m_job.memberHref(item.href, &path);
    });
    if (c.items.size() != entries) {
        summary().skipped += static_cast<int>(entries - c.items.size());
        m_outcome.warnings.append(u"Pominięto %1 zapamiętanych adresów spoza %2."_s.arg(entries - c.items.size())
                                      .arg(m_job.collection().toString()));
    }
    m_index.rebuild();
    SyncPlanner::LocalSnapshot snapshot = local().snapshot(c);
    if (m_calendar) {
        // Appointments edited elsewhere (no record of the edit): the state follows them too.
        for (const auto &[before, after] :
             SyncPlanner::pairEdited(c, snapshot, m_appointments.removedByUser(), AppointmentRecord::dateWidth)) {
            if (SyncItem *item = m_index.find(before)) {
                item->key = after;
                item->hash.clear();
            }
        }
    }
    m_index.rebuild();
    ItemTags::adoptAll(c, listing.fetched); // tags for servers without ETags; our copies a server stamped
    // Cards and events come inside XML, whose readers turn their CR LF into LF: the lines get their
    // CR LF back, so what is kept and patched is what the server holds.
    QSet<QString> knownHrefs;
    for (const SyncItem &item : std::as_const(c.items)) {
        knownHrefs.insert(item.href);
    }
    for (auto it = listing.fetched.begin(); it != listing.fetched.end(); ++it) {
        it->text = ContentLines::withCrLf(it->text);
        SyncPlanner::RemoteItem &item = remote.fetched[it.key()];
        item.etag = it->etag;
        if (knownHrefs.contains(it.key())) {
            continue; // the UID and the content matter for items met for the first time
        }
        if (m_calendar) {
            Appointment a;
            if (SyncRules::readEvent(it->text, &a, &item.uid) == SyncRules::EventKind::Usable) {
                item.identity = AppointmentCollection::identityOf(AppointmentRecord::encode(a));
            }
        } else if (ExchangeContact contact; SyncRules::readCard(it->text, &contact, &item.uid)) {
            item.identity = ContactImport::identityKeys(contact.contact);
        }
    }
    for (auto it = snapshot.hashes.cbegin(); it != snapshot.hashes.cend(); ++it) {
        if (!m_index.contains(it.key())) {
            snapshot.uids.insert(it.key(), localUid(it.key()));
            snapshot.identity.insert(it.key(), local().identity(it.key()));
        }
    }
    SyncPlanner::Plan plan = SyncPlanner::plan(c, snapshot, remote);
    if (holdCopy(plan, remote) || holdDeletions(plan)) {
        return;
    }
    apply(plan, remote);
    notePhotosKept();

    if (!writeLocal()) {
        return;
    }
    stage("wysylanie");
    m_uploads.send();
}

void DavSyncEngine::apply(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote)
{
    using SyncPlanner::Step;
    SyncCollectionState &c = collection();
    const QHash<QString, Fetched> &fetched = m_reader.listing().fetched;
    const QList<SyncItem> items = c.items;
    QSet<qsizetype> drop; // entries of items that go (or come back under a new entry)
    for (const SyncPlanner::Plan::Known &known : plan.known) {
        const SyncItem &item = items[known.index];
        const Fetched there = fetched.value(item.href);
        if (m_reader.refused(item.href)) {
            continue; // too large to fetch: left as it is on both sides, counted when refused
        }
        switch (known.step) {
        case Step::Nothing:
            break;
        case Step::Upload:
            m_uploads.put(item.key, item.href, item.uid, remote.exists(item.href) ? item.etag : QString());
            break;
        case Step::Download:
            applyRemote(item.key, item.href, there, false);
            break;
        case Step::Restore:
        case Step::Refresh:
            drop.insert(known.index);
            applyRemote({}, item.href, there, true);
            break;
        case Step::KeepOld:
            if (SyncItem *entry = m_index.find(item.key)) {
                entry->etag = there.etag; // dropped here as old: nothing to bring back
                entry->serverText = there.text;
                entry->sentHere = false;
            }
            break;
        case Step::DeleteLocal:
            local().removeDeleted(item.key);
            drop.insert(known.index);
            ++summary().deletedHere;
            break;
        case Step::DeleteRemote:
            m_uploads.remove(item.key, item.href, item.uid, item.etag);
            break;
        case Step::Merge:
            mergeItem(item.key, &item, item.href, there);
            break;
        case Step::Forget:
            drop.insert(known.index);
            break;
        }
    }
    for (const auto &[key, href] : plan.linked) {
        mergeItem(key, nullptr, href, fetched.value(href));
    }
    for (const QString &href : plan.downloads) {
        applyRemote({}, href, fetched.value(href), true);
    }
    for (const QString &key : plan.uploads) {
        const QString uid = localUid(key);
        m_uploads.put(key, hrefFor(uid), uid, {});
    }
    if (!drop.isEmpty()) {
        QList<SyncItem> kept;
        kept.reserve(c.items.size());
        for (qsizetype i = 0; i < c.items.size(); ++i) {
            if (!drop.contains(i)) {
                kept.append(c.items[i]);
            } else if (!m_calendar && !c.items[i].key.isEmpty()) {
                m_state.retiredIds.insert(c.items[i].key);
            }
        }
        c.items = std::move(kept);
    }
    m_index.rebuild();
}

bool DavSyncEngine::holdDeletions(SyncPlanner::Plan &plan)
{
    const qsizetype here = local().count();
    if (!SyncPlanner::needsConsent(plan, here)) {
        return false;
    }
    using Deletions = SyncAccount::Deletions;
    const Deletions answer = m_calendar ? m_job.account().appointmentDeletions : m_job.account().contactDeletions;
    if (answer == Deletions::SendBack) {
        SyncPlanner::sendBack(plan);
        return false;
    }
    if (answer == Deletions::DeleteHere) {
        return false;
    }
    m_state = m_stateBefore; // nothing of this plan stays
    summary() = CollectionSummary();
    const int count = plan.deletionsHere;
    const bool emptied = plan.serverLostAll();
    m_outcome.held = {SyncOutcome::Held::Deletions, count, static_cast<int>(here), m_calendar, emptied};
    QString text;
    if (emptied) {
        text = m_calendar ? u"Kalendarz na serwerze stracił wszystkie wydarzenia, które miał przy ostatniej "
                            u"synchronizacji. "_s
                          : u"Książka adresowa na serwerze straciła wszystkie wizytówki, które miała przy ostatniej "
                            u"synchronizacji. "_s;
    }
    text += m_calendar ? u"Synchronizacja usunęłaby tutaj %1 z %2 terminów, których nie ma już na serwerze. "
                         u"Nic nie zmieniono."_s.arg(count)
                             .arg(here)
                       : u"Synchronizacja usunęłaby tutaj %1 z %2 kontaktów, których nie ma już na serwerze. "
                         u"Nic nie zmieniono."_s.arg(count)
                             .arg(here);
    fail(text);
    return true;
}

bool DavSyncEngine::holdCopy(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote)
{
    const qsizetype uploads = plan.uploads.size();
    if (!m_switchedFrom || m_job.account().allowCopy || uploads == 0 || !remote.fullListing
        || remote.listed.isEmpty()) {
        return false;
    }
    m_state = m_stateBefore;
    collection() = *m_switchedFrom; // asked again at the next sync
    summary() = CollectionSummary();
    const qsizetype there = remote.listed.size();
    m_outcome.held = {SyncOutcome::Held::Copy, static_cast<int>(uploads), static_cast<int>(there), m_calendar};
    fail(m_calendar ? u"Wybrany kalendarz na serwerze nie jest pusty (wydarzenia: %2). Synchronizacja wysłałaby do "
                      u"niego %1 terminów. Nic nie zmieniono."_s.arg(uploads)
                          .arg(there)
                    : u"Wybrana książka adresowa na serwerze nie jest pusta (wizytówki: %2). Synchronizacja wysłałaby "
                      u"do niej %1 kontaktów. Nic nie zmieniono."_s.arg(uploads)
                          .arg(there));
    return true;
}

void DavSyncEngine::finishCollection()
{
    if (m_calendar) {
        int skipped = 0;
        for (const SyncItem &item : std::as_const(m_state.appointments.items)) {
            skipped += item.skipped ? 1 : 0;
        }
        summary().skipped += skipped;
    }
    QString error;
    if (!m_unchanged && !m_state.save(m_dataDir, &error)) {
        fail(error);
        return;
    }
    if (m_calendar) {
        // The state follows every edit taken; those recorded during the sync wait for the next.
        m_appointments.consumeEdits();
    }
    stage("koniec");
    if (!m_calendar) {
        startCollection(true);
    } else {
        finishSync();
    }
}

void DavSyncEngine::finishSync()
{
    m_busy = false;
    m_job.end();
    m_outcome.ok = true;
    m_outcome.finishedAt = m_clock->now();
    emit finished(m_outcome);
}

// ---------------------------------------------------------------- items

void DavSyncEngine::saveConflict(const QString &key, const QByteArray &text)
{
    QString error;
    if (!SyncConflicts(m_dataDir).add(m_calendar, key, text, m_clock->now(), &error)) {
        m_outcome.warnings.append(error);
    }
    ++summary().conflicts;
}

void DavSyncEngine::notePhotosKept()
{
    if (m_calendar) {
        return;
    }
    bool damaged = false;
    QStringList names = m_contacts.takeKeptPhotos(&damaged);
    if (names.isEmpty()) {
        return;
    }
    names.removeDuplicates();
    const qsizetype count = names.size();
    if (count > 5) {
        names = names.mid(0, 5) << u"i %1 innych"_s.arg(count - 5);
    }
    const QString host = m_job.collection().host();
    if (damaged && !collection().photoAsBase64) {
        // Told once: from now on the photos go in the form this server keeps.
        collection().photoAsBase64 = true;
        m_contacts.setPhotoAsBase64(true);
        m_outcome.warnings.append(
            u"Serwer %1 uszkadza zdjęcia w wizytówkach vCard 4.0 (%2). Zdjęcia zostały tutaj "
            u"i są wysyłane ponownie w postaci, którą ten serwer zachowuje."_s.arg(host, names.join(u", "_s)));
    } else if (!damaged) {
        m_outcome.warnings.append(u"Serwer %1 oddał bez zdjęcia wizytówki, których zdjęcie wysłano stąd (%2). "
                                  u"Zdjęcia zostały tutaj i są wysyłane ponownie."_s.arg(host, names.join(u", "_s)));
    }
}

void DavSyncEngine::applyRemote(const QString &key, const QString &href, const Fetched &remote, bool newItem)
{
    SyncItem entry;
    entry.href = href;
    entry.etag = ItemTags::tagOf(remote.etag, remote.text);
    entry.serverText = remote.text;
    bool known = false;
    if (!m_calendar) {
        const SyncItem *knownItem = key.isEmpty() ? nullptr : m_index.find(key);
        switch (m_contacts.take(key, entry, remote.text, newItem, knownItem)) {
        case ContactCollection::Taken::Group:
            entry.skipped = true; // known, never brought here, never deleted from here
            collection().items.append(entry);
            [[fallthrough]];
        case ContactCollection::Taken::Unreadable:
            ++summary().skipped; // a card that cannot be read is left on the server as it is
            return;
        case ContactCollection::Taken::New:
            ++summary().received;
            entry.pending = true;
            collection().items.append(entry); // its key is filled in when written
            return;
        case ContactCollection::Taken::Updated:
            ++summary().received;
            known = true;
            if (entry.hash.isEmpty()) {
                m_uploads.put(key, href, entry.uid, remote.etag); // a photo kept here goes back
            }
            break;
        }
    } else {
        switch (m_appointments.take(key, entry, remote.text)) {
        case AppointmentCollection::Taken::Invalid:
            ++summary().skipped;
            return;
        case AppointmentCollection::Taken::Recurring:
            entry.skipped = true;
            collection().items.append(entry);
            return;
        case AppointmentCollection::Taken::Added:
        case AppointmentCollection::Taken::Retimed:
            ++summary().received;
            break;
        case AppointmentCollection::Taken::Known:
            break;
        }
    }
    if (SyncItem *item = key.isEmpty() ? nullptr : m_index.find(key)) {
        *item = entry;
        if (!known) {
            m_index.rebuild(); // an appointment's key is its record, which may have changed
        }
    } else {
        m_index.append(entry);
    }
}

void DavSyncEngine::mergeItem(const QString &key, const SyncItem *known, const QString &href, const Fetched &remote)
{
    SyncItem entry;
    if (known) {
        entry = *known;
    }
    entry.key = key;
    entry.uid = localUid(key); // unless the server's copy has one
    entry.href = href;
    entry.etag = ItemTags::tagOf(remote.etag, remote.text);
    entry.serverText = remote.text;
    entry.sentHere = false;
    entry.pending = false;
    const LocalCollection::Merged merged = m_calendar ? m_appointments.merge(key, known, entry, remote.text)
                                                      : m_contacts.merge(key, known, entry, remote.text);
    if (!merged.readable) {
        ++summary().skipped;
        return;
    }
    if (merged.conflict) {
        saveConflict(key, merged.conflictText.isEmpty() ? remote.text : merged.conflictText);
    }
    if (merged.received) {
        ++summary().received;
    }
    if (SyncItem *item = m_index.find(key)) {
        *item = entry;
        m_index.rebuild(); // an appointment's key is its record, which the merge may have changed
    } else {
        m_index.append(entry);
    }
    if (merged.upload) {
        m_uploads.put(entry.key, href, entry.uid, remote.etag);
    }
}

bool DavSyncEngine::writeLocal()
{
    QString error;
    if (writeLocal(&error)) {
        return true;
    }
    m_localDirty = true; // the state on disk may be ahead of the files: the next sync finishes it
    fail(error);
    return false;
}

bool DavSyncEngine::writeLocal(QString *error)
{
    if (!local().changed()) {
        m_localDirty = false;
        return m_state.save(m_dataDir, error);
    }
    stage("zapis");
    // What the server lost is kept aside before it goes from here.
    QList<QByteArray> deletedLines;
    QStringList deletedRecords;
    local().deleted(&deletedLines, &deletedRecords);
    if (!DeletedItems::keep(m_dataDir, m_clock->now(), deletedLines, deletedRecords, error)) {
        return false;
    }
    local().deletedKept();
    SyncCollectionState &c = collection();
    SyncCollectionState &before = m_calendar ? m_stateBefore.appointments : m_stateBefore.contacts;
    if (!m_calendar && !m_contacts.giveIdentifiers(c.items, m_state.retiredIds, error)) {
        return false;
    }
    // First the state learns what is arriving (so its identifiers are never given again and an
    // interruption is understood), then the side files, the data file, and the state in full.
    for (const SyncItem &item : std::as_const(c.items)) {
        if (item.pending) {
            before.items.append(item);
        }
    }
    m_localDirty = true;
    if (!m_stateBefore.save(m_dataDir, error) || !local().write(m_backup, error)) {
        return false;
    }
    for (SyncItem &item : c.items) {
        item.pending = false;
    }
    m_index.rebuild();
    if (!m_state.save(m_dataDir, error)) {
        return false;
    }
    m_localDirty = false;
    return true;
}

void DavSyncEngine::forget(const QString &key, const QString &href)
{
    collection().items.removeIf([&](const SyncItem &item) {
        return item.href == href && item.key == key;
    });
    if (!m_calendar) {
        m_state.retiredIds.insert(key);
    }
    m_index.rebuild();
}

// ---------------------------------------------------------------- the writes to the server

QByteArray DavSyncEngine::uploadText(const Operation &op)
{
    const SyncItem *item = m_index.find(op.key);
    return local().textToSend(
        op.key, item && item->href == op.href ? item : nullptr, op.uid, op.smallPhoto, m_clock->now().toUTC());
}

bool DavSyncEngine::hasPhoto(const QString &key) const
{
    return !m_calendar && !m_contacts.photo(key).isEmpty();
}

void DavSyncEngine::stored(const Operation &op, const QString &etag, const QByteArray &body)
{
    ++summary().sent;
    SyncItem *item = m_index.find(op.key);
    if (!item) {
        SyncItem fresh;
        fresh.key = op.key;
        item = &m_index.append(fresh);
    }
    item->key = op.key;
    item->uid = op.uid;
    item->href = op.href;
    item->etag = ItemTags::tagOf(etag, body);
    item->serverText = body;
    item->sentHere = true;
    item->shortened = false;
    item->hash = local().hash(op.key);
    item->photoHash = m_calendar ? QByteArray() : SyncRules::photoHash(m_contacts.photo(op.key));
    item->pending = false;
    if (m_uploads.written() % 200 == 0) {
        (void)m_state.save(m_dataDir, nullptr);
    }
}

void DavSyncEngine::removed(const Operation &op, bool deletedNow)
{
    if (deletedNow) {
        ++summary().deletedOnServer;
    }
    forget(op.key, op.href);
}

void DavSyncEngine::merge(const Operation &op, const QString &href, const Fetched &remote)
{
    const SyncItem *item = m_index.find(op.key);
    const SyncItem known = item ? *item : SyncItem();
    const bool sameItem = item && !item->serverText.isEmpty() && item->href == href;
    mergeItem(op.key, sameItem ? &known : nullptr, href, remote);
    notePhotosKept();
}

void DavSyncEngine::takeBack(const Operation &op, const Fetched *remote)
{
    forget(op.key, op.href);
    if (remote) {
        applyRemote({}, op.href, *remote, true);
    }
}

void DavSyncEngine::leftForLater(int status)
{
    ++summary().skipped; // left for the next sync, never dropped
    m_outcome.warnings.append(Dav::statusText(status));
}

void DavSyncEngine::sendingProgress(int done, int total)
{
    emit progress(done, total);
}

void DavSyncEngine::allAnswered()
{
    QString error;
    if (!m_state.save(m_dataDir, &error)) {
        fail(error);
        return;
    }
    m_reader.confirm(&collection(), m_uploads.written(), [this] {
        finishCollection();
    });
}
