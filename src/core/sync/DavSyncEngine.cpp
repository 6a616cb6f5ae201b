#include "DavSyncEngine.h"

#include "DavXml.h"
#include "DeletedItems.h"
#include "SyncLeftovers.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/ContentLines.h"
#include "core/exchange/ICalendar.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QTimer>

namespace {

using namespace Qt::StringLiterals;

constexpr int batchSize = 100;
constexpr int parallelWrites = 4;
constexpr int maxRedirects = 5;
constexpr int maxListingPages = 1000;
// The most members a collection may have: as many as the address book has identifiers.
constexpr qsizetype maxMembers = ContactList::lastIdentifier;
// Skipped hrefs named in a warning; the rest are counted.
constexpr qsizetype namedSkipped = 5;

QString statusText(int status)
{
    return u"Serwer odpowiedział błędem HTTP %1."_s.arg(status);
}

QString garbled(const QUrl &url)
{
    return u"Serwer %1 dał odpowiedź, której nie można odczytać."_s.arg(url.host());
}

// The multistatus of an answer from url, or why there is none: another status, or a body that
// cannot be read (or, where one is needed, holds no response).
QString readMultiStatus(const DavClient::Reply &r, const QUrl &url, DavXml::MultiStatus *ms, bool needResponse)
{
    if (r.status != 207) {
        return statusText(r.status);
    }
    if (!DavXml::parse(r.body, ms) || (needResponse && ms->responses.isEmpty())) {
        return garbled(url);
    }
    return {};
}

QList<QByteArray> identityOfRecord(const Appointment &a)
{
    return {Cp1250::encode(a.date + u'\x1f' + a.description), Cp1250::encode(AppointmentRecord::encode(a))};
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QUrl withSlash(QUrl url)
{
    if (!url.path().endsWith(u'/')) {
        url.setPath(url.path() + u'/');
    }
    return url;
}

QString stripEtag(const QByteArray &etag)
{
    return QString::fromUtf8(etag).trimmed();
}

} // namespace

DavSyncEngine::DavSyncEngine(QString dataDir, QObject *parent)
    : SyncEngine(parent)
    , m_dataDir(std::move(dataDir))
{}

DavSyncEngine::~DavSyncEngine()
{
    m_cancelled = true;
    m_client.abortAll();
}

// ---------------------------------------------------------------- running a job

QUrl DavSyncEngine::accountOrigin() const
{
    QUrl origin = QUrl::fromUserInput(m_account.address.trimmed());
    if (!origin.isValid() || origin.host().isEmpty()) {
        origin = QUrl(m_account.addressBookUrl);
    }
    return origin;
}

bool DavSyncEngine::checkAddress(const QUrl &url, QString *error) const
{
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != u"https" && url.scheme() != u"http")) {
        *error = u"Adres serwera %1 jest nieprawidłowy."_s.arg(url.toString());
        return false;
    }
    if (url.scheme() == u"http" && accountOrigin().scheme() == u"https") {
        // Never from an encrypted server to a plain one, whatever else was allowed.
        *error = u"Adres %1 nie jest szyfrowany (http), a serwer %2 łączy się przez https. Połączenie "
                 u"przerwano."_s.arg(url.toString(QUrl::RemoveUserInfo), accountOrigin().host());
        return false;
    }
    if (url.scheme() == u"http" && !m_account.allowPlainHttp) {
        const QHostAddress host(url.host());
        const bool loopback = url.host() == u"localhost" || (!host.isNull() && host.isLoopback());
        if (!loopback) {
            *error = u"Połączenie z %1 nie byłoby szyfrowane (http). Użyj adresu https:// albo potwierdź "
                     u"połączenie bez szyfrowania w oknie synchronizacji."_s.arg(url.host());
            return false;
        }
    }
    return true;
}

void DavSyncEngine::request(const QByteArray &method,
                            const QUrl &url,
                            const QByteArray &body,
                            const QList<DavClient::Header> &headers,
                            const std::function<void(const DavClient::Reply &)> &done,
                            bool ownFailures,
                            qint64 maxBytes)
{
    if (m_cancelled) {
        fail(u"Przerwano synchronizację."_s);
        return;
    }
    if (QString error; !checkAddress(url, &error)) {
        fail(error);
        return;
    }
    if (!DavClient::sameOrigin(url, accountOrigin())) {
        fail(u"Adres %1 leży na innym serwerze niż %2. Synchronizacja łączy się tylko z serwerem "
             u"wpisanym w ustawieniach."_s.arg(url.toString(QUrl::RemoveUserInfo),
                                               accountOrigin().toString(QUrl::RemoveUserInfo | QUrl::RemovePath)));
        return;
    }
    if (QString member; (method == "PUT" || method == "DELETE") && !memberHref(url.toString(), &member)) {
        // Only members of the collection are ever written or deleted, whatever a listing said.
        fail(u"Zapis pod adresem %1 nie został wysłany: leży poza %2."_s.arg(url.toString(QUrl::RemoveUserInfo),
                                                                             m_collectionUrl.toString()));
        return;
    }
    const auto passes = [ownFailures](DavClient::Failure failure) {
        return failure == DavClient::None
               || (ownFailures && (failure == DavClient::Unreachable || failure == DavClient::TooLarge));
    };
    m_client.send(
        method,
        url,
        body,
        headers,
        [this, done, passes](const DavClient::Reply &reply) {
            if (!m_busy) {
                return; // the job ended already
            }
            if (!passes(reply.failure)) {
                fail(reply.error);
                return;
            }
            done(reply);
        },
        maxBytes < 0 ? m_itemLimit : maxBytes);
}

void DavSyncEngine::fail(const QString &error)
{
    if (!m_busy) {
        return;
    }
    m_client.abortAll();
    if (m_discovering) {
        finishDiscovery(error);
        return;
    }
    // The state in memory matches the files between requests; keep what was confirmed.
    if (!m_localDirty) {
        (void)m_state.save(m_dataDir, nullptr);
    }
    m_busy = false;
    m_operations.clear();
    SyncOutcome outcome = m_outcome;
    outcome.ok = false;
    outcome.error = error;
    outcome.finishedAt = QDateTime::currentDateTime();
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
    m_cancelled = true;
    m_client.abortAll();
    if (m_client.running() == 0) {
        QTimer::singleShot(0, this, [this] {
            fail(u"Przerwano synchronizację."_s);
        });
    }
}

void DavSyncEngine::beginJob(const SyncAccount &account, bool discovering)
{
    m_busy = true;
    m_discovering = discovering;
    m_cancelled = false;
    m_account = account;
    m_client.setCredentials(account.user, account.password, accountOrigin());
    m_client.startJob(m_jobTimeout);
    if (!discovering) {
        SyncLeftovers::remove(m_dataDir);
    }
}

// ---------------------------------------------------------------- discovery

void DavSyncEngine::discover(const SyncAccount &account)
{
    if (m_busy) {
        return;
    }
    beginJob(account, true);
    m_found.clear();
    m_redirectedTo = QUrl();
    m_principal = QUrl();
    m_home[0] = m_home[1] = QUrl();
    QUrl url = QUrl::fromUserInput(account.address.trimmed());
    if (QString error; !checkAddress(url, &error)) {
        QTimer::singleShot(0, this, [this, error] {
            finishDiscovery(error);
        });
        return;
    }
    if (url.path().isEmpty() || url.path() == u"/") {
        discoverStep(url.resolved(QUrl(u"/.well-known/carddav"_s)), 0, true);
    } else {
        discoverStep(url, 0, false);
    }
}

void DavSyncEngine::discoverStep(const QUrl &url, int redirects, bool wellKnown)
{
    const QByteArray body = DavXml::propfind({{DavXml::dav, "current-user-principal"},
                                              {DavXml::dav, "resourcetype"},
                                              {DavXml::dav, "displayname"},
                                              {DavXml::cardDav, "addressbook-home-set"},
                                              {DavXml::calDav, "calendar-home-set"}});
    request("PROPFIND", url, body, {{"Depth", "0"}}, [this, url, redirects, wellKnown](const DavClient::Reply &r) {
        if (isRedirect(r.status) && !r.location.isEmpty()) {
            if (redirects >= maxRedirects) {
                finishDiscovery(u"Serwer %1 przekierowuje w kółko."_s.arg(url.host()));
                return;
            }
            const QUrl target = url.resolved(QUrl::fromEncoded(r.location));
            if (url.scheme() == u"https" && target.scheme() != u"https") {
                finishDiscovery(u"Serwer %1 przekierowuje na adres bez szyfrowania: %2. Połączenie przerwano."_s.arg(
                    url.host(), target.toString(QUrl::RemoveUserInfo)));
                return;
            }
            if (!DavClient::sameOrigin(target, accountOrigin())) {
                // Another server gets neither the password nor a place in the settings unasked.
                m_redirectedTo = target;
                finishDiscovery(u"Serwer %1 przekierowuje na inny serwer: %2. Jeśli mu ufasz, wpisz ten adres "
                                u"jako adres serwera i połącz się ponownie."_s.arg(
                                    url.host(), target.toString(QUrl::RemoveUserInfo)));
                return;
            }
            discoverStep(target, redirects + 1, wellKnown);
            return;
        }
        if (r.status != 207) {
            if (wellKnown) {
                QUrl root = url;
                root.setPath(u"/"_s);
                discoverStep(root, 0, false);
                return;
            }
            finishDiscovery(r.status == 404 ? u"Pod adresem %1 nie ma zasobu WebDAV."_s.arg(url.toString())
                                            : statusText(r.status));
            return;
        }
        DavXml::MultiStatus ms;
        if (!DavXml::parse(r.body, &ms) || ms.responses.isEmpty()) {
            finishDiscovery(garbled(url));
            return;
        }
        const DavXml::Response &resp = ms.responses.first();
        if (const DavXml::Property *type = resp.find(DavXml::dav, "resourcetype")) {
            const bool book = type->children.contains(QLatin1String(DavXml::cardDav) + u"|addressbook"_s);
            const bool calendar = type->children.contains(QLatin1String(DavXml::calDav) + u"|calendar"_s);
            if (book || calendar) {
                m_found.append({book ? DavCollection::AddressBook : DavCollection::Calendar,
                                withSlash(url.resolved(QUrl(resp.href))).toString(),
                                resp.text(DavXml::dav, "displayname").trimmed()});
            }
        }
        QList<QUrl> homes;
        for (const char *ns : {DavXml::cardDav, DavXml::calDav}) {
            const DavXml::Property *home =
                resp.find(ns, ns == DavXml::cardDav ? "addressbook-home-set" : "calendar-home-set");
            if (home && !home->hrefs.isEmpty()) {
                homes.append(withSlash(url.resolved(QUrl(home->hrefs.first()))));
            }
        }
        const DavXml::Property *principal = resp.find(DavXml::dav, "current-user-principal");
        if (homes.size() == 2) {
            m_home[0] = homes[0];
            m_home[1] = homes[1];
            discoverHomes(homes);
        } else if (principal && !principal->hrefs.isEmpty()) {
            discoverPrincipal(withSlash(url.resolved(QUrl(principal->hrefs.first()))));
        } else if (!m_found.isEmpty()) {
            finishDiscovery({});
        } else if (wellKnown) {
            QUrl root = url;
            root.setPath(u"/"_s);
            discoverStep(root, 0, false);
        } else {
            finishDiscovery(u"Pod adresem %1 nie znaleziono książki adresowej ani kalendarza."_s.arg(url.toString()));
        }
    });
}

void DavSyncEngine::discoverPrincipal(const QUrl &principal)
{
    m_principal = principal;
    const QByteArray body =
        DavXml::propfind({{DavXml::cardDav, "addressbook-home-set"}, {DavXml::calDav, "calendar-home-set"}});
    request("PROPFIND", principal, body, {{"Depth", "0"}}, [this, principal](const DavClient::Reply &r) {
        DavXml::MultiStatus ms;
        if (const QString problem = readMultiStatus(r, principal, &ms, true); !problem.isEmpty()) {
            finishDiscovery(problem);
            return;
        }
        const DavXml::Response &resp = ms.responses.first();
        const DavXml::Property *book = resp.find(DavXml::cardDav, "addressbook-home-set");
        const DavXml::Property *calendar = resp.find(DavXml::calDav, "calendar-home-set");
        m_home[0] =
            book && !book->hrefs.isEmpty() ? withSlash(principal.resolved(QUrl(book->hrefs.first()))) : principal;
        m_home[1] = calendar && !calendar->hrefs.isEmpty()
                        ? withSlash(principal.resolved(QUrl(calendar->hrefs.first())))
                        : principal;
        discoverHomes({m_home[0], m_home[1]});
    });
}

void DavSyncEngine::discoverHomes(QList<QUrl> homes)
{
    while (!homes.isEmpty() && homes.indexOf(homes.first(), 1) > 0) {
        homes.removeFirst();
    }
    if (homes.isEmpty()) {
        discoverCreate();
        return;
    }
    const QUrl home = homes.takeFirst();
    const QByteArray body = DavXml::propfind({{DavXml::dav, "resourcetype"}, {DavXml::dav, "displayname"}});
    request("PROPFIND", home, body, {{"Depth", "1"}}, [this, home, homes](const DavClient::Reply &r) {
        DavXml::MultiStatus ms;
        if (const QString problem = readMultiStatus(r, home, &ms, false); !problem.isEmpty()) {
            finishDiscovery(problem);
            return;
        }
        for (const DavXml::Response &resp : ms.responses) {
            const DavXml::Property *type = resp.find(DavXml::dav, "resourcetype");
            if (!type) {
                continue;
            }
            const QString url = withSlash(home.resolved(QUrl(resp.href))).toString();
            const bool book = type->children.contains(QLatin1String(DavXml::cardDav) + u"|addressbook"_s);
            const bool calendar = type->children.contains(QLatin1String(DavXml::calDav) + u"|calendar"_s);
            const bool known = std::any_of(m_found.cbegin(), m_found.cend(), [&url](const DavCollection &c) {
                return c.url == url;
            });
            if ((book || calendar) && !known) {
                m_found.append({book ? DavCollection::AddressBook : DavCollection::Calendar,
                                url,
                                resp.text(DavXml::dav, "displayname").trimmed()});
            }
        }
        discoverHomes(homes);
    });
}

void DavSyncEngine::discoverCreate()
{
    for (const DavCollection::Kind kind : {DavCollection::AddressBook, DavCollection::Calendar}) {
        const bool present = std::any_of(m_found.cbegin(), m_found.cend(), [kind](const DavCollection &c) {
            return c.kind == kind;
        });
        const QUrl home = m_home[kind == DavCollection::AddressBook ? 0 : 1];
        if (present || home.isEmpty()) {
            continue;
        }
        const bool book = kind == DavCollection::AddressBook;
        const QString name = book ? u"Kontakty Morwinka"_s : u"Terminy Morwinka"_s;
        const QUrl url = home.resolved(QUrl(book ? u"morwinek-kontakty/"_s : u"morwinek-terminy/"_s));
        const QByteArray method = book ? "MKCOL" : "MKCALENDAR";
        const QByteArray body = book ? DavXml::mkcolAddressBook(name) : DavXml::mkcalendar(name);
        request(method, url, body, {}, [this, url, kind, name](const DavClient::Reply &r) {
            if (r.status < 200 || r.status >= 300) {
                finishDiscovery(u"Nie można założyć na serwerze %1: %2"_s.arg(
                    kind == DavCollection::AddressBook ? u"książki adresowej"_s : u"kalendarza"_s,
                    statusText(r.status)));
                return;
            }
            m_found.append({kind, url.toString(), name});
            discoverCreate();
        });
        return;
    }
    finishDiscovery({});
}

void DavSyncEngine::finishDiscovery(const QString &error)
{
    if (!m_busy) {
        return;
    }
    m_busy = false;
    m_discovering = false;
    m_client.abortAll();
    emit discovered(error.isEmpty() ? m_found : QList<DavCollection>(), error);
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
    if (!m_today.isValid()) {
        m_today = QDate::currentDate();
    }
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

void DavSyncEngine::startCollection(bool calendar)
{
    m_calendar = calendar;
    m_collectionUrl = withSlash(QUrl(calendar ? m_account.calendarUrl : m_account.addressBookUrl));
    m_ctag.clear();
    m_tokenSeen.clear();
    m_fullListing = false;
    m_remoteEtags.clear();
    m_remoteGone.clear();
    m_toFetch.clear();
    m_fetched.clear();
    m_fetchPlanned = false;
    m_unchanged = false;
    m_operations.clear();
    m_running = 0;
    m_written = 0;
    m_switchedFrom.reset();
    if (collection().url != m_collectionUrl.toString()) {
        // Another collection than last time: everything is met anew and matched by UID or content.
        if (!collection().url.isEmpty()) {
            m_switchedFrom = collection();
        }
        collection() = SyncCollectionState();
        collection().url = m_collectionUrl.toString();
    }
    QString error;
    if (!loadLocal(&error)) {
        fail(error);
        return;
    }
    stage("sprawdzanie");
    quickLook(false);
}

// The ctag alone first (a server works out a sync token more slowly); the token where it has none.
void DavSyncEngine::quickLook(bool token)
{
    const QByteArray body = token ? DavXml::propfind({{DavXml::dav, "sync-token"}})
                                  : DavXml::propfind({{DavXml::calendarServer, "getctag"}});
    request("PROPFIND", m_collectionUrl, body, {{"Depth", "0"}}, [this, token](const DavClient::Reply &r) {
        if (r.status == 404) {
            fail(u"Na serwerze nie ma już %1 %2. Połącz się ponownie, aby wybrać inny."_s.arg(
                m_calendar ? u"kalendarza"_s : u"książki adresowej"_s, m_collectionUrl.toString()));
            return;
        }
        DavXml::MultiStatus ms;
        if (const QString problem = readMultiStatus(r, m_collectionUrl, &ms, true); !problem.isEmpty()) {
            fail(problem);
            return;
        }
        m_ctag = ms.responses.first()
                     .text(token ? DavXml::dav : DavXml::calendarServer, token ? "sync-token" : "getctag")
                     .trimmed();
        if (m_ctag.isEmpty() && !token) {
            quickLook(true);
            return;
        }
        if (!m_ctag.isEmpty() && m_ctag == collection().ctag && !localChangedSinceState()) {
            m_unchanged = true;
            finishCollection();
            return;
        }
        listChanges();
    });
}

bool DavSyncEngine::loadLocal(QString *error)
{
    const QDir dir(m_dataDir);
    m_book = ContactList();
    m_contacts.clear();
    m_contactHashes.clear();
    m_changedIds.clear();
    m_removedIds.clear();
    m_newContacts.clear();
    m_newContactHrefs.clear();
    m_termLines.clear();
    m_records.clear();
    m_removedRecords.clear();
    m_addedRecords.clear();
    m_deletedRecords.clear();
    m_removedByUser.clear();
    m_editsTaken = 0;
    bool exists = false;
    if (!m_calendar) {
        QList<QByteArray> lines;
        const QString path = dir.filePath(QLatin1String(ContactFile::fileName));
        if (!TextFile::readLines(path, &lines, &exists, error)) {
            *error = path + u": "_s + *error;
            return false;
        }
        m_book.setLines(std::move(lines));
        const ContactFile files(m_dataDir);
        const auto present = [&dir](const char *folder) {
            const QStringList names = QDir(dir.filePath(QLatin1String(folder))).entryList(QDir::Files);
            return QSet<QString>(names.begin(), names.end());
        };
        const QSet<QString> notes = present(ContactFile::notesFolder);
        const QSet<QString> photos = present(ContactFile::photoFolder);
        m_contacts.reserve(m_book.count());
        const QString placeholder = Contact::placeholderName();
        for (const QByteArray &line : m_book.lines()) {
            ExchangeContact item;
            item.contact = Contact::fromLine(line);
            const QString id = item.contact.ID;
            if (!ContactFile::isSafeIdentifier(id) || m_contacts.contains(id)) {
                continue; // not a contact that can be synced (or a second line of one identifier)
            }
            if (item.contact.Nazwa == placeholder) {
                continue; // made by "Nowy" and not named yet: it travels once the user names it
            }
            QString sideError;
            if (notes.contains(id + u".txt"_s) && !files.readNotes(id, &item.notes, &sideError)) {
                *error = files.notesPath(id) + u": "_s + sideError;
                return false;
            }
            if (photos.contains(id + u".jpg"_s)
                && !TextFile::readBytes(files.photoPath(id), &item.photo, nullptr, &sideError)) {
                *error = files.photoPath(id) + u": "_s + sideError;
                return false;
            }
            m_contactHashes.insert(id, SyncRules::contactHash(item));
            m_contacts.insert(id, std::move(item));
        }
    } else {
        const QString path = dir.filePath(QLatin1String(AppointmentList::fileName));
        if (!TextFile::readLines(path, &m_termLines, &exists, error)) {
            *error = path + u": "_s + *error;
            return false;
        }
        if (!m_times.load(m_dataDir, error)) {
            return false;
        }
        for (const QByteArray &line : m_termLines) {
            const QString record = Cp1250::decode(line);
            if (DateText::parseDate(AppointmentRecord::decode(record).date).isValid()) {
                m_records.insert(record);
            }
        }
    }
    rebuildIndex();
    if (m_calendar) {
        followAppointmentEdits();
    }
    return true;
}

void DavSyncEngine::followAppointmentEdits()
{
    const QList<AppointmentEdits::Edit> edits = AppointmentEdits::read(m_dataDir);
    m_editsTaken = edits.size();
    for (const AppointmentEdits::Edit &edit : edits) {
        if (edit.after.isEmpty()) {
            m_removedByUser.insert(edit.before);
            continue;
        }
        m_removedByUser.remove(edit.after);
        SyncItem *item = itemOfKey(edit.before);
        if (!item || item->skipped || itemOfKey(edit.after)) {
            continue;
        }
        item->key = edit.after;
        item->hash.clear(); // changed here
        rebuildIndex();
    }
}


SyncItem &DavSyncEngine::appendItem(const SyncItem &item)
{
    collection().items.append(item);
    if (!item.key.isEmpty()) {
        m_byKey.insert(item.key, collection().items.size() - 1);
    }
    return collection().items.last();
}

void DavSyncEngine::rebuildIndex()
{
    m_byKey.clear();
    const QList<SyncItem> &items = collection().items;
    m_byKey.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (!items[i].key.isEmpty()) {
            m_byKey.insert(items[i].key, i);
        }
    }
}

SyncItem *DavSyncEngine::itemOfKey(const QString &key)
{
    auto it = m_byKey.constFind(key);
    if (it != m_byKey.cend() && (*it >= collection().items.size() || collection().items[*it].key != key)) {
        rebuildIndex();
        it = m_byKey.constFind(key);
    }
    return it == m_byKey.cend() ? nullptr : &collection().items[*it];
}

bool DavSyncEngine::localExists(const QString &key) const
{
    return m_calendar ? m_records.contains(key) : m_contacts.contains(key);
}

QByteArray DavSyncEngine::localHash(const QString &key) const
{
    if (m_calendar) {
        return m_times.hash(key);
    }
    return m_contactHashes.value(key);
}

QString DavSyncEngine::localUid(const QString &key) const
{
    return m_calendar ? SyncRules::appointmentUid(key) : m_state.contactUid(key);
}

bool DavSyncEngine::isOldRecord(const QString &record) const
{
    const int day = DateText::parse(AppointmentRecord::decode(record).date);
    return day == DateText::invalid || DateText::toDay(m_today) - day > m_range;
}

bool DavSyncEngine::localChangedSinceState() const
{
    const QList<SyncItem> &items = m_calendar ? m_state.appointments.items : m_state.contacts.items;
    qsizetype present = 0;
    for (const SyncItem &item : items) {
        if (item.key.isEmpty()) {
            continue;
        }
        if (item.pending || item.etag.isEmpty() || item.hash.isEmpty()) {
            return true;
        }
        if (!localExists(item.key)) {
            if (m_calendar && isOldRecord(item.key)) {
                continue; // dropped as old: left alone on the server
            }
            return true;
        }
        ++present;
        if (localHash(item.key) != item.hash) {
            return true;
        }
    }
    const qsizetype local = m_calendar ? m_records.size() : m_contacts.size();
    return local != present;
}

QString DavSyncEngine::normalHref(const QString &href) const
{
    return m_collectionUrl.resolved(QUrl(href)).path();
}

bool DavSyncEngine::memberHref(const QString &href, QString *path) const
{
    const QUrl url = m_collectionUrl.resolved(QUrl(href));
    if (!url.isValid() || !DavClient::sameOrigin(url, m_collectionUrl) || url.hasQuery() || url.hasFragment()) {
        return false;
    }
    const QString self = m_collectionUrl.path();
    const QString full = url.path();
    if (!full.startsWith(self) || full.size() == self.size()) {
        return false;
    }
    // A member's name: no slash (a folder or a deeper collection is no item), no dot segment.
    const QStringView name = QStringView(full).mid(self.size());
    if (name.contains(u'/') || name == u"." || name == u"..") {
        return false;
    }
    *path = full;
    return true;
}

QUrl DavSyncEngine::urlOf(const QString &href) const
{
    QUrl url = m_collectionUrl;
    url.setPath(href);
    return url;
}

QString DavSyncEngine::hrefFor(const QString &uid) const
{
    QString name;
    for (const QChar ch : uid) {
        name.append(ch.isLetterOrNumber() && ch.unicode() < 128 ? ch : QChar(u'-'));
    }
    return m_collectionUrl.path() + name + (m_calendar ? u".ics"_s : u".vcf"_s);
}

void DavSyncEngine::listChanges()
{
    stage("lista");
    m_foreignHrefs.clear();
    m_oversized.clear();
    m_unanswered.clear();
    m_refused.clear();
    m_fetchAlone.clear();
    listChangesFrom(collection().syncToken, 0);
}

// One page of a sync report. A server that answers 507 for the collection itself gave part of the
// changes and a token to go on from (RFC 6578): the next page is asked for with it, within this sync.
void DavSyncEngine::listChangesFrom(const QString &token, int page)
{
    request(
        "REPORT",
        m_collectionUrl,
        DavXml::syncCollection(token),
        {{"Depth", "1"}},
        [this, token, page](const DavClient::Reply &r) {
            if (r.status == 401) {
                fail(u"Serwer nie przyjął nazwy użytkownika lub hasła."_s);
                return;
            }
            if (r.status != 207) {
                if (page > 0) {
                    // Went on from its own token and refused it: nothing listed so far is complete.
                    fail(u"Serwer %1 przerwał listę zmian (HTTP %2)."_s.arg(m_collectionUrl.host()).arg(r.status));
                    return;
                }
                listAll(); // an old token, or no sync reports: every ETag then
                return;
            }
            DavXml::MultiStatus ms;
            if (!DavXml::parse(r.body, &ms)) {
                fail(garbled(m_collectionUrl));
                return;
            }
            if (page == 0) {
                m_fullListing = token.isEmpty();
            }
            const QString self = m_collectionUrl.path();
            bool truncated = false;
            for (const DavXml::Response &resp : ms.responses) {
                QString href;
                if (normalHref(resp.href) == self) {
                    truncated = truncated || resp.status == 507;
                    continue;
                }
                if (!memberHref(resp.href, &href)) {
                    m_foreignHrefs.append(resp.href);
                    continue;
                }
                // A later page knows better than an earlier one.
                if (resp.status == 404) {
                    m_remoteEtags.remove(href);
                    m_remoteGone.insert(href);
                } else {
                    m_remoteGone.remove(href);
                    m_remoteEtags.insert(href, resp.text(DavXml::dav, "getetag").trimmed());
                }
            }
            if (listingRefused()) {
                return;
            }
            if (truncated) {
                if (ms.syncToken.isEmpty() || ms.syncToken == token || page + 1 >= maxListingPages) {
                    fail(u"Serwer %1 nie podaje pełnej listy zmian w %2."_s.arg(m_collectionUrl.host(),
                                                                                m_collectionUrl.path()));
                    return;
                }
                listChangesFrom(ms.syncToken, page + 1);
                return;
            }
            m_tokenSeen = ms.syncToken;
            reportSkipped();
            fetchNext();
        },
        false,
        m_listingLimit);
}

void DavSyncEngine::listAll()
{
    const QByteArray body =
        DavXml::propfind({{DavXml::dav, "getetag"}, {DavXml::dav, "resourcetype"}, {DavXml::dav, "sync-token"}});
    request(
        "PROPFIND",
        m_collectionUrl,
        body,
        {{"Depth", "1"}},
        [this](const DavClient::Reply &r) {
            DavXml::MultiStatus ms;
            if (const QString problem = readMultiStatus(r, m_collectionUrl, &ms, false); !problem.isEmpty()) {
                fail(problem);
                return;
            }
            m_fullListing = true;
            const QString self = m_collectionUrl.path();
            for (const DavXml::Response &resp : ms.responses) {
                QString href;
                if (normalHref(resp.href) == self) {
                    if (resp.status == 507) {
                        m_fullListing = false;
                    }
                    m_tokenSeen = resp.text(DavXml::dav, "sync-token").trimmed();
                    continue;
                }
                const DavXml::Property *type = resp.find(DavXml::dav, "resourcetype");
                if (type && type->children.contains(u"DAV:|collection"_s)) {
                    continue;
                }
                if (!memberHref(resp.href, &href)) {
                    m_foreignHrefs.append(resp.href);
                    continue;
                }
                m_remoteEtags.insert(href, resp.text(DavXml::dav, "getetag").trimmed());
            }
            if (!m_fullListing) {
                // Part of the members only: what it left out is not gone, and the next sync lists again.
                m_tokenSeen.clear();
                m_ctag.clear();
                m_outcome.warnings.append(u"Serwer %1 podał niepełną listę %2; reszta przy następnej "
                                          u"synchronizacji."_s.arg(m_collectionUrl.host(), m_collectionUrl.path()));
            }
            if (listingRefused()) {
                return;
            }
            reportSkipped();
            fetchNext();
        },
        false,
        m_listingLimit);
}

bool DavSyncEngine::listingRefused()
{
    if (m_remoteEtags.size() <= maxMembers) {
        return false;
    }
    fail(u"Na serwerze w %1 jest ponad %2 pozycji, więcej niż zmieści %3. Nic nie zostało pobrane."_s.arg(
        m_collectionUrl.path(), QString::number(maxMembers), m_calendar ? u"kalendarz"_s : u"książka adresowa"_s));
    return true;
}

void DavSyncEngine::reportSkipped()
{
    const auto report = [this](QStringList &hrefs, const QString &what) {
        // what: the sentence's start, then the count and the names.
        if (hrefs.isEmpty()) {
            return;
        }
        hrefs.removeDuplicates();
        summary().skipped += static_cast<int>(hrefs.size());
        QStringList named = hrefs.mid(0, namedSkipped);
        if (hrefs.size() > namedSkipped) {
            named.append(u"i %1 innych"_s.arg(hrefs.size() - namedSkipped));
        }
        m_outcome.warnings.append(what + u" (%1): %2."_s.arg(hrefs.size()).arg(named.join(u", "_s)));
        hrefs.clear();
    };
    report(m_foreignHrefs, u"Pominięto pozycje spoza %1"_s.arg(m_collectionUrl.path()));
    report(m_oversized, u"Pominięto zbyt duże pozycje"_s);
    report(m_unanswered, u"Serwer nie podał treści pozycji"_s);
}

void DavSyncEngine::fetchNext()
{
    if (!m_fetchPlanned) {
        m_fetchPlanned = true;
        QHash<QString, qsizetype> byHref;
        const QList<SyncItem> &items = collection().items;
        for (qsizetype i = 0; i < items.size(); ++i) {
            byHref.insert(items[i].href, i);
        }
        for (auto it = m_remoteEtags.cbegin(); it != m_remoteEtags.cend(); ++it) {
            const auto known = byHref.constFind(it.key());
            if (known == byHref.cend() || items[*known].etag != it.value() || it.value().isEmpty()) {
                m_toFetch.append(it.key());
            }
        }
        m_toFetch.sort();
        stage("pobieranie");
    }
    if (m_toFetch.isEmpty()) {
        if (!m_unanswered.isEmpty()) {
            // Their changes are still to come: the next sync lists everything again.
            m_tokenSeen.clear();
            m_ctag.clear();
        }
        reportSkipped();
        decide();
        return;
    }
    // A batch too large as a whole comes again one member at a time, each within an item's bound.
    // Those are at the front of the list.
    const bool alone = m_fetchAlone.contains(m_toFetch.first());
    const QStringList batch = m_toFetch.mid(0, alone ? 1 : batchSize);
    m_toFetch.remove(0, batch.size());
    QStringList encoded;
    for (const QString &href : batch) {
        encoded.append(QString::fromLatin1(urlOf(href).path(QUrl::FullyEncoded).toLatin1()));
    }
    request(
        "REPORT",
        m_collectionUrl,
        DavXml::multiget(m_calendar, encoded),
        {{"Depth", "1"}},
        [this, batch, alone](const DavClient::Reply &r) {
            if (r.failure != DavClient::None && r.failure != DavClient::TooLarge) {
                fail(r.error);
                return;
            }
            if (r.failure == DavClient::TooLarge) {
                if (alone) {
                    // Left on the server as it is: neither taken nor deleted here.
                    m_oversized.append(batch.first());
                    m_refused.insert(batch.first());
                } else {
                    for (const QString &href : batch) {
                        m_fetchAlone.insert(href);
                    }
                    m_toFetch = batch + m_toFetch;
                }
                fetchNext();
                return;
            }
            DavXml::MultiStatus ms;
            if (const QString problem = readMultiStatus(r, m_collectionUrl, &ms, false); !problem.isEmpty()) {
                fail(problem);
                return;
            }
            const char *ns = m_calendar ? DavXml::calDav : DavXml::cardDav;
            const char *data = m_calendar ? "calendar-data" : "address-data";
            const QSet<QString> asked(batch.cbegin(), batch.cend());
            QSet<QString> answered;
            for (const DavXml::Response &resp : ms.responses) {
                QString href;
                const DavXml::Property *text = resp.find(ns, data);
                if (!memberHref(resp.href, &href) || !asked.contains(href)) {
                    continue; // only what was asked for is taken
                }
                if (resp.status == 404) {
                    answered.insert(href);
                    m_remoteEtags.remove(href); // gone between the listing and now
                    m_remoteGone.insert(href);
                } else if (text) {
                    answered.insert(href);
                    m_fetched.insert(href, {resp.text(DavXml::dav, "getetag").trimmed(), text->text.toUtf8()});
                }
            }
            for (const QString &href : batch) {
                if (!answered.contains(href)) {
                    // Left out of the answer is not gone: neither taken nor deleted here this time.
                    m_unanswered.append(href);
                    m_refused.insert(href);
                }
            }
            fetchNext();
        },
        true,
        alone ? m_itemLimit : std::min(m_itemLimit, m_listingLimit));
}

void DavSyncEngine::saveConflict(const QString &key, const QByteArray &text)
{
    QDir dir(m_dataDir);
    (void)dir.mkpath(QLatin1String(conflictFolder));
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    const QString base = m_calendar ? u"termin-"_s + QString::fromLatin1(localHash(key).left(10)) : u"kontakt-"_s + key;
    QString path;
    for (int n = 0;; ++n) {
        path = dir.filePath(QLatin1String(conflictFolder) + u'/' + base + u'-' + stamp
                            + (n ? u"-"_s + QString::number(n) : QString()) + (m_calendar ? u".ics"_s : u".vcf"_s));
        if (!QFileInfo::exists(path)) {
            break;
        }
    }
    QString error;
    if (!TextFile::writeAtomically(path, text, &error)) {
        m_outcome.warnings.append(error);
    }
    ++summary().conflicts;
}

void DavSyncEngine::queueUpload(const QString &key, const QString &href, const QString &uid, const QString &ifMatch)
{
    Operation op;
    op.kind = Operation::Put;
    op.key = key;
    op.href = href;
    op.uid = uid;
    op.ifMatch = ifMatch;
    m_operations.append(op);
}

void DavSyncEngine::applyRemote(const QString &key, const QString &href, const Fetched &remote, bool newItem)
{
    SyncCollectionState &c = collection();
    SyncItem entry;
    entry.href = href;
    entry.etag = remote.etag;
    entry.serverText = remote.text;
    if (!m_calendar) {
        ExchangeContact contact;
        if (!SyncRules::readCard(remote.text, &contact, &entry.uid)) {
            ++summary().skipped; // a card that cannot be read is left on the server as it is
            if (SyncRules::isGroupCard(remote.text)) {
                entry.skipped = true; // a group: known, never brought here, never deleted from here
                c.items.append(entry);
            }
            return;
        }
        ++summary().received;
        if (!newItem && localExists(key)) {
            contact.contact.ID = key;
            entry.key = key;
            entry.hash = SyncRules::contactHash(contact);
            entry.photoHash = SyncRules::photoHash(contact.photo);
            m_contacts.insert(key, contact);
            m_contactHashes.insert(key, entry.hash);
            m_changedIds.insert(key);
            if (SyncItem *item = itemOfKey(key)) {
                *item = entry;
            } else {
                appendItem(entry);
            }
            return;
        }
        // New here: the identifier is given when the file is written.
        m_newContacts.append(contact);
        m_newContactHrefs.append(href);
        c.items.append(entry); // key filled in then
        c.items.last().pending = true;
        return;
    }
    Appointment appointment;
    switch (SyncRules::readEvent(remote.text, &appointment, &entry.uid)) {
    case SyncRules::EventKind::Invalid:
        ++summary().skipped;
        return;
    case SyncRules::EventKind::Recurring:
        entry.skipped = true;
        c.items.append(entry);
        return;
    case SyncRules::EventKind::Usable:
        break;
    }
    const QString record = AppointmentRecord::encode(appointment);
    const bool retimed = m_times.take(record, appointment.time);
    entry.key = record;
    entry.hash = localHash(record);
    if (!key.isEmpty() && key != record && localExists(key)) {
        m_removedRecords.insert(key);
        m_records.remove(key);
    }
    if (!localExists(record) && !isOldRecord(record)) {
        m_addedRecords.append(record);
        m_records.insert(record);
        entry.pending = true;
        ++summary().received;
    } else if (retimed && localExists(record)) {
        ++summary().received;
    }
    if (SyncItem *item = key.isEmpty() ? nullptr : itemOfKey(key)) {
        *item = entry;
        rebuildIndex(); // its key is the new record
    } else {
        appendItem(entry);
    }
}

void DavSyncEngine::mergeItem(const QString &key, const SyncItem *known, const QString &href, const Fetched &remote)
{
    SyncItem entry;
    if (known) {
        entry = *known;
    }
    entry.key = key;
    entry.href = href;
    entry.etag = remote.etag;
    entry.serverText = remote.text;
    entry.pending = false;
    bool upload = false;
    if (!m_calendar) {
        ExchangeContact theirs;
        QString uid;
        if (!SyncRules::readCard(remote.text, &theirs, &uid)) {
            ++summary().skipped;
            return;
        }
        entry.uid = uid.isEmpty() ? localUid(key) : uid;
        const ExchangeContact local = m_contacts.value(key);
        std::optional<ExchangeContact> base;
        if (known && !known->serverText.isEmpty()) {
            ExchangeContact b;
            if (SyncRules::readCard(known->serverText, &b, nullptr)) {
                base = b;
            }
        }
        // The server may hold a smaller copy of the photo sent from here: that is no change.
        if (known && !local.photo.isEmpty() && SyncRules::photoHash(local.photo) == known->photoHash) {
            if (base && SyncRules::photoHash(theirs.photo) == SyncRules::photoHash(base->photo)) {
                theirs.photo = local.photo;
            }
            if (base) {
                base->photo = local.photo;
            }
        }
        const SyncRules::MergeResult result = SyncRules::merge(base ? &*base : nullptr, local, theirs);
        if (!result.conflicts.isEmpty()) {
            saveConflict(key, remote.text);
        }
        ExchangeContact merged = result.merged;
        merged.contact.ID = key;
        const QByteArray mergedHash = SyncRules::contactHash(merged);
        if (mergedHash != m_contactHashes.value(key)) {
            m_contacts.insert(key, merged);
            m_contactHashes.insert(key, mergedHash);
            m_changedIds.insert(key);
            ++summary().received;
        }
        upload = mergedHash != SyncRules::contactHash(theirs);
        entry.hash = upload ? QByteArray() : mergedHash;
        entry.photoHash = SyncRules::photoHash(merged.photo);
    } else {
        mergeAppointment(key, known, entry, remote.text, &upload);
    }
    if (SyncItem *item = itemOfKey(key)) {
        *item = entry;
        rebuildIndex(); // an appointment's key is its record, which the merge may have changed
    } else {
        appendItem(entry);
    }
    if (upload) {
        queueUpload(entry.key, href, entry.uid, remote.etag);
    }
}

void DavSyncEngine::mergeAppointment(const QString &key,
                                     const SyncItem *known,
                                     SyncItem &entry,
                                     const QByteArray &remote,
                                     bool *upload)
{
    Appointment theirs;
    QString uid;
    const SyncRules::EventKind kind = SyncRules::readEvent(remote, &theirs, &uid);
    entry.uid = uid.isEmpty() ? localUid(key) : uid;
    entry.hash = localHash(key);
    if (kind != SyncRules::EventKind::Usable) {
        // Became a series or unreadable there: this side's appointment stays, the server's is kept aside.
        saveConflict(key, remote);
        *upload = true;
        return;
    }
    // Field by field against what was last synced: a field changed on one side only takes that
    // side's value; changed on both to different values, this side's stays and the server's event
    // is kept aside.
    const Appointment mine = m_times.appointment(key);
    std::optional<Appointment> base;
    if (Appointment b; known && SyncRules::readEvent(known->serverText, &b, nullptr) == SyncRules::EventKind::Usable) {
        base = b;
    }
    Appointment merged = mine;
    bool conflict = false;
    for (QString Appointment::*field :
         {&Appointment::date, &Appointment::person, &Appointment::place, &Appointment::description}) {
        if (mine.*field == theirs.*field) {
            continue;
        }
        if (base && (*base).*field == mine.*field) {
            merged.*field = theirs.*field;
        } else if (!base || (*base).*field != theirs.*field) {
            conflict = true;
        }
    }
    merged.time = SyncedTimes::merged(base ? &base->time : nullptr, mine.time, theirs.time, &conflict);
    if (conflict) {
        saveConflict(key, remote);
    }
    const QString record = AppointmentRecord::encode(merged);
    if (m_times.take(record, merged.time) && record == key) {
        entry.hash = localHash(key);
        ++summary().received;
    }
    if (record != key) {
        m_records.remove(key);
        m_removedRecords.insert(key);
        m_records.insert(record);
        m_addedRecords.append(record);
        entry.key = record;
        entry.hash = localHash(record);
        entry.pending = true;
        ++summary().received;
    }
    *upload = record != AppointmentRecord::encode(theirs) || merged.time != theirs.time;
    if (*upload) {
        entry.hash.clear(); // sent after the files are written
    }
}

bool DavSyncEngine::holdDeletions(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote)
{
    const qsizetype here = m_calendar ? m_records.size() : m_contacts.size();
    if (m_account.allowDeletions || !SyncPlanner::needsConsent(plan, here, remote)) {
        return false;
    }
    m_state = m_stateBefore; // nothing of this plan stays
    summary() = CollectionSummary();
    const int count = plan.deletionsHere;
    m_outcome.held = {SyncOutcome::Held::Deletions, count, static_cast<int>(here), m_calendar};
    fail(m_calendar ? u"Synchronizacja usunęłaby tutaj %1 z %2 terminów, których nie ma już na serwerze. "
                      u"Nic nie zmieniono."_s.arg(count).arg(here)
                    : u"Synchronizacja usunęłaby tutaj %1 z %2 kontaktów, których nie ma już na serwerze. "
                      u"Nic nie zmieniono."_s.arg(count).arg(here));
    return true;
}

bool DavSyncEngine::holdCopy(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote)
{
    const qsizetype uploads = plan.uploads.size();
    if (!m_switchedFrom || m_account.allowCopy || uploads == 0 || !remote.fullListing || remote.listed.isEmpty()) {
        return false;
    }
    m_state = m_stateBefore;
    collection() = *m_switchedFrom; // asked again at the next sync
    summary() = CollectionSummary();
    const qsizetype there = remote.listed.size();
    m_outcome.held = {SyncOutcome::Held::Copy, static_cast<int>(uploads), static_cast<int>(there), m_calendar};
    fail(m_calendar ? u"Wybrany kalendarz na serwerze nie jest pusty (wydarzenia: %2). Synchronizacja wysłałaby do "
                      u"niego %1 terminów. Nic nie zmieniono."_s.arg(uploads).arg(there)
                    : u"Wybrana książka adresowa na serwerze nie jest pusta (wizytówki: %2). Synchronizacja wysłałaby "
                      u"do niej %1 kontaktów. Nic nie zmieniono."_s.arg(uploads).arg(there));
    return true;
}

SyncPlanner::LocalSnapshot DavSyncEngine::localSnapshot() const
{
    SyncPlanner::LocalSnapshot local;
    if (m_calendar) {
        local.hashes.reserve(m_records.size());
        for (const QString &record : m_records) {
            local.hashes.insert(record, localHash(record));
        }
        for (const SyncItem &item : std::as_const(m_state.appointments.items)) {
            if (!item.key.isEmpty() && !m_records.contains(item.key) && isOldRecord(item.key)) {
                local.old.insert(item.key);
            }
        }
    } else {
        local.hashes = m_contactHashes;
    }
    return local;
}

// What an item is, whoever wrote it: a contact's identity keys (name with a number or the address,
// as the import finds duplicates), an appointment's date with its description, or all its texts.
QList<QByteArray> DavSyncEngine::identityOf(const QString &key) const
{
    if (!m_calendar) {
        return ContactImport::identityKeys(m_contacts.value(key).contact);
    }
    return identityOfRecord(AppointmentRecord::decode(key));
}

void DavSyncEngine::decide()
{
    stage("decyzje");
    SyncCollectionState &c = collection();
    m_stateBefore = m_state;
    SyncPlanner::RemoteSnapshot remote;
    remote.fullListing = m_fullListing;
    remote.listed = m_remoteEtags;
    remote.gone = m_remoteGone;
    // Items written here before an interruption: those that never reached the file are met anew.
    for (qsizetype i = c.items.size() - 1; i >= 0; --i) {
        SyncItem &item = c.items[i];
        if (!item.pending) {
            continue;
        }
        if (localExists(item.key)) {
            item.pending = false;
            continue;
        }
        if (remote.exists(item.href) && !m_fetched.contains(item.href)) {
            m_fetched.insert(item.href, {item.etag, item.serverText});
        }
        c.items.removeAt(i);
    }
    // Entries of older versions that name no member of this collection: never written to or deleted
    // through; their items are met anew.
    const qsizetype entries = c.items.size();
    c.items.removeIf([this](const SyncItem &item) {
        QString path;
        return !memberHref(item.href, &path);
    });
    if (c.items.size() != entries) {
        summary().skipped += static_cast<int>(entries - c.items.size());
        m_outcome.warnings.append(u"Pominięto %1 zapamiętanych adresów spoza %2."_s.arg(entries - c.items.size())
                                      .arg(m_collectionUrl.toString()));
    }
    SyncPlanner::LocalSnapshot local = localSnapshot();
    if (m_calendar) {
        // Appointments edited elsewhere (no record of the edit): the state follows them too.
        for (const auto &[before, after] :
             SyncPlanner::pairEdited(c, local, m_removedByUser, AppointmentRecord::dateWidth)) {
            if (SyncItem *item = itemOfKey(before)) {
                item->key = after;
                item->hash.clear();
            }
        }
    }
    rebuildIndex();
    // Cards and events come inside XML, whose readers turn their CR LF into LF: the lines get their
    // CR LF back, so what is kept and patched is what the server holds.
    QSet<QString> knownHrefs;
    for (const SyncItem &item : std::as_const(c.items)) {
        knownHrefs.insert(item.href);
    }
    for (auto it = m_fetched.begin(); it != m_fetched.end(); ++it) {
        it->text = ContentLines::withCrLf(it->text);
        SyncPlanner::RemoteItem &item = remote.fetched[it.key()];
        item.etag = it->etag;
        if (knownHrefs.contains(it.key())) {
            continue; // the UID and the content matter for items met for the first time
        }
        if (m_calendar) {
            Appointment a;
            if (SyncRules::readEvent(it->text, &a, &item.uid) == SyncRules::EventKind::Usable) {
                item.identity = identityOfRecord(a);
            }
        } else if (ExchangeContact contact; SyncRules::readCard(it->text, &contact, &item.uid)) {
            item.identity = ContactImport::identityKeys(contact.contact);
        }
    }
    for (auto it = local.hashes.cbegin(); it != local.hashes.cend(); ++it) {
        if (!m_byKey.contains(it.key())) {
            local.uids.insert(it.key(), localUid(it.key()));
            local.identity.insert(it.key(), identityOf(it.key()));
        }
    }
    const SyncPlanner::Plan plan = SyncPlanner::plan(c, local, remote);
    if (holdCopy(plan, remote) || holdDeletions(plan, remote)) {
        return;
    }
    apply(plan, remote);

    if (!writeLocalOrFail()) {
        return;
    }
    stage("wysylanie");
    sendNext();
}

void DavSyncEngine::apply(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote)
{
    using SyncPlanner::Step;
    SyncCollectionState &c = collection();
    const QList<SyncItem> items = c.items;
    QSet<qsizetype> drop; // entries of items that go (or come back under a new entry)
    for (const SyncPlanner::Plan::Known &known : plan.known) {
        const SyncItem &item = items[known.index];
        const auto fetched = m_fetched.constFind(item.href);
        if (refusedHref(item.href)) {
            continue; // too large to fetch: left as it is on both sides, counted when refused
        }
        switch (known.step) {
        case Step::Nothing:
            break;
        case Step::Upload:
            queueUpload(item.key, item.href, item.uid, remote.exists(item.href) ? item.etag : QString());
            break;
        case Step::Download:
            applyRemote(item.key, item.href, *fetched, false);
            break;
        case Step::Restore:
        case Step::Refresh:
            drop.insert(known.index);
            applyRemote({}, item.href, *fetched, true);
            break;
        case Step::KeepOld:
            if (SyncItem *entry = itemOfKey(item.key)) {
                entry->etag = fetched->etag; // dropped here as old: nothing to bring back
                entry->serverText = fetched->text;
            }
            break;
        case Step::DeleteLocal:
            if (m_calendar) {
                m_records.remove(item.key);
                m_removedRecords.insert(item.key);
                m_deletedRecords.insert(item.key);
            } else {
                m_contacts.remove(item.key);
                m_removedIds.insert(item.key);
            }
            drop.insert(known.index);
            ++summary().deletedHere;
            break;
        case Step::DeleteRemote:
            m_operations.append({Operation::Delete, item.key, item.href, item.uid, item.etag, 0, false});
            break;
        case Step::Merge:
            mergeItem(item.key, &item, item.href, *fetched);
            break;
        case Step::Forget:
            drop.insert(known.index);
            break;
        }
    }
    for (const auto &[key, href] : plan.linked) {
        mergeItem(key, nullptr, href, m_fetched.value(href));
    }
    for (const QString &href : plan.downloads) {
        applyRemote({}, href, m_fetched.value(href), true);
    }
    for (const QString &key : plan.uploads) {
        const QString uid = localUid(key);
        queueUpload(key, hrefFor(uid), uid, {});
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
    rebuildIndex();
}

bool DavSyncEngine::writeLocalOrFail()
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
    const bool contactsChanged =
        !m_calendar && (!m_changedIds.isEmpty() || !m_removedIds.isEmpty() || !m_newContacts.isEmpty());
    const bool recordsChanged =
        m_calendar && (!m_removedRecords.isEmpty() || !m_addedRecords.isEmpty() || m_times.changed());
    if (!contactsChanged && !recordsChanged) {
        m_localDirty = false;
        return m_state.save(m_dataDir, error);
    }
    stage("zapis");
    // What the server lost is kept aside before it goes from here.
    QList<QByteArray> deletedLines;
    if (!m_calendar && !m_removedIds.isEmpty()) {
        for (const QByteArray &line : m_book.lines()) {
            if (m_removedIds.contains(Contact::idOf(line))) {
                deletedLines.append(line);
            }
        }
    }
    const QStringList deletedRecords(m_deletedRecords.cbegin(), m_deletedRecords.cend());
    if (!DeletedItems::keep(m_dataDir, QDateTime::currentDateTime(), deletedLines, deletedRecords, error)) {
        return false;
    }
    m_deletedRecords.clear();
    SyncCollectionState &c = collection();
    SyncCollectionState &before = m_calendar ? m_stateBefore.appointments : m_stateBefore.contacts;
    const QDir dir(m_dataDir);
    const ContactFile files(m_dataDir);
    QStringList newIds;
    if (!m_newContacts.isEmpty()) {
        QSet<int> reserved;
        for (const SyncItem &item : std::as_const(c.items)) {
            if (const auto value = ContactList::identifierValue(item.key)) {
                reserved.insert(*value);
            }
        }
        for (const QString &id : std::as_const(m_state.retiredIds)) {
            if (const auto value = ContactList::identifierValue(id)) {
                reserved.insert(*value);
            }
        }
        m_book.setReservedIdentifiers(reserved);
        if (!m_book.newIdentifiers(static_cast<int>(m_newContacts.size()), &newIds, error)) {
            return false;
        }
        qsizetype next = 0;
        for (SyncItem &item : c.items) {
            if (!m_calendar && item.pending && item.key.isEmpty()) {
                item.key = newIds[next];
                ExchangeContact &contact = m_newContacts[next];
                contact.contact.ID = item.key;
                item.hash = SyncRules::contactHash(contact);
                item.photoHash = SyncRules::photoHash(contact.photo);
                m_contacts.insert(item.key, contact);
                m_contactHashes.insert(item.key, item.hash);
                m_changedIds.insert(item.key);
                ++next;
            }
        }
    }
    // First the state learns what is arriving (so its identifiers are never given again and an
    // interruption is understood), then the side files, the data file, and the state in full.
    for (const SyncItem &item : std::as_const(c.items)) {
        if (item.pending) {
            before.items.append(item);
        }
    }
    m_localDirty = true;
    if (!m_stateBefore.save(m_dataDir, error)) {
        return false;
    }
    if (!m_calendar) {
        if (m_backup) { // the day's copy, before any of the day's changes
            m_backup->beforeWrite(dir.filePath(QLatin1String(ContactFile::fileName)), ContactFile::sideFolders());
        }
        (void)dir.mkpath(QLatin1String(ContactFile::notesFolder));
        (void)dir.mkpath(QLatin1String(ContactFile::photoFolder));
        for (const QString &id : std::as_const(m_changedIds)) {
            const ExchangeContact &item = m_contacts[id];
            QString sideError;
            if (!files.writeNotes(id, item.notes, &sideError)) {
                *error = files.notesPath(id) + u": "_s + sideError;
                return false;
            }
            const QString photo = files.photoPath(id);
            const bool done = item.photo.isEmpty() ? TextFile::removeIfExists(photo, &sideError)
                                                   : TextFile::writeAtomically(photo, item.photo, &sideError);
            if (!done) {
                *error = photo + u": "_s + sideError;
                return false;
            }
        }
        QList<QByteArray> lines;
        lines.reserve(m_book.count() + newIds.size());
        for (const QByteArray &line : m_book.lines()) {
            const QString id = Contact::idOf(line);
            if (m_removedIds.contains(id)) {
                continue;
            }
            if (m_changedIds.contains(id)) {
                const Contact old = Contact::fromLine(line);
                Contact updated = m_contacts[id].contact;
                updated.ID = id;
                updated.Parametry = old.Parametry;
                updated.Rocznica = old.Rocznica;
                lines.append(updated.toLine());
            } else {
                lines.append(line);
            }
        }
        for (const QString &id : std::as_const(newIds)) {
            lines.append(m_contacts[id].contact.toLine());
        }
        m_book.setLines(std::move(lines));
        m_book.Sortowanie(nullptr);
        const QString path = dir.filePath(QLatin1String(ContactFile::fileName));
        if (!TextFile::writeLines(path, m_book.lines(), error)) {
            return false;
        }
        for (const QString &id : std::as_const(m_removedIds)) {
            (void)TextFile::removeIfExists(files.notesPath(id), nullptr);
            (void)TextFile::removeIfExists(files.photoPath(id), nullptr);
        }
    } else {
        QList<QByteArray> lines;
        lines.reserve(m_termLines.size() + m_addedRecords.size());
        for (const QByteArray &line : std::as_const(m_termLines)) {
            if (!m_removedRecords.contains(Cp1250::decode(line))) {
                lines.append(line);
            }
        }
        for (const QString &record : std::as_const(m_addedRecords)) {
            lines.append(Cp1250::encode(record));
        }
        const QString path = dir.filePath(QLatin1String(AppointmentList::fileName));
        if (!m_times.save(m_termLines, lines, error)) {
            return false;
        }
        if (m_backup) {
            m_backup->beforeWrite(path);
        }
        if (!TextFile::writeLines(path, lines, error)) {
            return false;
        }
        m_termLines = lines;
    }
    for (SyncItem &item : c.items) {
        item.pending = false;
    }
    m_changedIds.clear();
    m_removedIds.clear();
    m_newContacts.clear();
    m_removedRecords.clear();
    m_addedRecords.clear();
    rebuildIndex();
    if (!m_state.save(m_dataDir, error)) {
        return false;
    }
    m_localDirty = false;
    return true;
}

QByteArray
DavSyncEngine::uploadText(const QString &key, const QString &uid, const SyncItem *item, bool smallPhoto) const
{
    if (m_calendar) {
        // The server's event changed only where this side's appointment differs from it.
        return ICalendar::patchEvent(item ? item->serverText : QByteArray(),
                                     m_times.appointment(key),
                                     uid,
                                     QDateTime::currentDateTimeUtc());
    }
    ExchangeContact send = m_contacts.value(key);
    const QByteArray serverText = item ? item->serverText : QByteArray();
    if (item && !send.photo.isEmpty() && SyncRules::photoHash(send.photo) == item->photoHash && !serverText.isEmpty()) {
        ExchangeContact there;
        if (SyncRules::readCard(serverText, &there, nullptr) && !there.photo.isEmpty()) {
            send.photo = there.photo; // the server keeps its smaller copy of the same photo
        }
    } else if (smallPhoto && !send.photo.isEmpty()) {
        QByteArray smaller;
        if (SyncRules::shrinkPhoto(send.photo, &smaller)) {
            send.photo = smaller;
        }
    }
    return SyncRules::patchCard(serverText, send, uid);
}

void DavSyncEngine::sendNext()
{
    while (m_running < parallelWrites && !m_operations.isEmpty()) {
        Operation op = m_operations.takeFirst();
        QList<DavClient::Header> headers;
        QByteArray body;
        if (op.kind == Operation::Put) {
            const SyncItem *item = itemOfKey(op.key);
            body = uploadText(op.key, op.uid, item && item->href == op.href ? item : nullptr, op.smallPhoto);
            headers.append(DavClient::Header{
                "Content-Type", m_calendar ? "text/calendar; charset=utf-8" : "text/vcard; charset=utf-8"});
        }
        if (!op.ifMatch.isEmpty()) {
            headers.append(DavClient::Header{"If-Match", op.ifMatch.toUtf8()});
        } else if (op.kind == Operation::Put) {
            headers.append(DavClient::Header{"If-None-Match", "*"});
        }
        ++m_running;
        request(
            op.kind == Operation::Put ? "PUT" : "DELETE",
            urlOf(op.href),
            body,
            headers,
            [this, op, body](const DavClient::Reply &r) {
                --m_running;
                DavClient::Reply reply = r;
                if (r.failure != DavClient::None) {
                    // A server that refuses a large body may close the connection before
                    // Qt reads its 413: a card with a photo gets one try with a smaller copy.
                    if (op.kind == Operation::Put && !op.smallPhoto && !m_calendar
                        && !m_contacts.value(op.key).photo.isEmpty()) {
                        reply.status = 413;
                    } else {
                        fail(r.error);
                        return;
                    }
                }
                if (op.kind == Operation::Put && r.status >= 200 && r.status < 300) {
                    reply.body = body; // what the server now holds
                }
                onWritten(op, reply);
            },
            op.kind == Operation::Put);
        if (!m_busy) {
            return;
        }
    }
    if (m_running == 0 && m_operations.isEmpty()) {
        QString error;
        if (!m_state.save(m_dataDir, &error)) {
            fail(error);
            return;
        }
        confirmToken();
    }
}

void DavSyncEngine::onWritten(const Operation &op, const DavClient::Reply &r)
{
    if (op.kind == Operation::Delete) {
        if ((r.status >= 200 && r.status < 300) || r.status == 404) {
            ++m_written;
            if (r.status != 404) {
                ++summary().deletedOnServer;
            }
            forget(op);
        } else if (r.status == 412 && op.attempts == 0) {
            takeBack(op); // changed there meanwhile: the change wins
            return;
        } else if (r.status == 412) {
            ++summary().skipped; // left for the next sync, never dropped
            m_outcome.warnings.append(statusText(r.status));
        } else {
            fail(statusText(r.status));
            return;
        }
        sendNext();
        return;
    }
    if (r.status >= 200 && r.status < 300) {
        ++m_written;
        ++summary().sent;
        SyncItem *item = itemOfKey(op.key);
        if (!item) {
            SyncItem fresh;
            fresh.key = op.key;
            item = &appendItem(fresh);
        }
        item->key = op.key;
        item->uid = op.uid;
        item->href = op.href;
        item->etag = stripEtag(r.etag);
        item->serverText = r.body;
        item->hash = localHash(op.key);
        item->photoHash = m_calendar ? QByteArray() : SyncRules::photoHash(m_contacts.value(op.key).photo);
        item->pending = false;
        if (m_written % 200 == 0) {
            (void)m_state.save(m_dataDir, nullptr);
        }
        emit progress(m_written, m_written + static_cast<int>(m_operations.size()) + m_running);
        sendNext();
        return;
    }
    if (r.status == 413 && !m_calendar && !op.smallPhoto && !m_contacts.value(op.key).photo.isEmpty()) {
        Operation again = op;
        again.smallPhoto = true;
        m_operations.prepend(again);
        sendNext();
        return;
    }
    if ((r.status == 412 || r.status == 409) && op.attempts == 0) {
        reconcile(op, r);
        return;
    }
    if (r.status == 413 || r.status == 412 || r.status == 409) {
        ++summary().skipped; // left for the next sync, never dropped
        m_outcome.warnings.append(statusText(r.status));
        sendNext();
        return;
    }
    fail(statusText(r.status));
}

void DavSyncEngine::reconcile(const Operation &op, const DavClient::Reply &reply)
{
    Operation again = op;
    again.attempts = 1;
    // Changed on both sides (412), or the UID is on the server already under another name (409):
    // the server's copy is fetched and merged as any other, then this side's result sent once more.
    const auto mergeWith = [this, again](const QString &href, const Fetched &remote) {
        const SyncItem *item = itemOfKey(again.key);
        const SyncItem known = item ? *item : SyncItem();
        const bool sameItem = item && !item->serverText.isEmpty() && item->href == href;
        const qsizetype queued = m_operations.size();
        mergeItem(again.key, sameItem ? &known : nullptr, href, remote);
        for (qsizetype i = queued; i < m_operations.size(); ++i) {
            m_operations[i].attempts = 1;
        }
        if (writeLocalOrFail()) {
            sendNext();
        }
    };
    ++m_running;
    if (reply.status == 409) {
        request("REPORT",
                m_collectionUrl,
                DavXml::uidQuery(m_calendar, op.uid),
                {{"Depth", "1"}},
                [this, mergeWith](const DavClient::Reply &r) {
                    --m_running;
                    DavXml::MultiStatus ms;
                    const char *ns = m_calendar ? DavXml::calDav : DavXml::cardDav;
                    const char *data = m_calendar ? "calendar-data" : "address-data";
                    if (r.status == 207 && DavXml::parse(r.body, &ms)) {
                        for (const DavXml::Response &resp : ms.responses) {
                            QString href;
                            if (const DavXml::Property *text = resp.find(ns, data); text && memberHref(resp.href, &href)) {
                                mergeWith(href,
                                          {resp.text(DavXml::dav, "getetag").trimmed(),
                                           ContentLines::withCrLf(text->text.toUtf8())});
                                return;
                            }
                        }
                    }
                    ++summary().skipped; // left for the next sync, never dropped
                    m_outcome.warnings.append(statusText(409));
                    sendNext();
                });
        return;
    }
    request("GET", urlOf(op.href), {}, {}, [this, again, mergeWith](const DavClient::Reply &r) {
        --m_running;
        if (r.status == 404) {
            Operation create = again;
            create.ifMatch.clear(); // gone meanwhile: this side's copy is sent anew
            m_operations.prepend(create);
            sendNext();
            return;
        }
        if (r.status != 200) {
            fail(statusText(r.status));
            return;
        }
        mergeWith(again.href, {stripEtag(r.etag), ContentLines::withCrLf(r.body)});
    });
}

// The state forgets an item deleted here; a contact's identifier is never given again.
void DavSyncEngine::forget(const Operation &op)
{
    collection().items.removeIf([&op](const SyncItem &item) {
        return item.href == op.href && item.key == op.key;
    });
    if (!m_calendar) {
        m_state.retiredIds.insert(op.key);
    }
    rebuildIndex();
}

// An item deleted here was changed on the server since: it is fetched and comes back here as the
// server has it (a change made on the phone outweighs a delete made here).
void DavSyncEngine::takeBack(const Operation &op)
{
    ++m_running;
    request("GET", urlOf(op.href), {}, {}, [this, op](const DavClient::Reply &r) {
        --m_running;
        if (r.status != 200 && r.status != 404) {
            fail(statusText(r.status));
            return;
        }
        forget(op);
        if (r.status == 200) {
            applyRemote({}, op.href, {stripEtag(r.etag), ContentLines::withCrLf(r.body)}, true);
            if (!writeLocalOrFail()) {
                return;
            }
        }
        sendNext();
    });
}

void DavSyncEngine::confirmToken()
{
    SyncCollectionState &c = collection();
    if (m_written == 0) {
        c.syncToken = m_tokenSeen;
        c.ctag = m_ctag;
        finishCollection();
        return;
    }
    if (m_tokenSeen.isEmpty()) {
        c.syncToken.clear();
        c.ctag.clear();
        finishCollection();
        return;
    }
    // Every change since the token seen must be one of this sync's own writes; else the old token
    // stays and the next sync lists them again.
    request("REPORT",
            m_collectionUrl,
            DavXml::syncCollection(m_tokenSeen),
            {{"Depth", "1"}},
            [this](const DavClient::Reply &r) {
                SyncCollectionState &c = collection();
                DavXml::MultiStatus ms;
                if (r.status != 207 || !DavXml::parse(r.body, &ms)) {
                    c.syncToken = m_tokenSeen;
                    c.ctag.clear();
                    finishCollection();
                    return;
                }
                QHash<QString, QString> etags;
                for (const SyncItem &item : std::as_const(c.items)) {
                    etags.insert(item.href, item.etag);
                }
                bool foreign = false;
                const QString self = m_collectionUrl.path();
                for (const DavXml::Response &resp : ms.responses) {
                    const QString href = normalHref(resp.href);
                    if (href == self) {
                        continue;
                    }
                    if (resp.status == 404) {
                        foreign = foreign || etags.contains(href);
                    } else {
                        const auto it = etags.constFind(href);
                        foreign = foreign || it == etags.cend() || *it != resp.text(DavXml::dav, "getetag").trimmed();
                    }
                }
                c.syncToken = foreign ? m_tokenSeen : ms.syncToken;
                c.ctag.clear();
                if (foreign) {
                    finishCollection();
                    return;
                }
                const QString token = ms.syncToken;
                const QByteArray body =
                    DavXml::propfind({{DavXml::calendarServer, "getctag"}, {DavXml::dav, "sync-token"}});
                request("PROPFIND", m_collectionUrl, body, {{"Depth", "0"}}, [this, token](const DavClient::Reply &r) {
                    DavXml::MultiStatus ms;
                    if (r.status == 207 && DavXml::parse(r.body, &ms) && !ms.responses.isEmpty()) {
                        const DavXml::Response &resp = ms.responses.first();
                        const QString ctag = resp.text(DavXml::calendarServer, "getctag").trimmed();
                        if (resp.text(DavXml::dav, "sync-token").trimmed() == token) {
                            collection().ctag = ctag.isEmpty() ? token : ctag;
                        }
                    }
                    finishCollection();
                });
            });
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
        (void)AppointmentEdits::consume(m_dataDir, m_editsTaken, nullptr);
        m_editsTaken = 0;
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
    m_outcome.ok = true;
    m_outcome.finishedAt = QDateTime::currentDateTime();
    emit finished(m_outcome);
}
