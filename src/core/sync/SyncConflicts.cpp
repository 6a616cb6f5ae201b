#include "SyncConflicts.h"

#include "core/sync/plan/SyncRules.h"
#include "SyncState.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <limits>

namespace {

using namespace Qt::StringLiterals;

constexpr int titleLength = 60;

QByteArray enc(const QString &text)
{
    return text.isEmpty() ? QByteArray("-") : QUrl::toPercentEncoding(text);
}

QString dec(QByteArrayView bytes)
{
    return bytes == "-" ? QString() : QUrl::fromPercentEncoding(bytes.toByteArray());
}

// What the user reads for each field of a contact, in the order of the contacts window.
const QList<std::pair<QString, QString>> &contactLabels()
{
    static const QList<std::pair<QString, QString>> labels{
        {u"Nazwa"_s, u"Nazwisko i imię"_s},
        {u"Pseudo"_s, u"Pseudonim"_s},
        {u"Tytul"_s, u"Tytuł"_s},
        {u"Firma"_s, u"Firma"_s},
        {u"Dep"_s, u"Dział"_s},
        {u"TelDom"_s, u"Telefon domowy"_s},
        {u"TelKom"_s, u"Telefon komórkowy"_s},
        {u"TelSlu"_s, u"Telefon służbowy"_s},
        {u"TelWew"_s, u"Numer wewnętrzny"_s},
        {u"Faks"_s, u"Faks"_s},
        {u"Email"_s, u"E-mail"_s},
        {u"DomUlica"_s, u"Ulica (dom)"_s},
        {u"DomKod"_s, u"Kod pocztowy (dom)"_s},
        {u"DomMiasto"_s, u"Miasto (dom)"_s},
        {u"DomURL"_s, u"Strona WWW (dom)"_s},
        {u"PracaUlica"_s, u"Ulica (praca)"_s},
        {u"PracaKod"_s, u"Kod pocztowy (praca)"_s},
        {u"PracaMiasto"_s, u"Miasto (praca)"_s},
        {u"PracaURL"_s, u"Strona WWW (praca)"_s},
        {u"Urodziny"_s, u"Urodziny"_s},
        {u"Imieniny"_s, u"Imieniny"_s},
        {u"Slub"_s, u"Ślub"_s},
        {u"notes"_s, u"Notatki"_s},
        {u"photo"_s, u"Zdjęcie"_s},
    };
    return labels;
}

QString shownValue(const ExchangeContact &contact, const QString &field)
{
    if (field == u"photo") {
        return contact.photo.isEmpty() ? u"brak"_s : u"jest (%1 kB)"_s.arg((contact.photo.size() + 1023) / 1024);
    }
    return SyncRules::fieldValue(contact, field).trimmed();
}

QString appointmentTitle(const Appointment &a)
{
    QString text = a.description.trimmed();
    for (const QString &more : {a.person.trimmed(), a.place.trimmed()}) {
        if (text.isEmpty()) {
            text = more;
        }
    }
    return text.isEmpty() ? a.date.trimmed() : a.date.trimmed() + u' ' + text;
}

// The title of the server's item, and its UID.
QString titleOf(bool calendar, const QByteArray &text, QString *uid)
{
    if (calendar) {
        Appointment a;
        if (SyncRules::readEvent(text, &a, uid) == SyncRules::EventKind::Usable) {
            return appointmentTitle(a);
        }
        return u"termin"_s;
    }
    ExchangeContact c;
    if (SyncRules::readCard(text, &c, uid)) {
        const QString name = c.contact.Nazwa.trimmed();
        return name.isEmpty() ? c.contact.Firma.trimmed() : name;
    }
    return u"kontakt"_s;
}

bool readLocalContact(const QString &dataDir, const QString &id, ExchangeContact *out, int *position, QString *error)
{
    ContactFile files(dataDir);
    if (!files.load(error)) {
        return false;
    }
    for (int i = 0; i < files.count(); ++i) {
        if (Contact::idOf(files.list().line(i)).trimmed() == id.trimmed()) {
            out->contact = files.list().contact(i);
            if (!files.readNotes(id, &out->notes, error)) {
                return false;
            }
            bool exists = false;
            QString ignored;
            (void)TextFile::readBytes(files.photoPath(id), &out->photo, &exists, &ignored);
            if (position) {
                *position = i;
            }
            return true;
        }
    }
    *error = u"Tego kontaktu nie ma już w książce adresowej."_s;
    return false;
}

} // namespace

SyncConflicts::SyncConflicts(QString dataDir)
    : m_dataDir(std::move(dataDir))
{}

QString SyncConflicts::safeFileName(const QString &text)
{
    QString name;
    for (const QChar c : text.simplified()) {
        const bool safe = c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'_' || c == u',' || c == u'.'
                          || c == u'(' || c == u')';
        name.append(safe ? c : u'_');
    }
    name = name.left(titleLength).trimmed();
    while (name.startsWith(u'.')) {
        name.remove(0, 1);
    }
    while (name.endsWith(u'.')) {
        name.chop(1); // a name ending in a dot cannot be opened on Windows
    }
    return name.isEmpty() ? u"bez nazwy"_s : name;
}

QString SyncConflicts::filePath(const Entry &entry) const
{
    return QDir(m_dataDir).filePath(QLatin1String(folder) + u'/' + entry.file);
}

QList<SyncConflicts::Entry> SyncConflicts::readIndex() const
{
    QList<QByteArray> lines;
    bool exists = false;
    QString error;
    if (!TextFile::readLines(QDir(m_dataDir).filePath(QLatin1String(folder) + u'/' + QLatin1String(indexName)),
                             &lines,
                             &exists,
                             &error)) {
        return {};
    }
    QList<Entry> entries;
    for (const QByteArray &line : std::as_const(lines)) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 6 || (parts[0] != "K" && parts[0] != "T")) {
            continue;
        }
        Entry e;
        e.calendar = parts[0] == "T";
        e.key = dec(parts[1]);
        e.uid = dec(parts[2]);
        e.file = dec(parts[3]);
        e.kept = QDateTime::fromString(dec(parts[4]), Qt::ISODate);
        e.title = dec(parts[5]);
        // Only a plain name inside the folder is ever opened or removed.
        if (e.file.isEmpty() || e.file.contains(u'/') || e.file.contains(u'\\') || e.file.startsWith(u'.')) {
            continue;
        }
        entries.append(e);
    }
    return entries;
}

bool SyncConflicts::writeIndex(const QList<Entry> &entries, QString *error) const
{
    QList<QByteArray> lines;
    for (const Entry &e : entries) {
        lines.append(QByteArray(e.calendar ? "T " : "K ") + enc(e.key) + ' ' + enc(e.uid) + ' ' + enc(e.file) + ' '
                     + enc(e.kept.toString(Qt::ISODate)) + ' ' + enc(e.title));
    }
    const QString path = QDir(m_dataDir).filePath(QLatin1String(folder) + u'/' + QLatin1String(indexName));
    if (lines.isEmpty()) {
        return TextFile::removeIfExists(path, error);
    }
    return TextFile::writeLines(path, lines, error);
}

QList<SyncConflicts::Entry> SyncConflicts::entries() const
{
    QList<Entry> found = readIndex();
    found.removeIf([this](const Entry &e) {
        return !QFileInfo::exists(filePath(e));
    });
    return found;
}

bool SyncConflicts::add(
    bool calendar, const QString &key, const QByteArray &serverText, const QDateTime &when, QString *error) const
{
    QDir dir(m_dataDir);
    (void)dir.mkpath(QLatin1String(folder));
    Entry entry;
    entry.calendar = calendar;
    entry.key = key;
    entry.kept = when;
    entry.title = titleOf(calendar, serverText, &entry.uid);
    const QString base = safeFileName(entry.title) + u' ' + when.toString(u"yyyy-MM-dd HHmmss"_s);
    const QString extension = calendar ? u".ics"_s : u".vcf"_s;
    for (int n = 0;; ++n) {
        entry.file = base + (n ? u" (%1)"_s.arg(n + 1) : QString()) + extension;
        if (!QFileInfo::exists(filePath(entry))) {
            break;
        }
    }
    const QString path = filePath(entry);
    if (!TextFile::writeAtomically(path, serverText, error)) {
        if (error) {
            *error = path + u": "_s + *error;
        }
        return false;
    }
    // The item's earlier conflict is replaced by this one.
    QList<Entry> kept = readIndex();
    QList<Entry> older;
    kept.removeIf([&](const Entry &e) {
        const bool same = e.calendar == calendar && (e.key == key || (!entry.uid.isEmpty() && e.uid == entry.uid));
        if (same) {
            older.append(e);
        }
        return same;
    });
    kept.append(entry);
    if (!writeIndex(kept, error)) {
        return false;
    }
    for (const Entry &e : std::as_const(older)) {
        (void)TextFile::removeIfExists(filePath(e), nullptr);
    }
    return true;
}

QString SyncConflicts::currentRecord(const Entry &entry) const
{
    SyncState state;
    QString ignored;
    if (!entry.uid.isEmpty() && state.load(m_dataDir, &ignored)) {
        for (const SyncItem &item : std::as_const(state.appointments.items)) {
            if (item.uid == entry.uid && !item.key.isEmpty()) {
                return item.key;
            }
        }
    }
    return entry.key;
}

QList<SyncConflicts::Field> SyncConflicts::compare(const Entry &entry, QString *error) const
{
    QByteArray text;
    bool exists = false;
    if (!TextFile::readBytes(filePath(entry), &text, &exists, error) || !exists) {
        if (!exists && error) {
            *error = u"Nie ma już kopii z serwera: %1"_s.arg(filePath(entry));
        }
        return {};
    }
    QList<Field> fields;
    if (entry.calendar) {
        Appointment theirs;
        if (SyncRules::readEvent(text, &theirs, nullptr) != SyncRules::EventKind::Usable) {
            *error = u"Kopii z serwera nie da się odczytać jako terminu (może to być wydarzenie powtarzane)."_s;
            return {};
        }
        const Appointment mine = AppointmentRecord::decode(currentRecord(entry));
        for (const auto &[label, field] : {std::pair{u"Data"_s, &Appointment::date},
                                           std::pair{u"Osoba"_s, &Appointment::person},
                                           std::pair{u"Miejsce"_s, &Appointment::place},
                                           std::pair{u"Opis"_s, &Appointment::description}}) {
            fields.append({label, (mine.*field).trimmed(), (theirs.*field).trimmed()});
        }
        return fields;
    }
    ExchangeContact theirs;
    if (!SyncRules::readCard(text, &theirs, nullptr)) {
        *error = u"Kopii z serwera nie da się odczytać jako wizytówki."_s;
        return {};
    }
    ExchangeContact mine;
    if (!readLocalContact(m_dataDir, entry.key, &mine, nullptr, error)) {
        return {};
    }
    for (const auto &[field, label] : contactLabels()) {
        if (field == u"photo" && mine.photo.isEmpty() && theirs.photo.isEmpty()) {
            continue; // "brak" on both sides says nothing
        }
        fields.append({label, shownValue(mine, field), shownValue(theirs, field)});
    }
    return fields;
}

bool SyncConflicts::forget(const Entry &entry, QString *error) const
{
    QList<Entry> kept = readIndex();
    kept.removeIf([&entry](const Entry &e) {
        return e.file == entry.file;
    });
    if (!writeIndex(kept, error)) {
        return false;
    }
    return TextFile::removeIfExists(filePath(entry), error);
}

bool SyncConflicts::keepHere(const Entry &entry, QString *error) const
{
    return forget(entry, error);
}

bool SyncConflicts::keepServer(const Entry &entry, DailyBackup *backup, const QDate &today, QString *error) const
{
    QByteArray text;
    bool exists = false;
    if (!TextFile::readBytes(filePath(entry), &text, &exists, error)) {
        return false;
    }
    if (entry.calendar) {
        Appointment theirs;
        if (!exists || SyncRules::readEvent(text, &theirs, nullptr) != SyncRules::EventKind::Usable) {
            *error = u"Kopii z serwera nie da się odczytać jako terminu."_s;
            return false;
        }
        AppointmentList list;
        // Every stored appointment stays, however old: this is no cleaning of the list.
        if (!list.build(
                m_dataDir, today, std::numeric_limits<int>::max() / 2, error, AppointmentList::Persons::Skipped)) {
            return false;
        }
        const int position = list.Pozycja(currentRecord(entry));
        if (position < 0) {
            *error = u"Tego terminu nie ma już na liście terminów."_s;
            return false;
        }
        // Recorded as an edit made here, so the next sync changes the same event on the server.
        const AppointmentEdits edits(m_dataDir, [] {
            return true;
        });
        list.setBackup(backup);
        list.setEdits(&edits);
        if (!list.saveRecord(AppointmentRecord::encode(theirs), position, error)) {
            return false;
        }
        return forget(entry, error);
    }
    ExchangeContact theirs;
    if (!exists || !SyncRules::readCard(text, &theirs, nullptr)) {
        *error = u"Kopii z serwera nie da się odczytać jako wizytówki."_s;
        return false;
    }
    ContactFile files(m_dataDir);
    files.setBackup(backup);
    if (!files.load(error)) {
        return false;
    }
    int position = -1;
    for (int i = 0; i < files.count(); ++i) {
        if (Contact::idOf(files.list().line(i)).trimmed() == entry.key.trimmed()) {
            position = i;
        }
    }
    if (position < 0) {
        *error = u"Tego kontaktu nie ma już w książce adresowej."_s;
        return false;
    }
    const Contact old = files.list().contact(position);
    Contact updated = theirs.contact;
    updated.ID = old.ID;
    updated.Parametry = old.Parametry;
    updated.Rocznica = old.Rocznica;
    // The record and notes first (put back whole when their write fails), then the photo: when
    // that fails the conflict stays listed, to be chosen again.
    if (!files.store(&position, updated, theirs.notes, error)
        || !files.writePhoto(entry.key.trimmed(), theirs.photo, error)) {
        return false;
    }
    return forget(entry, error);
}
