#include "SyncRules.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactList.h"
#include "core/contacts/PhotoCodec.h"
#include "core/contacts/exchange/ContactImport.h"
#include "core/contacts/exchange/ContentLines.h"
#include "core/contacts/exchange/VCard.h"

#include <QCryptographicHash>
#include <QSet>
#include <QTimeZone>

namespace {

using namespace Qt::StringLiterals;

const QStringList &cardFields()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Contact::Column &c : Contact::columns()) {
            const QLatin1String name(c.name);
            if (name != "ID"_L1 && name != "Parametry"_L1 && name != "Rocznica"_L1) {
                list.append(name);
            }
        }
        list.append(u"notes"_s);
        list.append(u"photo"_s);
        return list;
    }();
    return names;
}

// One property of a card: its physical lines as they stand and the unfolded line.
struct CardLine
{
    QByteArray raw; // with its line breaks
    QByteArray logical;
};

QList<CardLine> splitCard(const QByteArray &text)
{
    QList<CardLine> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        const QByteArray physical = text.mid(start, end - start);
        QByteArray content = physical;
        while (content.endsWith('\n') || content.endsWith('\r')) {
            content.chop(1);
        }
        if (!lines.isEmpty() && (physical.startsWith(' ') || physical.startsWith('\t'))) {
            lines.last().raw += physical;
            lines.last().logical += content.mid(1);
        } else {
            lines.append({physical, content});
        }
        start = end;
    }
    for (CardLine &line : lines) {
        if (!line.raw.endsWith('\n')) {
            line.raw += "\r\n";
        }
    }
    return lines;
}

QByteArray propertyName(const QByteArray &logical)
{
    qsizetype end = 0;
    while (end < logical.size() && logical[end] != ';' && logical[end] != ':') {
        ++end;
    }
    QByteArray name = logical.left(end).trimmed().toUpper();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0) {
        name = name.mid(dot + 1);
    }
    return name;
}

// The length of the property name with its group ("item1.TEL"): longer than the name alone when
// the line belongs to a group.
qsizetype propertyPart(const QByteArray &logical)
{
    qsizetype end = 0;
    while (end < logical.size() && logical[end] != ';' && logical[end] != ':') {
        ++end;
    }
    return logical.left(end).trimmed().size();
}

ExchangeContact readRaw(const QByteArray &card)
{
    QList<ExchangeContact> read;
    if (!VCard::read(card, &read, nullptr) || read.isEmpty()) {
        return {};
    }
    return read.first();
}

// Which fields each line of a card fills, found by reading the card line by line.
QList<QSet<QString>> attribute(const QList<CardLine> &lines)
{
    QList<QSet<QString>> fields(lines.size());
    QByteArray prefix = "BEGIN:VCARD\r\n";
    ExchangeContact before;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray name = propertyName(lines[i].logical);
        if (name == "BEGIN" || name == "END" || name == "VERSION" || name == "UID" || name == "PRODID"
            || name == "REV") {
            continue;
        }
        if (name == "PHOTO") {
            fields[i] = {u"photo"_s};
            continue;
        }
        if (name == "NOTE") {
            fields[i] = {u"notes"_s};
            continue;
        }
        if (name == "FN") {
            fields[i] = {u"Nazwa"_s}; // the formatted name follows the name wherever it stands
            continue;
        }
        const QByteArray next = prefix + lines[i].logical + "\r\n";
        const ExchangeContact after = readRaw(next + "END:VCARD\r\n");
        for (const QString &field : cardFields()) {
            if (SyncRules::fieldValue(before, field) != SyncRules::fieldValue(after, field)) {
                fields[i].insert(field);
            }
        }
        // A line that fills no field (a number past the ones the book holds, an unknown property)
        // changes nothing for the lines after it and stays out of the card read next, so each
        // step reads a card of bounded size; a line of a group may give meaning to a later one.
        if (!fields[i].isEmpty() || name.size() < propertyPart(lines[i].logical)) {
            prefix = next;
            before = after;
        }
    }
    return fields;
}

ExchangeContact prepared(ExchangeContact item)
{
    const QString uid = item.uid;
    ContactImport import;
    import.prepare(ContactList(), {std::move(item)});
    ExchangeContact result = import.contacts().first();
    result.uid = uid;
    return result;
}

QString unescapeText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            ++i;
            out.append(text[i] == u'n' || text[i] == u'N' ? QChar(u'\n') : text[i]);
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

QString storable(QString text, int width)
{
    ContactImport::foldToCp1250(&text);
    for (QChar &ch : text) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) {
            ch = u' ';
        }
    }
    text = FixedText::trimmed(text);
    return text.size() > width ? FixedText::trimmed(text.left(width)) : text;
}

} // namespace

namespace SyncRules {

Action decide(const Sides &s)
{
    if (!s.known) {
        if (s.localExists && s.remoteExists) {
            return Action::Merge;
        }
        if (s.localExists) {
            return Action::Upload;
        }
        return s.remoteExists ? Action::Download : Action::Nothing;
    }
    if (!s.localExists && !s.remoteExists) {
        return Action::Forget;
    }
    if (!s.localExists) {
        return s.remoteChanged ? Action::Download : Action::DeleteRemote;
    }
    if (!s.remoteExists) {
        // Never confirmed by the server: it has not arrived there yet.
        if (!s.confirmed) {
            return Action::Upload;
        }
        return s.localChanged ? Action::Upload : Action::DeleteLocal;
    }
    if (s.localChanged && s.remoteChanged) {
        return Action::Merge;
    }
    if (s.localChanged) {
        return Action::Upload;
    }
    return s.remoteChanged ? Action::Download : Action::Nothing;
}

QStringList fieldNames()
{
    return cardFields();
}

QString fieldValue(const ExchangeContact &item, const QString &name)
{
    if (name == u"notes") {
        return item.notes;
    }
    if (name == u"photo") {
        return QString::fromLatin1(photoHash(item.photo));
    }
    const Contact::Column *column = Contact::column(name);
    return column ? item.contact.*column->field : QString();
}

void setFieldValue(ExchangeContact &item, const QString &name, const QString &value)
{
    if (name == u"notes") {
        item.notes = value;
        return;
    }
    if (const Contact::Column *column = Contact::column(name)) {
        item.contact.*column->field = value;
    }
}

MergeResult merge(const ExchangeContact *base, const ExchangeContact &local, const ExchangeContact &remote)
{
    MergeResult result{local, {}};
    for (const QString &field : cardFields()) {
        const QString mine = fieldValue(local, field);
        const QString theirs = fieldValue(remote, field);
        if (mine == theirs) {
            continue;
        }
        const bool changedHere = !base || fieldValue(*base, field) != mine;
        const bool changedThere = !base || fieldValue(*base, field) != theirs;
        if (changedHere && changedThere) {
            result.conflicts.append(field);
        } else if (changedThere) {
            if (field == u"photo") {
                result.merged.photo = remote.photo;
            } else {
                setFieldValue(result.merged, field, theirs);
            }
        }
    }
    return result;
}

bool readCard(const QByteArray &text, ExchangeContact *contact, QString *uid)
{
    QList<ExchangeContact> read;
    if (!VCard::read(text, &read, nullptr) || read.isEmpty()) {
        return false;
    }
    if (uid) {
        *uid = read.first().uid;
    }
    *contact = prepared(read.first());
    return true;
}

QByteArray patchCard(const QByteArray &serverText, const ExchangeContact &local, const QString &uid)
{
    ExchangeContact withUid = local;
    withUid.uid = uid;
    QByteArray own;
    (void)VCard::write({withUid}, &own);
    // Some servers cut a data: URI at its comma; the base64 form of the photo passes everywhere.
    own.replace("\r\nPHOTO:data:image/jpeg;base64,", "\r\nPHOTO;ENCODING=b;TYPE=JPEG:");
    ExchangeContact now;
    if (serverText.isEmpty() || !readCard(serverText, &now, nullptr)) {
        return own;
    }
    QSet<QString> changed;
    for (const QString &field : cardFields()) {
        if (fieldValue(now, field) != fieldValue(local, field)) {
            changed.insert(field);
        }
    }
    if (changed.isEmpty()) {
        return serverText;
    }
    const QList<CardLine> theirs = splitCard(serverText);
    const QList<CardLine> ours = splitCard(own);
    const QList<QSet<QString>> theirFields = attribute(theirs);
    const QList<QSet<QString>> ourFields = attribute(ours);
    QList<bool> emitted(ours.size(), false);
    const auto emitOurs = [&](QByteArray &out, const QSet<QString> &wanted) {
        for (qsizetype j = 0; j < ours.size(); ++j) {
            if (!emitted[j] && ourFields[j].intersects(wanted)) {
                out += ours[j].raw;
                emitted[j] = true;
            }
        }
    };
    QByteArray out;
    out.reserve(serverText.size() + own.size());
    bool inCard = false;
    bool done = false;
    for (qsizetype i = 0; i < theirs.size(); ++i) {
        const QByteArray name = propertyName(theirs[i].logical);
        const QByteArray value = theirs[i].logical.mid(theirs[i].logical.indexOf(':') + 1).trimmed().toUpper();
        if (!done && name == "BEGIN" && value == "VCARD") {
            inCard = true;
        } else if (inCard && name == "END" && value == "VCARD") {
            emitOurs(out, changed);
            inCard = false;
            done = true;
        } else if (inCard) {
            const QSet<QString> touched = theirFields[i] & changed;
            if (!touched.isEmpty()) {
                emitOurs(out, touched);
                continue;
            }
        }
        out += theirs[i].raw;
    }
    return out;
}

QByteArray photoHash(const QByteArray &photo)
{
    if (photo.isEmpty()) {
        return {};
    }
    return QCryptographicHash::hash(photo, QCryptographicHash::Sha1).toHex();
}

QByteArray contactHash(const ExchangeContact &item)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const Contact::Column &c : Contact::columns()) {
        const QLatin1String name(c.name);
        if (name == "ID"_L1 || name == "Parametry"_L1 || name == "Rocznica"_L1) {
            continue;
        }
        hash.addData(Cp1250::encode(item.contact.*c.field));
        hash.addData("\x1f");
    }
    hash.addData(item.notes.toUtf8());
    hash.addData("\x1f");
    hash.addData(photoHash(item.photo));
    return hash.result().toHex();
}

bool shrinkPhoto(const QByteArray &jpeg, QByteArray *smaller)
{
    QImage image;
    if (!PhotoCodec::decodeJpeg(jpeg, QSize(smallPhotoSide, smallPhotoSide), &image, nullptr)) {
        return false;
    }
    if (image.width() > smallPhotoSide || image.height() > smallPhotoSide) {
        image = image.scaled(smallPhotoSide, smallPhotoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return PhotoCodec::encodeJpeg(image, 85, smaller, nullptr);
}

QString appointmentUid(const QString &record)
{
    const QByteArray hash = QCryptographicHash::hash(Cp1250::encode(record), QCryptographicHash::Sha1).toHex().left(20);
    return u"termin-"_s + QString::fromLatin1(hash) + u"@morwinek"_s;
}

QByteArray eventText(const Appointment &a, const QString &uid, const QDateTime &stamp)
{
    QByteArray out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Morwinek//Morwinek//PL\r\nBEGIN:VEVENT\r\n";
    const QDate day = DateText::parseDate(a.date);
    ContentLines::append(out, u"UID:"_s + uid);
    ContentLines::append(out, u"DTSTAMP:"_s + stamp.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s));
    ContentLines::append(out, u"DTSTART;VALUE=DATE:"_s + day.toString(u"yyyyMMdd"_s));
    ContentLines::append(out, u"DTEND;VALUE=DATE:"_s + day.addDays(1).toString(u"yyyyMMdd"_s));
    QString summary = a.description;
    if (!a.person.isEmpty()) {
        summary = summary.isEmpty() ? a.person : a.person + u": "_s + summary;
    }
    ContentLines::append(out, u"SUMMARY:"_s + ContentLines::escape(summary));
    if (!a.place.isEmpty()) {
        ContentLines::append(out, u"LOCATION:"_s + ContentLines::escape(a.place));
    }
    if (!a.person.isEmpty()) {
        ContentLines::append(out, u"X-MORWINEK-OSOBA:"_s + ContentLines::escape(a.person));
    }
    out.append("END:VEVENT\r\nEND:VCALENDAR\r\n");
    return out;
}

EventKind readEvent(const QByteArray &text, Appointment *appointment, QString *uid)
{
    const QList<CardLine> lines = splitCard(text);
    bool inEvent = false;
    bool found = false;
    bool recurring = false;
    QString start;
    QString tzid;
    bool dateOnly = false;
    QString summary;
    QString location;
    QString person;
    bool hasPerson = false;
    QString eventUid;
    for (const CardLine &line : lines) {
        const QString logical = QString::fromUtf8(line.logical);
        qsizetype colon = -1;
        bool quoted = false;
        for (qsizetype i = 0; i < logical.size(); ++i) {
            if (logical[i] == u'"') {
                quoted = !quoted;
            } else if (logical[i] == u':' && !quoted) {
                colon = i;
                break;
            }
        }
        if (colon < 0) {
            continue;
        }
        const QStringList head = logical.left(colon).split(u';');
        const QString name = head.first().trimmed().toUpper();
        const QString value = logical.mid(colon + 1);
        if (name == u"BEGIN" && value.trimmed().compare(u"VEVENT", Qt::CaseInsensitive) == 0) {
            if (found) {
                break;
            }
            inEvent = true;
            continue;
        }
        if (!inEvent) {
            continue;
        }
        if (name == u"END" && value.trimmed().compare(u"VEVENT", Qt::CaseInsensitive) == 0) {
            inEvent = false;
            found = true;
            continue;
        }
        if (name == u"RRULE" || name == u"RDATE" || name == u"RECURRENCE-ID") {
            recurring = true;
        } else if (name == u"UID") {
            eventUid = value.trimmed();
        } else if (name == u"DTSTART") {
            start = value.trimmed();
            for (const QString &param : head.mid(1)) {
                if (param.startsWith(u"VALUE=", Qt::CaseInsensitive)) {
                    dateOnly = param.mid(6).compare(u"DATE", Qt::CaseInsensitive) == 0;
                } else if (param.startsWith(u"TZID=", Qt::CaseInsensitive)) {
                    tzid = param.mid(5);
                    tzid.remove(u'"');
                }
            }
        } else if (name == u"SUMMARY") {
            summary = unescapeText(value);
        } else if (name == u"LOCATION") {
            location = unescapeText(value);
        } else if (name == u"X-MORWINEK-OSOBA") {
            person = unescapeText(value);
            hasPerson = true;
        }
    }
    if (uid) {
        *uid = eventUid;
    }
    if (!found) {
        return EventKind::Invalid;
    }
    if (recurring) {
        return EventKind::Recurring;
    }
    QDate day;
    if (dateOnly || start.size() == 8) {
        day = QDate::fromString(start.left(8), u"yyyyMMdd"_s);
    } else {
        const QDateTime moment = QDateTime::fromString(start.left(15), u"yyyyMMdd'T'HHmmss"_s);
        if (!moment.isValid()) {
            return EventKind::Invalid;
        }
        if (start.endsWith(u'Z')) {
            day = QDateTime(moment.date(), moment.time(), Qt::UTC).toLocalTime().date();
        } else if (const QTimeZone zone(tzid.toUtf8()); !tzid.isEmpty() && zone.isValid()) {
            day = QDateTime(moment.date(), moment.time(), zone).toLocalTime().date();
        } else {
            day = moment.date(); // floating time: the same wall clock everywhere
        }
    }
    if (!day.isValid()) {
        return EventKind::Invalid;
    }
    QString description = summary;
    if (hasPerson && !person.isEmpty()) {
        if (summary == person) {
            description.clear();
        } else if (summary.startsWith(person + u": "_s)) {
            description = summary.mid(person.size() + 2);
        }
    }
    appointment->date = DateText::toText(day);
    appointment->person = storable(person, AppointmentRecord::personWidth);
    appointment->place = storable(location, AppointmentRecord::placeWidth);
    appointment->description = storable(description, AppointmentRecord::descriptionWidth);
    return EventKind::Usable;
}

} // namespace SyncRules
